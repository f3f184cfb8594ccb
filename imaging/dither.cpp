#include "dither.h"

#include "picture.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr float kWhite = 255.0f;
constexpr float kMiddle = 128.0f;

DitheredDots BlankDots(const GreyPlane& plane)
{
    DitheredDots dots;
    dots.width = plane.width;
    dots.height = plane.height;
    dots.bits.assign(static_cast<std::size_t>(CPicture::BytesPerRow(plane.width)) * plane.height, 0);
    return dots;
}

void SetBlack(DitheredDots& dots, std::uint32_t x, std::uint32_t y)
{
    const std::size_t index = static_cast<std::size_t>(y) * CPicture::BytesPerRow(dots.width) + x / 8;
    dots.bits[index] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
}

// One neighbour of an error-diffusion kernel: columns are counted in the
// direction of travel.
struct Spread {
    int dx;
    int dy;
    float weight;
};

template <std::size_t N>
DitheredDots Diffuse(const GreyPlane& plane, const std::array<Spread, N>& kernel, bool serpentine)
{
    DitheredDots dots = BlankDots(plane);
    const auto width = static_cast<std::int64_t>(plane.width);
    const auto height = static_cast<std::int64_t>(plane.height);
    std::vector<float> levels = plane.levels;
    for (std::int64_t y = 0; y < height; ++y) {
        const bool backwards = serpentine && (y % 2 == 1);
        const int step = backwards ? -1 : 1;
        for (std::int64_t i = 0; i < width; ++i) {
            const std::int64_t x = backwards ? width - 1 - i : i;
            float& level = levels[static_cast<std::size_t>(y * width + x)];
            const bool black = level < kMiddle;
            const float error = level - (black ? 0.0f : kWhite);
            if (black)
                SetBlack(dots, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
            for (const Spread& spread : kernel) {
                const std::int64_t nx = x + spread.dx * step;
                const std::int64_t ny = y + spread.dy;
                if (nx >= 0 && nx < width && ny < height)
                    levels[static_cast<std::size_t>(ny * width + nx)] += error * spread.weight;
            }
        }
    }
    return dots;
}

constexpr std::array<Spread, 4> kFloydSteinberg{{
    {1, 0, 7.0f / 16},
    {-1, 1, 3.0f / 16},
    {0, 1, 5.0f / 16},
    {1, 1, 1.0f / 16},
}};

constexpr std::array<Spread, 6> kAtkinson{{
    {1, 0, 1.0f / 8},
    {2, 0, 1.0f / 8},
    {-1, 1, 1.0f / 8},
    {0, 1, 1.0f / 8},
    {1, 1, 1.0f / 8},
    {0, 2, 1.0f / 8},
}};

constexpr std::array<std::array<std::uint8_t, 8>, 8> kBayer{{
    {0, 32, 8, 40, 2, 34, 10, 42},
    {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},
    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},
    {63, 31, 55, 23, 61, 29, 53, 21},
}};

}  // namespace

bool DitheredDots::IsBlack(std::uint32_t x, std::uint32_t y) const
{
    const std::size_t index = static_cast<std::size_t>(y) * CPicture::BytesPerRow(width) + x / 8;
    return (bits[index] & (0x80u >> (x % 8))) != 0;
}

int OtsuLevel(const GreyPlane& plane)
{
    std::array<double, 256> histogram{};
    for (const float level : plane.levels)
        histogram[static_cast<std::size_t>(std::lround(std::clamp(level, 0.0f, kWhite)))] += 1;
    const double total = static_cast<double>(plane.levels.size());
    double sumAll = 0;
    for (int level = 0; level < 256; ++level)
        sumAll += level * histogram[level];

    // Between-class variance for a split after each level; the best split
    // puts that level in the dark class.
    double darkCount = 0;
    double darkSum = 0;
    double best = -1;
    int bestLevel = 128;
    bool split = false;
    for (int level = 0; level < 255; ++level) {
        darkCount += histogram[level];
        darkSum += level * histogram[level];
        const double lightCount = total - darkCount;
        if (darkCount == 0 || lightCount == 0)
            continue;
        const double darkMean = darkSum / darkCount;
        const double lightMean = (sumAll - darkSum) / lightCount;
        const double variance = darkCount * lightCount * (darkMean - lightMean) * (darkMean - lightMean);
        if (variance > best) {
            best = variance;
            bestLevel = level + 1;
            split = true;
        }
    }
    return split ? bestLevel : 128;
}

DitheredDots DitherThreshold(const GreyPlane& plane, int level)
{
    DitheredDots dots = BlankDots(plane);
    const auto limit = static_cast<float>(level);
    for (std::uint32_t y = 0; y < plane.height; ++y)
        for (std::uint32_t x = 0; x < plane.width; ++x)
            if (plane.At(x, y) < limit)
                SetBlack(dots, x, y);
    return dots;
}

DitheredDots DitherFloydSteinberg(const GreyPlane& plane)
{
    return Diffuse(plane, kFloydSteinberg, true);
}

DitheredDots DitherAtkinson(const GreyPlane& plane)
{
    return Diffuse(plane, kAtkinson, false);
}

DitheredDots DitherBayer(const GreyPlane& plane)
{
    DitheredDots dots = BlankDots(plane);
    for (std::uint32_t y = 0; y < plane.height; ++y) {
        const auto& row = kBayer[y % 8];
        for (std::uint32_t x = 0; x < plane.width; ++x) {
            // Thresholds at the middles of 64 equal steps of 0 to 255, so
            // white stays white and black black.
            const float limit = (row[x % 8] + 0.5f) * kWhite / 64.0f;
            if (plane.At(x, y) < limit)
                SetBlack(dots, x, y);
        }
    }
    return dots;
}

DitheredDots Dither(const GreyPlane& plane, const ImportOptions& options)
{
    switch (options.method) {
    case DitherMethod::Threshold:
        return DitherThreshold(plane, options.threshold ? *options.threshold : OtsuLevel(plane));
    case DitherMethod::Atkinson:
        return DitherAtkinson(plane);
    case DitherMethod::Bayer:
        return DitherBayer(plane);
    case DitherMethod::FloydSteinberg:
        break;
    }
    return DitherFloydSteinberg(plane);
}
