#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

// The rows of a dot buffer as a writer reads them. The buffer is whatever
// the caller set, so rows that a short buffer lacks read as white instead of
// being read past its end.
class DotRows {
public:
    DotRows(std::span<const std::uint8_t> bits, std::size_t rowBytes)
        : m_bits(bits), m_rowBytes(rowBytes), m_padded(rowBytes, 0)
    {
    }

    // The rows the buffer holds, the last perhaps in part; every row after
    // them is white.
    std::uint64_t RowsHeld() const
    {
        return m_rowBytes == 0 ? 0 : (m_bits.size() + m_rowBytes - 1) / m_rowBytes;
    }

    std::span<const std::uint8_t> Row(std::uint64_t y)
    {
        const std::uint64_t at = y * m_rowBytes;
        if (at + m_rowBytes <= m_bits.size())
            return m_bits.subspan(static_cast<std::size_t>(at), m_rowBytes);
        std::fill(m_padded.begin(), m_padded.end(), std::uint8_t{0});
        if (at < m_bits.size())
            std::copy(m_bits.begin() + static_cast<std::ptrdiff_t>(at), m_bits.end(), m_padded.begin());
        return m_padded;
    }

private:
    std::span<const std::uint8_t> m_bits;
    std::size_t m_rowBytes;
    std::vector<std::uint8_t> m_padded;
};
