#pragma once

#include "dither.h"
#include "grey_image.h"

#include <cstdint>
#include <vector>

inline GreyPlane FlatPlane(std::uint32_t width, std::uint32_t height, float level)
{
    return GreyPlane{width, height, std::vector<float>(static_cast<std::size_t>(width) * height, level)};
}

inline double BlackShare(const DitheredDots& dots)
{
    std::size_t black = 0;
    for (std::uint32_t y = 0; y < dots.height; ++y)
        for (std::uint32_t x = 0; x < dots.width; ++x)
            black += dots.IsBlack(x, y) ? 1 : 0;
    return static_cast<double>(black) / (static_cast<double>(dots.width) * dots.height);
}
