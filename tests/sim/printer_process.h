#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>
#include <sys/types.h>

// The virtual printer program, run for one test in a folder of its own and
// reached through the link it makes to its terminal, as a host would.
class PrinterProcess {
public:
    // Extra options go after --link and --paper. With `listen`, served on TCP
    // there ("HOST:0" takes a free port) instead of a terminal.
    explicit PrinterProcess(const std::vector<std::string>& options = {}, const std::string& listen = {});
    static std::unique_ptr<PrinterProcess> OverTcp(const std::string& listen, std::vector<std::string> options = {});
    ~PrinterProcess();
    PrinterProcess(const PrinterProcess&) = delete;
    PrinterProcess& operator=(const PrinterProcess&) = delete;

    // False when the program did not come up; the reason is in Error().
    bool Started() const { return !m_portName.empty(); }
    const std::string& Error() const { return m_error; }
    std::filesystem::path LinkPath() const { return m_folder / "printer"; }
    std::filesystem::path PaperFolder() const { return m_folder / "paper"; }
    // What --port names the printer by: the link, or tcp://HOST:PORT.
    std::string PortName() const { return m_portName; }

    // Asks the program to stop; its exit status, or -1 when it had to be killed.
    int Stop();

private:
    std::filesystem::path m_folder;
    std::string m_portName;
    pid_t m_pid = -1;
    int m_out = -1;  // the program's standard output
    std::string m_error;
};
