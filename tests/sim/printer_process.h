#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>
#include <sys/types.h>

// The virtual printer program, run for one test in a folder of its own and
// reached through the link it makes to its terminal, as a host would.
class PrinterProcess {
public:
    using Bytes = std::vector<std::uint8_t>;

    // Extra options go after --link and --paper.
    explicit PrinterProcess(const std::vector<std::string>& options = {});
    ~PrinterProcess();
    PrinterProcess(const PrinterProcess&) = delete;
    PrinterProcess& operator=(const PrinterProcess&) = delete;

    // False when the program did not come up; the reason is in Error().
    bool Started() const { return m_fd >= 0; }
    const std::string& Error() const { return m_error; }

    std::filesystem::path LinkPath() const { return m_folder / "printer"; }
    std::filesystem::path PaperFolder() const { return m_folder / "paper"; }

    void Send(const Bytes& bytes);
    // Whatever came within the time, up to `count` bytes; `reads` counts the
    // pieces it came in.
    Bytes Receive(std::size_t count, std::chrono::milliseconds timeout, std::size_t* reads = nullptr);
    Bytes Exchange(const Bytes& command, std::size_t count,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));
    // True once the other end has closed the terminal.
    bool HungUp() const { return m_bHungUp; }

    // Asks the program to stop; its exit status, or -1 when it had to be killed.
    int Stop();
    // Waits for the program to end by itself; its exit status, or -1.
    int WaitForExit(std::chrono::milliseconds timeout);

private:
    std::filesystem::path m_folder;
    pid_t m_pid = -1;
    int m_fd = -1;
    bool m_bHungUp = false;
    std::string m_error;
};
