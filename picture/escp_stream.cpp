#include "escp_stream.h"

#include "escp_commands.h"

#include <algorithm>

namespace {

// The graphics command must begin within this many bytes to be recognised.
constexpr std::size_t kHeaderSearchLimit = 128;
// Rows that a line feed moves down: one 24-dot band.
constexpr std::uint64_t kLineFeedRows = 24;

void FeedRows(EscpWalkState& state, std::uint64_t rows)
{
    state.row += rows;
    state.column = 0;
}

// The commands that begin with ESC. False when the command is cut off.
bool RunEscape(ByteCursor& cursor, std::uint8_t graphicsLetter, EscpGraphics& graphics, EscpWalkState& state)
{
    const auto letter = cursor.Peek(1);
    if (!letter)
        return false;
    if (*letter == graphicsLetter) {
        cursor.Skip(2);
        return graphics.Run(cursor, state);
    }
    switch (*letter) {
    case escp::kPosition: {
        const auto command = cursor.Take(4);
        if (!command)
            return false;
        state.column = *ByteReader(*command).Le16(2);
        state.width = std::max(state.width, state.column);
        return true;
    }
    case escp::kFeed: {
        const auto command = cursor.Take(3);
        if (!command)
            return false;
        FeedRows(state, *ByteReader(*command).U8(2));
        return true;
    }
    case escp::kLineSpacing:
        return cursor.Skip(3);
    default:
        return cursor.Skip(2);
    }
}

bool RunCommand(ByteCursor& cursor, std::uint8_t graphicsLetter, EscpGraphics& graphics, EscpWalkState& state)
{
    const std::uint8_t command = *cursor.Peek();
    switch (command) {
    case escp::kLineFeed:
        cursor.Skip(1);
        FeedRows(state, kLineFeedRows);
        // Streams end their lines with either 0A or 0A 0D; both are one feed.
        if (cursor.Peek() == escp::kCarriageReturn)
            cursor.Skip(1);
        return true;
    case escp::kFormFeed:
        cursor.Skip(1);
        FeedRows(state, state.column != 0 ? kLineFeedRows : 0);
        return true;
    case escp::kCarriageReturn:
        cursor.Skip(1);
        state.column = 0;
        return true;
    case escp::kWhiteRows: {
        const auto whiteRows = cursor.Take(2);
        if (!whiteRows)
            return false;
        FeedRows(state, *ByteReader(*whiteRows).U8(1));
        return true;
    }
    case escp::kEsc:
        return RunEscape(cursor, graphicsLetter, graphics, state);
    case escp::kGs:
        return cursor.Skip(2);
    default:
        cursor.Skip(1);
        return true;
    }
}

}  // namespace

EscpWalkState WalkEscpStream(std::span<const std::uint8_t> stream, std::uint8_t graphicsLetter,
                             EscpGraphics& graphics)
{
    EscpWalkState state;
    ByteCursor cursor(stream);
    while (!cursor.AtEnd() && RunCommand(cursor, graphicsLetter, graphics, state)) {
    }
    return state;
}

std::optional<EscpPictureSize> MeasureEscpPicture(std::span<const std::uint8_t> stream, std::uint8_t graphicsLetter,
                                                  EscpGraphics& measure)
{
    const auto header = ByteReader(stream).FindPair(escp::kEsc, graphicsLetter, kHeaderSearchLimit);
    if (!header)
        return std::nullopt;
    const EscpWalkState walked = WalkEscpStream(stream, graphicsLetter, measure);
    return EscpPictureSize{static_cast<std::uint32_t>(*header), SaturatedDots(walked.width), SaturatedDots(walked.row)};
}
