#include "printer_line.h"

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <poll.h>
#include <span>
#include <unistd.h>

namespace {

// Long enough for a host reading as fast as it can to get one byte per read.
constexpr std::chrono::microseconds kByteByByteGap{1000};

timespec Until(LinePacer::Clock::time_point deadline)
{
    const auto left = std::max(deadline - LinePacer::Clock::now(), LinePacer::Clock::duration::zero());
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds);
    return {static_cast<time_t>(seconds.count()), static_cast<long>(nanoseconds.count())};
}

}  // namespace

PrinterLine::PrinterLine(int fd, LineOptions options, VirtualPrinter& printer, PaperTray* paper)
    : m_fd(fd),
      m_options(options),
      m_printer(printer),
      m_paper(paper),
      m_inPacer(options.baud),
      m_outPacer(options.baud)
{
}

LineEnding PrinterLine::Run(const volatile std::sig_atomic_t& stop, const sigset_t* waitMask)
{
    for (;;) {
        if (stop != 0)
            return LineEnding::Stopped;
        const Clock::time_point now = Clock::now();

        if (!m_in.empty() && now >= m_inArrivedAt) {
            if (!Deliver())
                return LineEnding::HungUp;
            // Bytes found waiting right now queued up behind this piece.
            m_bInQueued = true;
        }
        if (m_in.empty()) {
            if (!ReadPiece(now))
                return LineEnding::Failed;
            if (!m_in.empty())
                continue;
        }
        if (m_nOutCrossing == 0 && m_nOutWritten < m_out.size() && now >= m_nextPieceAt)
            StartPiece(now);
        if (m_nOutCrossing != 0 && now >= m_outArrivesAt && !m_bWaitWritable) {
            if (!WritePiece(now))
                return LineEnding::Failed;
            continue;
        }

        std::optional<Clock::time_point> deadline;
        if (!m_in.empty())
            deadline = m_inArrivedAt;
        if (!m_bWaitWritable && m_nOutWritten < m_out.size()) {
            const Clock::time_point outputDue = m_nOutCrossing != 0 ? m_outArrivesAt : m_nextPieceAt;
            deadline = deadline ? std::min(*deadline, outputDue) : outputDue;
        }
        pollfd line{m_fd, 0, 0};
        if (m_in.empty())
            line.events |= POLLIN;
        if (m_bWaitWritable)
            line.events |= POLLOUT;
        const timespec timeout = deadline ? Until(*deadline) : timespec{};
        const int ready = ::ppoll(&line, 1, deadline ? &timeout : nullptr, waitMask);
        if (ready < 0 && errno != EINTR)
            return LineEnding::Failed;
        if (ready > 0 && (line.revents & (POLLERR | POLLNVAL)) != 0)
            return LineEnding::Failed;
        if (ready > 0 && (line.revents & POLLOUT) != 0)
            m_bWaitWritable = false;
    }
}

bool PrinterLine::ReadPiece(Clock::time_point now)
{
    std::vector<std::uint8_t> piece(m_inPacer.PieceSize());
    const ssize_t count = ::read(m_fd, piece.data(), piece.size());
    if (count > 0) {
        piece.resize(static_cast<std::size_t>(count));
        m_in = std::move(piece);
        m_inArrivedAt = m_inPacer.Carry(m_in.size(), now, m_bInQueued);
        return true;
    }
    m_bInQueued = false;
    return count < 0 && (errno == EAGAIN || errno == EINTR);
}

bool PrinterLine::Deliver()
{
    std::span<const std::uint8_t> bytes(m_in);
    bool hangUp = false;
    if (m_options.hangupAfter) {
        const std::uint64_t allowed = *m_options.hangupAfter - m_nReceived;
        if (bytes.size() >= allowed) {
            bytes = bytes.first(static_cast<std::size_t>(allowed));
            hangUp = true;
        }
    }
    m_nReceived += bytes.size();
    const std::vector<PrinterAnswer> replies = m_printer.Feed(bytes);
    m_in.clear();

    for (const PrintedLogo& logo : m_printer.TakePrinted()) {
        if (m_paper == nullptr)
            continue;
        const auto path = m_paper->Print(logo);
        if (path)
            std::cerr << "printed " << path->string() << '\n';
        else
            std::cerr << "could not write the printed logo of slot " << int{logo.slot} << '\n';
    }
    if (hangUp)
        return false;

    m_out.erase(m_out.begin(), m_out.begin() + static_cast<std::ptrdiff_t>(m_nOutWritten));
    m_nOutWritten = 0;
    for (const PrinterAnswer& reply : replies) {
        const std::vector<std::uint8_t> bytesOut = ApplyFaults(reply, m_options.faults);
        m_out.insert(m_out.end(), bytesOut.begin(), bytesOut.end());
    }
    return true;
}

void PrinterLine::StartPiece(Clock::time_point now)
{
    const std::size_t left = m_out.size() - m_nOutWritten;
    m_nOutCrossing = m_options.byteByByte ? 1 : std::min(left, m_outPacer.PieceSize());
    m_outArrivesAt = m_outPacer.Carry(m_nOutCrossing, now, m_bOutQueued);
}

bool PrinterLine::WritePiece(Clock::time_point now)
{
    const auto piece = std::span(m_out).subspan(m_nOutWritten, m_nOutCrossing);
    const ssize_t count = ::write(m_fd, piece.data(), piece.size());
    if (count < 0) {
        if (errno != EAGAIN && errno != EINTR)
            return false;
        m_bWaitWritable = errno == EAGAIN;
        return true;
    }
    m_nOutWritten += static_cast<std::size_t>(count);
    m_nOutCrossing -= static_cast<std::size_t>(count);
    if (m_nOutCrossing != 0)
        return true;
    // A byte-by-byte line pauses between bytes, so nothing follows on at once.
    m_bOutQueued = !m_options.byteByByte && m_nOutWritten < m_out.size();
    m_nextPieceAt = m_options.byteByByte ? now + kByteByByteGap : now;
    return true;
}
