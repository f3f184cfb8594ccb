#include "display_bitmap.h"

#include "picture.h"

#include <algorithm>
#include <cstring>

QImage BuildDisplayBitmap(const CPicture& picture)
{
    const std::uint32_t width = picture.GetWidth();
    const std::uint32_t height = picture.GetHeight();
    const auto bits = picture.GetBits();
    const std::size_t rowBytes = CPicture::BytesPerRow(width);
    if (width == 0 || height == 0 || bits.empty())
        return {};
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_Mono);
    if (image.isNull())
        return {};
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    // Image rows are padded to 32 bits; the picture's are not. Rows the
    // buffer does not reach stay white.
    const std::size_t rows = std::min<std::size_t>(height, bits.size() / rowBytes);
    for (std::size_t y = 0; y < rows; ++y)
        std::memcpy(image.scanLine(static_cast<int>(y)), bits.data() + y * rowBytes, rowBytes);
    for (std::size_t y = rows; y < height; ++y)
        std::memset(image.scanLine(static_cast<int>(y)), 0, static_cast<std::size_t>(image.bytesPerLine()));
    return image;
}
