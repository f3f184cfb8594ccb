#include "serial_line.h"

#include <fcntl.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>

namespace {

using namespace std::chrono_literals;

// DSR is checked before each block of this size, so a printer that drops DSR
// when its buffer fills holds the writer back within one block.
constexpr std::size_t kDsrBlock = 256;
constexpr auto kDsrPoll = 5ms;

}  // namespace

std::unique_ptr<SerialLine> SerialLine::Open(std::shared_ptr<ITermiosApi> api, const std::string& path,
                                             const LineSettings& line)
{
    // Non-blocking, so that neither the open nor a write waits on carrier or
    // handshake lines without a time-out.
    const int fd = api->Open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::unique_ptr<SerialLine> serial(new SerialLine(api, fd, line));
    termios attributes{};
    if (api->GetAttributes(fd, attributes) != 0 || !ApplyLineSettings(attributes, line) ||
        api->SetAttributes(fd, attributes) != 0)
        return nullptr;
    if (WritesWaitForDsr(line))
        api->RaiseModemLines(fd, TIOCM_DTR);
    api->Flush(fd, TCIOFLUSH);
    return serial;
}

SerialLine::SerialLine(std::shared_ptr<ITermiosApi> api, int fd, const LineSettings& line)
    : m_channel(std::move(api), fd, true), m_line(line)
{
}

IoStatus SerialLine::WaitForDsr(std::chrono::milliseconds timeout, const WakeEvent* interrupt)
{
    if (!WritesWaitForDsr(m_line))
        return IoStatus::Ok;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int lines = 0;
        // A device without modem lines (a pseudo-terminal, some adapters)
        // has no DSR to wait for.
        if (m_channel.Api().GetModemLines(m_channel.Fd(), lines) != 0 || (lines & TIOCM_DSR))
            return IoStatus::Ok;
        if (std::chrono::steady_clock::now() >= deadline)
            return IoStatus::TimedOut;
        if (m_channel.Sleep(kDsrPoll, interrupt) == IoStatus::Interrupted)
            return IoStatus::Interrupted;
    }
}

IoResult SerialLine::Write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds stallTimeout,
                           const WakeEvent* interrupt)
{
    IoResult result;
    while (result.count < bytes.size()) {
        const IoStatus dsr = WaitForDsr(stallTimeout, interrupt);
        if (dsr != IoStatus::Ok)
            return {dsr, result.count};
        const auto block = bytes.subspan(result.count, std::min(kDsrBlock, bytes.size() - result.count));
        const IoResult written = m_channel.Write(block, stallTimeout, interrupt);
        result.count += written.count;
        if (written.status != IoStatus::Ok)
            return {written.status, result.count};
    }
    return result;
}

IoResult SerialLine::Read(std::span<std::uint8_t> bytes, std::chrono::milliseconds timeout,
                          const WakeEvent* interrupt)
{
    return m_channel.Read(bytes, timeout, interrupt);
}

IoStatus SerialLine::Drain(std::chrono::milliseconds stallTimeout, const WakeEvent* interrupt)
{
    // tcdrain cannot be interrupted or timed, so wait on the driver's queue
    // first and leave tcdrain only the transmitter's last few bytes.
    if (const IoStatus queue = m_channel.WaitForEmptyOutputQueue(stallTimeout, interrupt); queue != IoStatus::Ok)
        return queue;
    for (;;) {
        if (m_channel.Api().Drain(m_channel.Fd()) == 0)
            return IoStatus::Ok;
        if (errno != EINTR)
            return IoStatus::Failed;
    }
}

void SerialLine::DiscardInput() { m_channel.Api().Flush(m_channel.Fd(), TCIFLUSH); }
