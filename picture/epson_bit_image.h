#pragma once

#include "escp_stream.h"

#include <cstdint>
#include <span>

// Reads the bit-image command ESC "*" of an EPSON GFX stream: measures it,
// and when given a dot buffer ORs its dots in.
class EpsonBitImageReader : public EscpGraphics {
public:
    EpsonBitImageReader() = default;
    // bits holds height rows of BytesPerRow(width) bytes; dots outside them
    // are dropped.
    EpsonBitImageReader(std::span<std::uint8_t> bits, std::uint32_t width, std::uint32_t height);

    bool Run(ByteCursor& cursor, EscpWalkState& state) override;

private:
    std::span<std::uint8_t> m_bits;
    std::size_t m_rowBytes = 0;
    std::uint64_t m_height = 0;
};
