#pragma once

#include <chrono>
#include <memory>

#include "port_device.h"
#include "termios_api.h"

class WakeEvent;

// Poll-driven reads and writes on a non-blocking descriptor, shared by the
// serial and parallel back ends. Owns the descriptor.
class FdChannel {
public:
    // A socket is written with Send.
    FdChannel(std::shared_ptr<ITermiosApi> api, int fd, bool readable, bool socket = false);
    ~FdChannel();
    FdChannel(const FdChannel&) = delete;
    FdChannel& operator=(const FdChannel&) = delete;

    IoResult Write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds stallTimeout,
                   const WakeEvent* interrupt);
    IoResult Read(std::span<std::uint8_t> bytes, std::chrono::milliseconds timeout, const WakeEvent* interrupt);
    // Reads and drops what input is waiting, without waiting for more.
    void DiscardPending();
    // Waits until the driver's output queue is empty; the time-out bounds
    // each wait in which the queue does not shrink.
    IoStatus WaitForEmptyOutputQueue(std::chrono::milliseconds stallTimeout, const WakeEvent* interrupt);
    // Waits for the time-out unless the interrupt comes first.
    IoStatus Sleep(std::chrono::milliseconds duration, const WakeEvent* interrupt);

    bool CanRead() const { return m_readable && m_fd >= 0; }
    int Fd() const { return m_fd; }
    ITermiosApi& Api() const { return *m_api; }
    void Close();

private:
    using Clock = std::chrono::steady_clock;

    IoStatus WaitFor(short events, Clock::time_point deadline, const WakeEvent* interrupt);

    std::shared_ptr<ITermiosApi> m_api;
    int m_fd;
    bool m_readable;
    bool m_socket;
};
