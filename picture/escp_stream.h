#pragma once

#include "byte_reader.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <span>

// Where a walk through an ESC/P stream stands, in dots. Kept in 64 bits so
// that no stream, however long, can make them wrap.
struct EscpWalkState {
    // Where the next graphics go: set by ESC "$", moved on by graphics that
    // advance it, and back to 0 after every feed and carriage return.
    std::uint64_t column = 0;
    std::uint64_t row = 0;
    // The widest the picture has become so far.
    std::uint64_t width = 0;
};

// The graphics command is the one in which the stream formats differ.
class EscpGraphics {
public:
    virtual ~EscpGraphics() = default;

    // Called with the cursor just past ESC and the command's letter; reads
    // the rest of the command and moves the walk on. False when the command
    // runs past the end of the stream, which ends the walk.
    virtual bool Run(ByteCursor& cursor, EscpWalkState& state) = 0;
};

// Walks the whole stream from its first byte; every command other than ESC
// followed by graphicsLetter is handled here.
EscpWalkState WalkEscpStream(std::span<const std::uint8_t> stream, std::uint8_t graphicsLetter,
                             EscpGraphics& graphics);

// A walked size that does not fit 32 bits is reported as the largest value,
// which Decode refuses to allocate.
inline constexpr std::uint32_t kSaturatedDots = std::numeric_limits<std::uint32_t>::max();

inline std::uint32_t SaturatedDots(std::uint64_t dots)
{
    return dots < kSaturatedDots ? static_cast<std::uint32_t>(dots) : kSaturatedDots;
}

// What Parse learns of a stream picture: where its graphics command first
// stands, and the size the whole walk reaches.
struct EscpPictureSize {
    std::uint32_t headerOffset;
    std::uint32_t width;
    std::uint32_t height;
};

// Nothing when ESC and graphicsLetter do not begin within the stream's first
// 128 bytes: the stream is not of that format.
std::optional<EscpPictureSize> MeasureEscpPicture(std::span<const std::uint8_t> stream, std::uint8_t graphicsLetter,
                                                  EscpGraphics& measure);
