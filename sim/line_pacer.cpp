#include "line_pacer.h"

#include <algorithm>

namespace {

constexpr std::uint64_t kBitsPerByte = 10;
constexpr std::uint64_t kNanosecondsPerSecond = 1'000'000'000;
constexpr std::uint64_t kPiecesPerSecond = 500;
// Unpaced, bytes are taken as fast as they come, in large pieces.
constexpr std::size_t kUnpacedPiece = 64 * 1024;

}  // namespace

LinePacer::LinePacer(std::uint32_t baud) : m_nBaud(baud) {}

LinePacer::Clock::time_point LinePacer::Carry(std::size_t count, Clock::time_point now, bool queued)
{
    if (!Paced())
        return now;
    const Clock::time_point start = queued ? m_freeAt : std::max(m_freeAt, now);
    const std::uint64_t nanoseconds = count * kBitsPerByte * kNanosecondsPerSecond / m_nBaud;
    m_freeAt = start + std::chrono::nanoseconds(nanoseconds);
    return m_freeAt;
}

std::size_t LinePacer::PieceSize() const
{
    if (!Paced())
        return kUnpacedPiece;
    return std::max<std::size_t>(1, m_nBaud / kBitsPerByte / kPiecesPerSecond);
}
