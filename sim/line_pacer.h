#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

// One direction of a serial line: each byte takes 10 bit times (start, 8
// data, stop), one after another. Times come from a schedule kept in
// nanoseconds, so pieces carried back to back add up exactly instead of
// collecting the delays of whoever waits for them.
class LinePacer {
public:
    using Clock = std::chrono::steady_clock;

    // 0 baud means no line to wait for.
    explicit LinePacer(std::uint32_t baud);

    bool Paced() const { return m_nBaud != 0; }

    // When `count` bytes have crossed the line. `queued` bytes were waiting
    // behind those carried before and follow them without a gap; others
    // start when handed over at `now`, or when the line frees, if later.
    Clock::time_point Carry(std::size_t count, Clock::time_point now, bool queued);

    // How many bytes to handle at a time: about 2 ms of line time, so the
    // line never runs far ahead of the bytes really taken or given.
    std::size_t PieceSize() const;

private:
    std::uint32_t m_nBaud;
    Clock::time_point m_freeAt{};
};
