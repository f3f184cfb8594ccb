#include "printer_process.h"

#include "spawn_process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

std::unique_ptr<PrinterProcess> PrinterProcess::OverTcp(const std::string& listen, std::vector<std::string> options)
{
    return std::make_unique<PrinterProcess>(options, listen);
}

// The program's first line names its terminal, once the link is in place, or
// the address it listens on. It comes through a FIFO, so the wait ends with it.
PrinterProcess::PrinterProcess(const std::vector<std::string>& options, const std::string& listen)
{
    static int instance = 0;
    m_folder = std::filesystem::temp_directory_path() /
               ("vellumio-sim-" + std::to_string(::getpid()) + "-" + std::to_string(++instance));
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder);
    const std::filesystem::path out = m_folder / "stdout";
    ::mkfifo(out.c_str(), 0600);

    std::vector<std::string> args{VIRTUAL_PRINTER_EXECUTABLE, "--paper", PaperFolder().string()};
    if (listen.empty())
        args.insert(args.end(), {"--link", LinkPath().string()});
    else
        args.insert(args.end(), {"--tcp", listen});
    args.insert(args.end(), options.begin(), options.end());
    // Open for reading first: the program's open for writing waits for a reader.
    m_out = ::open(out.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    m_pid = SpawnProcess(args, {{STDOUT_FILENO, out.string()}});
    std::string line;
    char byte = 0;
    pollfd ready{m_out, POLLIN, 0};
    while (m_pid >= 0 && ::poll(&ready, 1, 5000) > 0) {
        const ssize_t got = ::read(m_out, &byte, 1);
        if (got < 0 && errno == EAGAIN)
            continue;
        if (got != 1 || byte == '\n')
            break;
        line += byte;
    }
    if (line.empty())
        m_error = "nothing from " + args[0];
    else
        m_portName = listen.empty() ? LinkPath().string() : "tcp://" + line;
}

PrinterProcess::~PrinterProcess()
{
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

int PrinterProcess::Stop()
{
    if (m_out >= 0)
        ::close(m_out);
    m_out = -1;
    if (m_pid < 0)
        return -1;
    ::kill(m_pid, SIGTERM);
    if (!WaitForProcessEnd(m_pid, std::chrono::seconds(5)))
        ::kill(m_pid, SIGKILL);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
