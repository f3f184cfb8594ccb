#include "wake_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

// Without a descriptor (none left to the process) poll() skips the entry:
// waits then run to their time-outs instead of ending early.
WakeEvent::WakeEvent() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeEvent::~WakeEvent()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void WakeEvent::Set()
{
    const std::uint64_t one = 1;
    // A full counter already reads as set, so a failed write loses nothing.
    [[maybe_unused]] const auto written = ::write(m_fd, &one, sizeof one);
}

void WakeEvent::Clear()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read(m_fd, &count, sizeof count);
}

bool WakeEvent::IsSet() const { return WaitFor(std::chrono::milliseconds::zero()); }

bool WakeEvent::WaitFor(std::chrono::milliseconds duration) const
{
    pollfd watch{m_fd, POLLIN, 0};
    return ::poll(&watch, 1, static_cast<int>(duration.count())) > 0;
}
