#include "printed_logo.h"

#include "byte_reader.h"
#include "picture.h"

#include <string>

namespace {

bool DotAt(const ByteReader& rows, std::size_t rowBytes, std::uint32_t x, std::uint32_t y)
{
    const auto byte = rows.U8(static_cast<std::size_t>(y) * rowBytes + x / 8);
    return byte && (*byte & (0x80u >> (x % 8))) != 0;
}

}  // namespace

PrintedLogo ScaleForPrint(std::uint8_t slot, std::uint32_t width, std::uint32_t height,
                          std::span<const std::uint8_t> rows, std::uint8_t sizeMode)
{
    const std::uint32_t xScale = (sizeMode & kPrintDoubleWidth) != 0 ? 2 : 1;
    const std::uint32_t yScale = (sizeMode & kPrintDoubleHeight) != 0 ? 2 : 1;

    PrintedLogo printed{slot, width * xScale, height * yScale, {}};
    const std::size_t outRowBytes = CPicture::BytesPerRow(printed.width);
    printed.rows.assign(outRowBytes * printed.height, 0);

    const ByteReader source(rows);
    const std::size_t inRowBytes = CPicture::BytesPerRow(width);
    for (std::uint32_t y = 0; y < printed.height; ++y)
        for (std::uint32_t x = 0; x < printed.width; ++x)
            if (DotAt(source, inRowBytes, x / xScale, y / yScale))
                printed.rows[y * outRowBytes + x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
    return printed;
}

std::vector<std::uint8_t> EncodePbm(const PrintedLogo& logo)
{
    const std::string header = "P4\n" + std::to_string(logo.width) + " " + std::to_string(logo.height) + "\n";
    std::vector<std::uint8_t> file(header.begin(), header.end());
    file.insert(file.end(), logo.rows.begin(), logo.rows.end());
    return file;
}
