#pragma once

#include "grey_image.h"

#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>

// No picture is decoded that would take more than this in memory at four
// bytes a pixel; the same bound holds for the grey plane of an import.
inline constexpr std::uint64_t kMaxDecodedBytes = 256ull * 1024 * 1024;

struct ImportSource {
    std::optional<GreyImage> image;  // none on failure
    std::string message;             // the text to show on failure
};

// Reads any picture Qt's image readers know (the first frame of an
// animation, turned upright as its file says) and makes it grey. With a
// `targetWidth`, a JPEG is decoded already shrunk by its own DCT scaling to
// no less than that width, several times quicker for a photo, leaving the
// last reduction to area averaging.
ImportSource ReadImportSource(const std::string& path, std::optional<std::uint32_t> targetWidth = std::nullopt);

// True when some image reader takes the file by its content.
bool CanImport(const std::string& path);

// File-dialog patterns of every format the readers know: "*.png *.jpg ...".
QStringList ImportNameFilters();

namespace import_messages {
std::string NotReadable(const std::string& path, const std::string& reason);
std::string TooLarge(const std::string& path, std::uint64_t width, std::uint64_t height);
}  // namespace import_messages
