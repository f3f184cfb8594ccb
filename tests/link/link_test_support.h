#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include "communication_component.h"

// No two neighbouring blocks alike, so a lost or repeated block shows.
inline std::vector<std::uint8_t> Pattern(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

// What the component has raised so far.
struct Recorded {
    std::vector<std::uint8_t> data;
    std::vector<std::int32_t> progress;
    int failures = 0;

    // A download's last event: Progress(100) or TransferFailed.
    bool Ended() const { return failures > 0 || (!progress.empty() && progress.back() == 100); }
};

// A download's progress rose step by step to a single 100, and nothing failed.
inline void ExpectRisingToOneHundred(const Recorded& got)
{
    EXPECT_EQ(got.failures, 0);
    ASSERT_GE(got.progress.size(), 2u);
    EXPECT_GT(got.progress.front(), 0);
    EXPECT_EQ(std::adjacent_find(got.progress.begin(), got.progress.end(), std::greater_equal<>()),
              got.progress.end());
    EXPECT_EQ(got.progress.back(), 100);
}

// Collects the component's events from whatever thread raises them.
//
// A raise touches the recorder only under its lock: once a waiter has seen an
// event, the recorder may go away although that raise has not yet returned
// (the component does not wait for it). The hook is set under the same lock,
// so a reader thread that is already running sees it in order.
class EventRecorder final : public ICommunicationEvents {
public:
    void DataReceived(std::span<const std::uint8_t> data) override
    {
        Note([&](Recorded& got) { got.data.insert(got.data.end(), data.begin(), data.end()); });
    }
    void Progress(std::int32_t percent) override { Note([&](Recorded& got) { got.progress.push_back(percent); }); }
    void TransferFailed() override { Note([](Recorded& got) { ++got.failures; }); }

    // Run on the raising thread after each event is noted, with what has come
    // so far, as a user interface's handlers run; it may call back into the
    // component.
    void OnEvent(std::function<void(const Recorded& got)> hook)
    {
        std::lock_guard lock(m_mutex);
        m_hook = std::move(hook);
    }

    // What has come once `done` holds, or at the time-out.
    template <class Done>
    Recorded WaitFor(std::chrono::milliseconds timeout, Done done) const
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, timeout, [&] { return std::invoke(done, m_recorded); });
        return m_recorded;
    }
    Recorded WaitForData(std::size_t count, std::chrono::milliseconds timeout) const
    {
        return WaitFor(timeout, [count](const Recorded& got) { return got.data.size() >= count; });
    }
    Recorded Now() const { return WaitFor({}, [](const Recorded&) { return true; }); }

private:
    template <class Change>
    void Note(Change change)
    {
        std::function<void(const Recorded&)> hook;
        Recorded now;
        {
            std::lock_guard lock(m_mutex);
            change(m_recorded);
            m_changed.notify_all();
            hook = m_hook;
            if (hook)
                now = m_recorded;
        }
        if (hook)
            hook(now);
    }

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    Recorded m_recorded;
    std::function<void(const Recorded&)> m_hook;
};

// The printer's end of a pseudo-terminal: the component opens the slave
// path, the test reads and writes on the master.
class PtyPeer {
public:
    PtyPeer() : m_master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
        if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0)
            if (const char* name = ::ptsname(m_master))
                m_slavePath = name;
    }
    ~PtyPeer()
    {
        if (m_master >= 0)
            ::close(m_master);
    }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool Ready() const { return !m_slavePath.empty(); }
    const std::string& SlavePath() const { return m_slavePath; }

    // Up to `count` bytes, or what came before nothing more came for `quiet`.
    std::vector<std::uint8_t> Read(std::size_t count, std::chrono::milliseconds quiet = std::chrono::seconds(2))
    {
        std::vector<std::uint8_t> got(count);
        std::size_t done = 0;
        pollfd watch{m_master, POLLIN, 0};
        while (done < count && ::poll(&watch, 1, static_cast<int>(quiet.count())) > 0) {
            const ssize_t n = ::read(m_master, got.data() + done, count - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        got.resize(done);
        return got;
    }
    void Write(const std::vector<std::uint8_t>& bytes)
    {
        ASSERT_EQ(::write(m_master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

private:
    int m_master;
    std::string m_slavePath;
};

// The component on a pseudo-terminal with the default DTR/DSR handshake,
// which a line without modem lines must not wait for. The component goes
// first, so no event reaches a recorder that is gone.
class PtyLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_peer.Ready());
        m_comm->SetTimeouts(2000, 1000);
        m_comm->Open(m_peer.SlavePath());
        ASSERT_TRUE(m_comm->IsOpen());
        m_comm->Advise(&m_events);
    }

    PtyPeer m_peer;
    EventRecorder m_events;
    std::unique_ptr<ICommunication> m_comm = MakeCommunicationComponent();
};
