#pragma once

#include "dither.h"
#include "grey_image.h"
#include "import_options.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The grey plane at the size the options ask for, before tone and dither;
// a preview keeps it while only those change. None, with the message, when
// the plane would be too large to hold.
struct ScaledGrey {
    std::optional<GreyPlane> plane;
    std::string message;
};
ScaledGrey ScaleForImport(const GreyImage& image, const ImportOptions& options);

// Tone and dither of a scaled plane.
DitheredDots DotsFromPlane(const GreyPlane& scaled, const ImportOptions& options);

struct ImportResult {
    std::optional<DitheredDots> dots;  // none on failure
    std::string message;
};
// The whole import of a file: read, grey, scale, tone, dither.
ImportResult ImportPicture(const std::string& path, const ImportOptions& options);

// The dots as the file image of a 1-bit Windows bitmap, the form in which an
// upload hands the document a new input picture.
std::vector<std::uint8_t> BitmapFileImage(const DitheredDots& dots);
