#include "fd_channel.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include "wake_event.h"

namespace {

using namespace std::chrono_literals;

// Some drivers (the parallel port's among them) report a descriptor ready that
// then has nothing to give or take; the channel rests this long before asking
// again rather than spin.
constexpr auto kIdleRetry = 10ms;
// The output queue has no readiness event; it is looked at this often.
constexpr auto kQueuePoll = 5ms;

int PollTimeoutMs(std::chrono::steady_clock::duration left)
{
    if (left <= std::chrono::steady_clock::duration::zero())
        return 0;
    // Rounded up, so a wait never ends just before its deadline.
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

bool IsTemporary(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

}  // namespace

FdChannel::FdChannel(std::shared_ptr<ITermiosApi> api, int fd, bool readable, bool socket)
    : m_api(std::move(api)), m_fd(fd), m_readable(readable), m_socket(socket)
{
}

FdChannel::~FdChannel() { Close(); }

void FdChannel::Close()
{
    if (m_fd < 0)
        return;
    m_api->Close(m_fd);
    m_fd = -1;
}

IoStatus FdChannel::WaitFor(short events, Clock::time_point deadline, const WakeEvent* interrupt)
{
    for (;;) {
        std::array<pollfd, 2> watch{pollfd{m_fd, events, 0}, pollfd{interrupt ? interrupt->Fd() : -1, POLLIN, 0}};
        const int ready = m_api->Poll(watch, PollTimeoutMs(deadline - Clock::now()));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return IoStatus::Failed;
        }
        if (watch[1].revents & POLLIN)
            return IoStatus::Interrupted;
        const short device = watch[0].revents;
        if (device & (POLLERR | POLLNVAL))
            return IoStatus::Failed;
        // A hung-up peer can take no more; what it sent before may still be read.
        if ((device & POLLHUP) && !(events & POLLIN))
            return IoStatus::Failed;
        if (device)
            return IoStatus::Ok;
        if (Clock::now() >= deadline)
            return IoStatus::TimedOut;
    }
}

IoStatus FdChannel::Sleep(std::chrono::milliseconds duration, const WakeEvent* interrupt)
{
    const auto deadline = Clock::now() + duration;
    for (;;) {
        std::array<pollfd, 1> watch{pollfd{interrupt ? interrupt->Fd() : -1, POLLIN, 0}};
        const int ready = m_api->Poll(watch, PollTimeoutMs(deadline - Clock::now()));
        if (ready > 0)
            return IoStatus::Interrupted;
        if (Clock::now() >= deadline)
            return IoStatus::Ok;
    }
}

IoStatus FdChannel::WaitForEmptyOutputQueue(std::chrono::milliseconds stallTimeout, const WakeEvent* interrupt)
{
    auto deadline = Clock::now() + stallTimeout;
    int last = -1;
    for (;;) {
        int queued = 0;
        if (m_api->OutputQueue(m_fd, queued) != 0 || queued <= 0)
            return IoStatus::Ok;
        if (queued != last) {
            last = queued;
            deadline = Clock::now() + stallTimeout;
        } else if (Clock::now() >= deadline) {
            return IoStatus::TimedOut;
        }
        if (Sleep(kQueuePoll, interrupt) == IoStatus::Interrupted)
            return IoStatus::Interrupted;
    }
}

IoResult FdChannel::Write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds stallTimeout,
                          const WakeEvent* interrupt)
{
    IoResult result;
    if (m_fd < 0)
        return {IoStatus::Failed, 0};
    auto deadline = Clock::now() + stallTimeout;
    while (result.count < bytes.size()) {
        const IoStatus ready = WaitFor(POLLOUT, deadline, interrupt);
        if (ready != IoStatus::Ok)
            return {ready, result.count};
        const auto rest = bytes.subspan(result.count);
        const ssize_t written = m_socket ? m_api->Send(m_fd, rest) : m_api->Write(m_fd, rest);
        if (written > 0) {
            result.count += static_cast<std::size_t>(written);
            deadline = Clock::now() + stallTimeout;
            continue;
        }
        if (written < 0 && !IsTemporary(errno))
            return {IoStatus::Failed, result.count};
        if (Clock::now() >= deadline)
            return {IoStatus::TimedOut, result.count};
        if (Sleep(kIdleRetry, interrupt) == IoStatus::Interrupted)
            return {IoStatus::Interrupted, result.count};
    }
    return result;
}

IoResult FdChannel::Read(std::span<std::uint8_t> bytes, std::chrono::milliseconds timeout, const WakeEvent* interrupt)
{
    if (!CanRead() || bytes.empty())
        return {IoStatus::Failed, 0};
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const IoStatus ready = WaitFor(POLLIN, deadline, interrupt);
        if (ready != IoStatus::Ok)
            return {ready, 0};
        const ssize_t got = m_api->Read(m_fd, bytes);
        if (got > 0)
            return {IoStatus::Ok, static_cast<std::size_t>(got)};
        if (got < 0 && !IsTemporary(errno))
            return {IoStatus::Failed, 0};
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero())
            return {IoStatus::TimedOut, 0};
        const auto rest = std::min<Clock::duration>(kIdleRetry, left);
        if (Sleep(std::chrono::ceil<std::chrono::milliseconds>(rest), interrupt) == IoStatus::Interrupted)
            return {IoStatus::Interrupted, 0};
    }
}

void FdChannel::DiscardPending()
{
    if (!CanRead())
        return;
    std::array<std::uint8_t, 4096> scratch{};
    // Bounded, so a device that never runs dry cannot hold the caller.
    for (int pass = 0; pass < 64 && m_api->Read(m_fd, scratch) > 0; ++pass) {
    }
}
