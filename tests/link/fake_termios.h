#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include <sys/ioctl.h>

#include "termios_api.h"

// A serial device with modem lines, made of a pseudo-terminal, which has
// none: the data path is the terminal's, the modem lines are the test's and
// the line settings are recorded on their way to the terminal.
class FakeTermiosApi final : public ITermiosApi {
public:
    void SetModemLines(int lines) { Locked([&] { m_modemLines = lines; }); }
    termios Attributes() const { return Locked([&] { return m_attributes; }); }
    int RaisedLines() const { return Locked([&] { return m_raisedLines; }); }
    // Waits until the modem lines have been asked for `count` times in all.
    bool WaitForModemLineQueries(int count) const
    {
        std::unique_lock lock(m_mutex);
        return m_asked.wait_for(lock, std::chrono::seconds(5), [&] { return m_queries >= count; });
    }

    int Open(const std::string& path, int flags) override { return m_system->Open(path, flags); }
    int Close(int fd) override { return m_system->Close(fd); }
    ssize_t Read(int fd, std::span<std::uint8_t> bytes) override { return m_system->Read(fd, bytes); }
    ssize_t Write(int fd, std::span<const std::uint8_t> bytes) override { return m_system->Write(fd, bytes); }
    int Poll(std::span<pollfd> fds, int timeoutMs) override { return m_system->Poll(fds, timeoutMs); }
    int GetAttributes(int fd, termios& attributes) override { return m_system->GetAttributes(fd, attributes); }
    int SetAttributes(int fd, const termios& attributes) override
    {
        Locked([&] { m_attributes = attributes; });
        return m_system->SetAttributes(fd, attributes);
    }
    int GetModemLines(int, int& lines) override
    {
        lines = Locked([&] {
            ++m_queries;
            m_asked.notify_all();
            return m_modemLines;
        });
        return 0;
    }
    int RaiseModemLines(int, int lines) override
    {
        Locked([&] { m_raisedLines |= lines; });
        return 0;
    }
    int OutputQueue(int fd, int& count) override { return m_system->OutputQueue(fd, count); }
    int Drain(int fd) override { return m_system->Drain(fd); }
    int Flush(int fd, int queue) override { return m_system->Flush(fd, queue); }

private:
    template <class Call>
    auto Locked(Call call) const -> decltype(call())
    {
        std::lock_guard lock(m_mutex);
        return call();
    }

    const std::shared_ptr<ITermiosApi> m_system = SystemTermiosApi();
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_asked;
    int m_queries = 0;
    termios m_attributes{};
    int m_modemLines = 0;
    int m_raisedLines = 0;
};
