#include "printer_process.h"

#include "spawn_process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

void PrinterProcess::MakeFolder()
{
    static int instance = 0;
    m_folder = std::filesystem::temp_directory_path() /
               ("vellumio-sim-" + std::to_string(::getpid()) + "-" + std::to_string(++instance));
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder);
}

std::unique_ptr<PrinterProcess> PrinterProcess::OverTcp(const std::string& listen, std::vector<std::string> options)
{
    return std::unique_ptr<PrinterProcess>(new PrinterProcess(Tcp{}, listen, std::move(options)));
}

// The program prints the address it listens on as its first line; it comes
// through a FIFO, so the wait ends with the line.
PrinterProcess::PrinterProcess(Tcp, const std::string& listen, std::vector<std::string> options)
{
    MakeFolder();
    const std::filesystem::path out = m_folder / "stdout";
    ::mkfifo(out.c_str(), 0600);
    std::vector<std::string> args{VIRTUAL_PRINTER_EXECUTABLE, "--tcp", listen, "--paper", PaperFolder().string()};
    args.insert(args.end(), options.begin(), options.end());
    // Open for reading first: the program's open for writing waits for a reader.
    m_fd = ::open(out.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    m_pid = SpawnProcess(args, {{STDOUT_FILENO, out.string()}});
    if (m_pid < 0)
        return;
    std::string line;
    char byte = 0;
    pollfd ready{m_fd, POLLIN, 0};
    while (m_fd >= 0 && ::poll(&ready, 1, 5000) > 0) {
        const ssize_t got = ::read(m_fd, &byte, 1);
        if (got < 0 && errno == EAGAIN)
            continue;
        if (got != 1 || byte == '\n')
            break;
        line += byte;
    }
    if (line.empty()) {
        m_error = "no address from " + args[0];
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_portName = "tcp://" + line;
}

PrinterProcess::PrinterProcess(const std::vector<std::string>& options)
{
    MakeFolder();
    m_portName = LinkPath().string();

    std::vector<std::string> args{VIRTUAL_PRINTER_EXECUTABLE, "--link", LinkPath().string(), "--paper",
                                  PaperFolder().string()};
    args.insert(args.end(), options.begin(), options.end());
    m_pid = SpawnProcess(args, {{STDOUT_FILENO, (m_folder / "stdout").string()}});

    // The link appears once the terminal is up.
    if (m_pid >= 0)
        WaitForPath(LinkPath(), std::chrono::seconds(5));
    m_fd = ::open(LinkPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios raw{};
    if (m_fd < 0 || ::tcgetattr(m_fd, &raw) != 0) {
        m_error = "no terminal at " + LinkPath().string() + " from " + args[0];
        return;
    }
    ::cfmakeraw(&raw);
    ::tcsetattr(m_fd, TCSANOW, &raw);
}

PrinterProcess::~PrinterProcess()
{
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

bool PrinterProcess::Send(const Bytes& bytes)
{
    return ::write(m_fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

PrinterProcess::Bytes PrinterProcess::Receive(std::size_t count, std::chrono::milliseconds timeout,
                                              std::size_t& reads)
{
    Bytes received(count);
    std::size_t filled = 0;
    while (filled < count) {
        pollfd ready{m_fd, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(timeout.count())) <= 0)
            break;
        const ssize_t n = ::read(m_fd, received.data() + filled, count - filled);
        if (n <= 0)
            break;
        filled += static_cast<std::size_t>(n);
        ++reads;
    }
    received.resize(filled);
    return received;
}

int PrinterProcess::Stop()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (m_pid < 0)
        return -1;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    WaitForProcessEnd(m_pid, std::chrono::seconds(5));
    const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
    if (done == 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    m_pid = -1;
    return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
