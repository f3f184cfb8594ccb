#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// Every read of untrusted bytes goes through this view: a position or length
// that falls outside the bytes gives no value instead of a stray read.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t Size() const { return m_bytes.size(); }

    bool Has(std::size_t pos, std::size_t count) const
    {
        return pos <= m_bytes.size() && count <= m_bytes.size() - pos;
    }

    std::optional<std::uint8_t> U8(std::size_t pos) const
    {
        if (!Has(pos, 1))
            return std::nullopt;
        return m_bytes[pos];
    }

    std::optional<std::uint16_t> Le16(std::size_t pos) const
    {
        if (!Has(pos, 2))
            return std::nullopt;
        return static_cast<std::uint16_t>(m_bytes[pos] | (m_bytes[pos + 1] << 8));
    }

    std::optional<std::uint32_t> Le32(std::size_t pos) const
    {
        if (!Has(pos, 4))
            return std::nullopt;
        return static_cast<std::uint32_t>(m_bytes[pos]) | (static_cast<std::uint32_t>(m_bytes[pos + 1]) << 8) |
               (static_cast<std::uint32_t>(m_bytes[pos + 2]) << 16) |
               (static_cast<std::uint32_t>(m_bytes[pos + 3]) << 24);
    }

    std::optional<std::span<const std::uint8_t>> Bytes(std::size_t pos, std::size_t count) const
    {
        if (!Has(pos, count))
            return std::nullopt;
        return m_bytes.subspan(pos, count);
    }

    // First start position below `limit` at which `first` `second` stand.
    std::optional<std::size_t> FindPair(std::uint8_t first, std::uint8_t second, std::size_t limit) const
    {
        for (std::size_t pos = 0; pos < limit && Has(pos, 2); ++pos)
            if (m_bytes[pos] == first && m_bytes[pos + 1] == second)
                return pos;
        return std::nullopt;
    }

private:
    std::span<const std::uint8_t> m_bytes;
};

// Sequential reads for walking a command stream; a command that would run
// past the end yields nothing and the walk can stop there.
class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> bytes) : m_reader(bytes) {}

    bool AtEnd() const { return m_pos >= m_reader.Size(); }
    std::size_t Position() const { return m_pos; }
    std::size_t Remaining() const { return m_reader.Size() - m_pos; }

    std::optional<std::uint8_t> Peek(std::size_t ahead = 0) const { return m_reader.U8(m_pos + ahead); }

    std::optional<std::span<const std::uint8_t>> Take(std::size_t count)
    {
        auto bytes = m_reader.Bytes(m_pos, count);
        if (bytes)
            m_pos += count;
        return bytes;
    }

    bool Skip(std::size_t count)
    {
        if (!m_reader.Has(m_pos, count))
            return false;
        m_pos += count;
        return true;
    }

private:
    ByteReader m_reader;
    std::size_t m_pos = 0;
};
