#pragma once

#include <cstdint>

// Transposes an 8 by 8 block of dots held as eight row bytes, row 0 in the
// most significant byte and the leftmost dot in each byte's most significant
// bit: afterwards byte i holds what was column i. Turns ESC/P dot columns into
// dot rows and back a block at a time instead of dot by dot.
constexpr std::uint64_t Transpose8x8(std::uint64_t block)
{
    std::uint64_t t = (block ^ (block >> 7)) & 0x00AA00AA00AA00AAull;
    block ^= t ^ (t << 7);
    t = (block ^ (block >> 14)) & 0x0000CCCC0000CCCCull;
    block ^= t ^ (t << 14);
    t = (block ^ (block >> 28)) & 0x00000000F0F0F0F0ull;
    block ^= t ^ (t << 28);
    return block;
}

// Byte i of a block, counted from the most significant.
constexpr std::uint8_t BlockByte(std::uint64_t block, unsigned i)
{
    return static_cast<std::uint8_t>(block >> (56 - 8 * i));
}

constexpr std::uint64_t WithBlockByte(std::uint64_t block, unsigned i, std::uint8_t value)
{
    return block | (static_cast<std::uint64_t>(value) << (56 - 8 * i));
}
