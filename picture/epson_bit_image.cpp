#include "epson_bit_image.h"

#include "bit_transpose.h"
#include "escp_commands.h"
#include "picture.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

struct ModeLayout {
    std::uint32_t bytesPerColumn;
    // Dots across that one column of data covers.
    std::uint32_t dotsPerColumn;
    // The 8-dot modes draw each dot three rows high, which fills the same
    // 24-row band as the 24-dot modes.
    bool eightDot;
};

constexpr std::uint32_t kEightDotRowsPerDot = 3;

std::optional<ModeLayout> LayoutOf(std::uint8_t mode)
{
    switch (mode) {
    case escp::kMode8DotSingle:
        return ModeLayout{1, 2, true};
    case escp::kMode8DotDouble:
        return ModeLayout{1, 1, true};
    case escp::kMode24DotSingle:
        return ModeLayout{3, 2, false};
    case escp::kMode24DotDouble:
        return ModeLayout{3, 1, false};
    default:
        return std::nullopt;
    }
}

// A mode that is not drawn still has its data skipped the way ESC/P sizes
// it, so that the walk goes on after the command.
std::uint64_t UnknownModeDataBytes(std::uint8_t mode, std::uint16_t columns)
{
    const std::uint64_t bytesPerColumn = mode < 32 ? 1 : mode < 64 ? 3 : 6;
    return bytesPerColumn * columns;
}

// Every dot doubled, for the modes whose columns are two dots wide.
constexpr std::array<std::uint16_t, 256> kDoubledDots = [] {
    std::array<std::uint16_t, 256> table{};
    for (unsigned value = 0; value < table.size(); ++value)
        for (unsigned bit = 0; bit < 8; ++bit)
            if ((value & (1u << bit)) != 0)
                table[value] = static_cast<std::uint16_t>(table[value] | (3u << (2 * bit)));
    return table;
}();

struct DotTarget {
    std::span<std::uint8_t> bits;
    std::size_t rowBytes;
    std::uint64_t height;

    // ORs eight columns of data, one row of them, in at the given dot column;
    // they cover eight or sixteen dots, which may straddle three bytes.
    void OrDots(std::uint64_t row, std::uint64_t column, std::uint8_t dots, std::uint32_t dotsPerColumn) const
    {
        if (row >= height)
            return;
        const std::uint32_t pattern = dotsPerColumn == 2 ? kDoubledDots[dots] : dots;
        const std::uint32_t patternDots = 8 * dotsPerColumn;
        const auto shift = static_cast<std::uint32_t>(column % 8);
        const std::uint32_t shifted = (pattern << (32 - patternDots)) >> shift;
        const std::uint32_t bytesCovered = (patternDots + shift + 7) / 8;
        const std::size_t rowAt = static_cast<std::size_t>(row) * rowBytes;
        const std::uint64_t firstByte = column / 8;
        for (unsigned k = 0; k < bytesCovered; ++k) {
            const auto byte = static_cast<std::uint8_t>(shifted >> (24 - 8 * k));
            if (byte != 0 && firstByte + k < rowBytes)
                bits[rowAt + static_cast<std::size_t>(firstByte + k)] |= byte;
        }
    }

    // Works through the columns eight at a time, turning each 8 by 8 block
    // of column bytes into row bytes at once.
    void Draw(std::span<const std::uint8_t> data, const ModeLayout& layout, std::uint64_t column,
              std::uint64_t row) const
    {
        const std::size_t columns = data.size() / layout.bytesPerColumn;
        for (std::size_t first = 0; first < columns; first += 8) {
            const std::size_t count = std::min<std::size_t>(8, columns - first);
            const std::uint64_t x = column + static_cast<std::uint64_t>(first) * layout.dotsPerColumn;
            for (std::uint32_t plane = 0; plane < layout.bytesPerColumn; ++plane) {
                std::uint64_t block = 0;
                for (unsigned j = 0; j < count; ++j)
                    block = WithBlockByte(block, j, data[(first + j) * layout.bytesPerColumn + plane]);
                if (block == 0)
                    continue;
                block = Transpose8x8(block);
                for (unsigned i = 0; i < 8; ++i) {
                    const std::uint8_t dots = BlockByte(block, i);
                    if (dots == 0)
                        continue;
                    if (layout.eightDot) {
                        for (std::uint32_t k = 0; k < kEightDotRowsPerDot; ++k)
                            OrDots(row + kEightDotRowsPerDot * i + k, x, dots, layout.dotsPerColumn);
                    } else {
                        OrDots(row + 8 * plane + i, x, dots, layout.dotsPerColumn);
                    }
                }
            }
        }
    }
};

}  // namespace

EpsonBitImageReader::EpsonBitImageReader(std::span<std::uint8_t> bits, std::uint32_t width, std::uint32_t height)
    : m_bits(bits), m_rowBytes(CPicture::BytesPerRow(width))
{
    // A short buffer loses whole rows, never part of one.
    m_height = m_rowBytes == 0 ? 0 : std::min<std::uint64_t>(height, m_bits.size() / m_rowBytes);
}

bool EpsonBitImageReader::Run(ByteCursor& cursor, EscpWalkState& state)
{
    const auto header = cursor.Take(3);
    if (!header)
        return false;
    const ByteReader fields(*header);
    const std::uint8_t mode = *fields.U8(0);
    const std::uint16_t columns = *fields.Le16(1);

    const auto layout = LayoutOf(mode);
    if (!layout)
        return cursor.Skip(UnknownModeDataBytes(mode, columns));
    const auto data = cursor.Take(std::size_t{columns} * layout->bytesPerColumn);
    if (!data)
        return false;

    if (m_height != 0)
        DotTarget{m_bits, m_rowBytes, m_height}.Draw(*data, *layout, state.column, state.row);
    state.column += std::uint64_t{columns} * layout->dotsPerColumn;
    state.width = std::max(state.width, state.column);
    return true;
}
