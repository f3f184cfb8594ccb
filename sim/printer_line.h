#pragma once

#include "line_pacer.h"
#include "paper_tray.h"
#include "reply_faults.h"
#include "virtual_printer.h"

#include <csignal>
#include <cstdint>
#include <optional>
#include <signal.h>
#include <vector>

struct LineOptions {
    std::uint32_t baud = 0;  // 0: as fast as the bytes come
    std::optional<std::uint64_t> hangupAfter;
    bool byteByByte = false;  // every reply byte written on its own, a little apart
    ReplyFaults faults;
};

enum class LineEnding {
    Stopped,  // asked to stop
    HungUp,   // the hang-up count was reached
    Failed,   // the line itself failed
};

// Serves the printer over one end of a line: takes the host's bytes at the
// line rate, feeds them to the printer, puts printed logos in the tray and
// sends the replies back at the line rate, shaped by the chosen faults.
class PrinterLine {
public:
    // `fd` is non-blocking; `paper` may be null to let prints fall away.
    PrinterLine(int fd, LineOptions options, VirtualPrinter& printer, PaperTray* paper);

    // Runs until `stop` is set (looked at whenever a signal interrupts the
    // wait, which happens only under `waitMask`), the hang-up count is
    // reached or the line fails.
    LineEnding Run(const volatile std::sig_atomic_t& stop, const sigset_t* waitMask);

private:
    using Clock = LinePacer::Clock;

    // False when the hang-up count is reached.
    bool Deliver();
    bool ReadPiece(Clock::time_point now);
    void StartPiece(Clock::time_point now);
    bool WritePiece(Clock::time_point now);

    int m_fd;
    LineOptions m_options;
    VirtualPrinter& m_printer;
    PaperTray* m_paper;
    LinePacer m_inPacer;
    LinePacer m_outPacer;

    std::vector<std::uint8_t> m_in;  // read, still crossing the line
    Clock::time_point m_inArrivedAt{};
    bool m_bInQueued = false;
    std::uint64_t m_nReceived = 0;

    std::vector<std::uint8_t> m_out;  // replies not yet written
    std::size_t m_nOutWritten = 0;
    std::size_t m_nOutCrossing = 0;  // bytes on their way, written once across
    Clock::time_point m_outArrivesAt{};
    Clock::time_point m_nextPieceAt{};
    bool m_bOutQueued = false;
    bool m_bWaitWritable = false;
};
