#pragma once

#include <cstdint>
#include <vector>

class QImage;

// A decoded picture reduced to grey, 0 black to 255 white, rows from the top.
// Eight bits a pixel, as the source had at most that much in a channel.
struct GreyImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> levels;
};

// Grey levels on the dot grid, kept unrounded from scaling to dithering so
// that averaging and tone changes lose nothing before the dots are chosen.
struct GreyPlane {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<float> levels;

    float At(std::uint32_t x, std::uint32_t y) const { return levels[static_cast<std::size_t>(y) * width + x]; }
};

// Transparent parts are laid on white paper, then colour becomes grey by
// Rec. 601 luminance (the weights ImageMagick and netpbm use too).
GreyImage GreyFromImage(const QImage& image);

// The height that keeps the aspect ratio at `width`; at least 1.
std::uint32_t ScaledHeight(std::uint32_t sourceWidth, std::uint32_t sourceHeight, std::uint32_t width);

// Resamples to `width` (aspect kept) by area averaging: each dot is the mean
// of the source area it covers, with partly covered pixels weighed by the
// part, so a line thinner than a dot turns grey instead of vanishing.
GreyPlane ScaleToWidth(const GreyImage& image, std::uint32_t width);

// The levels as they are, one dot a pixel.
GreyPlane PlaneOf(const GreyImage& image);
