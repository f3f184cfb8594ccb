#pragma once

#include "grey_image.h"
#include "import_options.h"

#include <cstdint>
#include <vector>

// Dots as a picture holds them: rows from the top, BytesPerRow(width) bytes
// each, most significant bit leftmost, 1 = black.
struct DitheredDots {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> bits;

    bool IsBlack(std::uint32_t x, std::uint32_t y) const;
};

// The level that best splits the plane's histogram in two (Otsu's method):
// levels below it are the dark class. 128 for a plane of one level.
int OtsuLevel(const GreyPlane& plane);

// A dot is black where its level is below `level`.
DitheredDots DitherThreshold(const GreyPlane& plane, int level);
// Error diffusion with the 7/16, 3/16, 5/16, 1/16 weights, odd rows run
// right to left so that the error does not drift one way.
DitheredDots DitherFloydSteinberg(const GreyPlane& plane);
// Error diffusion of six eighths of the error to six neighbours: flat areas
// stay clean and mid tones keep contrast, at the cost of light and dark
// greys, which go to white and black.
DitheredDots DitherAtkinson(const GreyPlane& plane);
// Ordered dithering with the 8 x 8 Bayer matrix: a fixed pattern per level,
// which suits flat areas of a logo and repeats steadily across a strip.
DitheredDots DitherBayer(const GreyPlane& plane);

// The method the options name; the threshold method takes their level or,
// without one, Otsu's.
DitheredDots Dither(const GreyPlane& plane, const ImportOptions& options);
