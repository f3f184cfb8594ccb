#include "picture_import.h"

#include "bmp_picture.h"
#include "image_source.h"
#include "picture.h"
#include "tone_adjust.h"

#include <utility>

ScaledGrey ScaleForImport(const GreyImage& image, const ImportOptions& options)
{
    ScaledGrey scaled;
    const std::uint32_t width = options.width.value_or(image.width);
    const std::uint32_t height =
        options.width ? ScaledHeight(image.width, image.height, width) : image.height;
    // A float a dot for the plane, and as much again while it diffuses.
    if (static_cast<std::uint64_t>(width) * height * sizeof(float) > kMaxDecodedBytes ||
        PictureWeight(width, height) > kMaxPictureBufferBytes) {
        scaled.message = std::string(picture_messages::kMemoryAllocation);
        return scaled;
    }
    scaled.plane = options.width ? ScaleToWidth(image, width) : PlaneOf(image);
    return scaled;
}

DitheredDots DotsFromPlane(const GreyPlane& scaled, const ImportOptions& options)
{
    GreyPlane toned = scaled;
    AdjustTone(toned, options);
    return Dither(toned, options);
}

ImportResult ImportPicture(const std::string& path, const ImportOptions& options)
{
    ImportResult result;
    ImportSource source = ReadImportSource(path, options.width);
    if (!source.image) {
        result.message = std::move(source.message);
        return result;
    }
    ScaledGrey scaled = ScaleForImport(*source.image, options);
    source.image.reset();
    if (!scaled.plane) {
        result.message = std::move(scaled.message);
        return result;
    }
    AdjustTone(*scaled.plane, options);
    result.dots = Dither(*scaled.plane, options);
    return result;
}

std::vector<std::uint8_t> BitmapFileImage(const DitheredDots& dots)
{
    return BuildBmpFileImage(dots.width, dots.height, dots.bits);
}
