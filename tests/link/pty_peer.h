#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

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
    ~PtyPeer() { HangUp(); }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool Ready() const { return !m_slavePath.empty(); }
    const std::string& SlavePath() const { return m_slavePath; }

    // What the component wrote, up to `count` bytes or until nothing has come
    // for `quiet`.
    std::vector<std::uint8_t> Read(std::size_t count, std::chrono::milliseconds quiet = std::chrono::milliseconds(2000))
    {
        std::vector<std::uint8_t> got;
        std::vector<std::uint8_t> buffer(4096);
        while (got.size() < count) {
            pollfd watch{m_master, POLLIN, 0};
            if (::poll(&watch, 1, static_cast<int>(quiet.count())) <= 0)
                break;
            const auto want = std::min(buffer.size(), count - got.size());
            const ssize_t n = ::read(m_master, buffer.data(), want);
            if (n <= 0)
                break;
            got.insert(got.end(), buffer.begin(), buffer.begin() + n);
        }
        return got;
    }

    void Write(const std::vector<std::uint8_t>& bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                return;
            done += static_cast<std::size_t>(n);
        }
    }

    void HangUp()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master;
    std::string m_slavePath;
};
