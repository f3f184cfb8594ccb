#pragma once

#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/ioctl.h>

#include "termios_api.h"

// Stands in for one serial device at the system-call boundary: always ready
// to take bytes, never has any to give, with modem lines the test sets.
// Descriptors other than the device's (the component's wake-up events) are
// polled for real, so waits still end when they should.
class FakeTermiosApi final : public ITermiosApi {
public:
    static constexpr int kDeviceFd = 1000;

    void SetModemLines(int lines)
    {
        std::lock_guard lock(m_mutex);
        m_modemLines = lines;
    }
    void RemoveModemLines()
    {
        std::lock_guard lock(m_mutex);
        m_hasModemLines = false;
    }
    termios Attributes() const
    {
        std::lock_guard lock(m_mutex);
        return m_attributes;
    }
    int RaisedLines() const
    {
        std::lock_guard lock(m_mutex);
        return m_raisedLines;
    }
    std::vector<std::uint8_t> Written() const
    {
        std::lock_guard lock(m_mutex);
        return m_written;
    }
    std::string OpenedPath() const
    {
        std::lock_guard lock(m_mutex);
        return m_openedPath;
    }

    int Open(const std::string& path, int) override
    {
        std::lock_guard lock(m_mutex);
        m_openedPath = path;
        return kDeviceFd;
    }
    int Close(int) override { return 0; }
    ssize_t Read(int, std::span<std::uint8_t>) override
    {
        errno = EAGAIN;
        return -1;
    }
    ssize_t Write(int, std::span<const std::uint8_t> bytes) override
    {
        std::lock_guard lock(m_mutex);
        m_written.insert(m_written.end(), bytes.begin(), bytes.end());
        return static_cast<ssize_t>(bytes.size());
    }
    int Poll(std::span<pollfd> fds, int timeoutMs) override
    {
        int ready = 0;
        std::vector<pollfd> others;
        for (auto& entry : fds) {
            if (entry.fd != kDeviceFd) {
                others.push_back(entry);
                continue;
            }
            entry.revents = static_cast<short>(entry.events & POLLOUT);
            ready += entry.revents ? 1 : 0;
        }
        const int more = ::poll(others.data(), others.size(), ready ? 0 : timeoutMs);
        std::size_t next = 0;
        for (auto& entry : fds)
            if (entry.fd != kDeviceFd)
                entry.revents = others[next++].revents;
        return ready + std::max(more, 0);
    }

    int GetAttributes(int, termios& attributes) override
    {
        std::lock_guard lock(m_mutex);
        attributes = m_attributes;
        return 0;
    }
    int SetAttributes(int, const termios& attributes) override
    {
        std::lock_guard lock(m_mutex);
        m_attributes = attributes;
        return 0;
    }
    int GetModemLines(int, int& lines) override
    {
        std::lock_guard lock(m_mutex);
        if (!m_hasModemLines) {
            errno = ENOTTY;
            return -1;
        }
        lines = m_modemLines;
        return 0;
    }
    int RaiseModemLines(int, int lines) override
    {
        std::lock_guard lock(m_mutex);
        m_raisedLines |= lines;
        return 0;
    }
    int OutputQueue(int, int& count) override
    {
        count = 0;
        return 0;
    }
    int Drain(int) override { return 0; }
    int Flush(int, int) override { return 0; }

private:
    mutable std::mutex m_mutex;
    termios m_attributes{};
    bool m_hasModemLines = true;
    int m_modemLines = 0;
    int m_raisedLines = 0;
    std::vector<std::uint8_t> m_written;
    std::string m_openedPath;
};
