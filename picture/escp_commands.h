#pragma once

#include "byte_writer.h"

#include <cstdint>
#include <span>
#include <vector>

// Command bytes of the ESC/P print streams that the EPSON GFX and RASTER GFX
// EXT formats hold, and the few commands their writers produce.
namespace escp {

inline constexpr std::uint8_t kLineFeed = 0x0A;
inline constexpr std::uint8_t kFormFeed = 0x0C;
inline constexpr std::uint8_t kCarriageReturn = 0x0D;
inline constexpr std::uint8_t kWhiteRows = 0x15;
inline constexpr std::uint8_t kEsc = 0x1B;
inline constexpr std::uint8_t kGs = 0x1D;

// Letters that follow ESC.
inline constexpr std::uint8_t kPosition = '$';
inline constexpr std::uint8_t kBitImage = '*';
inline constexpr std::uint8_t kRasterLine = '.';
inline constexpr std::uint8_t kLineSpacing = '3';
inline constexpr std::uint8_t kFeed = 'J';

// Bit-image modes of ESC "*".
inline constexpr std::uint8_t kMode8DotSingle = 0;
inline constexpr std::uint8_t kMode8DotDouble = 1;
inline constexpr std::uint8_t kMode24DotSingle = 32;
inline constexpr std::uint8_t kMode24DotDouble = 33;

// The feed, the white-rows and the ESC "*" counts are single bytes.
inline constexpr std::uint32_t kMaxByteCount = 0xFF;

inline void AppendLineFeed(std::vector<std::uint8_t>& out)
{
    out.push_back(kLineFeed);
}

inline void AppendFeed(std::vector<std::uint8_t>& out, std::uint8_t rows)
{
    out.insert(out.end(), {kEsc, kFeed, rows});
}

inline void AppendWhiteRows(std::vector<std::uint8_t>& out, std::uint8_t rows)
{
    out.insert(out.end(), {kWhiteRows, rows});
}

inline void AppendPosition(std::vector<std::uint8_t>& out, std::uint16_t column)
{
    out.insert(out.end(), {kEsc, kPosition});
    AppendLe16(out, column);
}

// The column count is not known until the command's last column has been
// written: this returns where to store it with StoreBitImageColumns.
inline std::size_t AppendBitImageHeader(std::vector<std::uint8_t>& out, std::uint8_t mode)
{
    out.insert(out.end(), {kEsc, kBitImage, mode});
    const std::size_t countAt = out.size();
    AppendLe16(out, 0);
    return countAt;
}

inline void StoreBitImageColumns(std::vector<std::uint8_t>& out, std::size_t countAt, std::uint16_t columns)
{
    StoreLe16(std::span<std::uint8_t>(out).subspan(countAt).first<2>(), columns);
}

inline void AppendRasterLine(std::vector<std::uint8_t>& out, std::uint8_t startByte,
                             std::span<const std::uint8_t> dots, std::uint16_t repeat)
{
    out.insert(out.end(), {kEsc, kRasterLine, startByte, static_cast<std::uint8_t>(dots.size())});
    AppendLe16(out, repeat);
    out.insert(out.end(), dots.begin(), dots.end());
}

}  // namespace escp
