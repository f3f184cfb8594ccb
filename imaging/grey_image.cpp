#include "grey_image.h"

#include <QImage>

#include <algorithm>
#include <cmath>

namespace {

// Which source pixels make up one target pixel along an axis, and by how much.
struct Taps {
    std::uint32_t first = 0;
    std::vector<float> weights;
};

// Target pixel i covers [i * scale, (i + 1) * scale) of the source axis; each
// source pixel weighs by its overlap with that span, normalised to 1.
std::vector<Taps> AreaTaps(std::uint32_t sourceSize, std::uint32_t targetSize)
{
    std::vector<Taps> taps(targetSize);
    const double scale = static_cast<double>(sourceSize) / targetSize;
    for (std::uint32_t i = 0; i < targetSize; ++i) {
        const double begin = i * scale;
        const double end = std::min<double>((i + 1) * scale, sourceSize);
        const auto first = static_cast<std::uint32_t>(begin);
        const auto last = std::min(sourceSize - 1, static_cast<std::uint32_t>(std::ceil(end)) - 1);
        Taps& tap = taps[i];
        tap.first = first;
        const double span = end - begin;
        for (std::uint32_t s = first; s <= last; ++s) {
            const double overlap = std::min<double>(s + 1, end) - std::max<double>(s, begin);
            tap.weights.push_back(static_cast<float>(std::max(0.0, overlap) / span));
        }
    }
    return taps;
}

}  // namespace

GreyImage GreyFromImage(const QImage& image)
{
    // Straight (not premultiplied) alpha, so compositing is one formula; a
    // decoded photo usually comes as RGB32 already and is read in place.
    const bool direct = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    const QImage argb = direct ? image : image.convertToFormat(QImage::Format_ARGB32);
    GreyImage grey;
    grey.width = static_cast<std::uint32_t>(argb.width());
    grey.height = static_cast<std::uint32_t>(argb.height());
    grey.levels.resize(static_cast<std::size_t>(grey.width) * grey.height);
    std::uint8_t* out = grey.levels.data();
    for (std::uint32_t y = 0; y < grey.height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(static_cast<int>(y)));
        for (std::uint32_t x = 0; x < grey.width; ++x) {
            const QRgb pixel = row[x];
            const double luma = 0.299 * qRed(pixel) + 0.587 * qGreen(pixel) + 0.114 * qBlue(pixel);
            const double alpha = qAlpha(pixel) / 255.0;
            const double level = luma * alpha + 255.0 * (1.0 - alpha);
            *out++ = static_cast<std::uint8_t>(std::lround(std::clamp(level, 0.0, 255.0)));
        }
    }
    return grey;
}

std::uint32_t ScaledHeight(std::uint32_t sourceWidth, std::uint32_t sourceHeight, std::uint32_t width)
{
    if (sourceWidth == 0)
        return 1;
    const double height = static_cast<double>(sourceHeight) * width / sourceWidth;
    return std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::lround(height)));
}

GreyPlane ScaleToWidth(const GreyImage& image, std::uint32_t width)
{
    if (width == image.width)
        return PlaneOf(image);
    GreyPlane plane;
    plane.width = width;
    plane.height = ScaledHeight(image.width, image.height, width);
    if (image.width == 0 || image.height == 0)
        return plane;

    // Across first: the intermediate then holds `width` columns of every
    // source row, at most as large as the source when shrinking.
    const std::vector<Taps> across = AreaTaps(image.width, width);
    std::vector<float> rows(static_cast<std::size_t>(width) * image.height);
    for (std::uint32_t y = 0; y < image.height; ++y) {
        const std::uint8_t* source = &image.levels[static_cast<std::size_t>(y) * image.width];
        float* target = &rows[static_cast<std::size_t>(y) * width];
        for (std::uint32_t x = 0; x < width; ++x) {
            const Taps& tap = across[x];
            float sum = 0;
            for (std::size_t k = 0; k < tap.weights.size(); ++k)
                sum += tap.weights[k] * source[tap.first + k];
            target[x] = sum;
        }
    }

    const std::vector<Taps> down = AreaTaps(image.height, plane.height);
    plane.levels.assign(static_cast<std::size_t>(width) * plane.height, 0.0f);
    for (std::uint32_t y = 0; y < plane.height; ++y) {
        float* target = &plane.levels[static_cast<std::size_t>(y) * width];
        const Taps& tap = down[y];
        for (std::size_t k = 0; k < tap.weights.size(); ++k) {
            const float weight = tap.weights[k];
            const float* source = &rows[static_cast<std::size_t>(tap.first + k) * width];
            for (std::uint32_t x = 0; x < width; ++x)
                target[x] += weight * source[x];
        }
    }
    return plane;
}

GreyPlane PlaneOf(const GreyImage& image)
{
    GreyPlane plane;
    plane.width = image.width;
    plane.height = image.height;
    plane.levels.assign(image.levels.begin(), image.levels.end());
    return plane;
}
