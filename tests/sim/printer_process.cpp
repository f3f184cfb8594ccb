#include "printer_process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int Remaining(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// The first line the program prints, which it prints once its terminal is up.
std::string ReadFirstLine(int fd, std::chrono::milliseconds timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    std::string line;
    char c = 0;
    while (line.empty() || line.back() != '\n') {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, Remaining(deadline)) <= 0 || ::read(fd, &c, 1) != 1)
            return {};
        line.push_back(c);
    }
    line.pop_back();
    return line;
}

}  // namespace

PrinterProcess::PrinterProcess(const std::vector<std::string>& options)
{
    static int instance = 0;
    m_folder = std::filesystem::temp_directory_path() /
               ("vellumio-sim-" + std::to_string(::getpid()) + "-" + std::to_string(++instance));
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder);

    std::vector<std::string> args{VIRTUAL_PRINTER_EXECUTABLE, "--link", LinkPath().string(), "--paper",
                                  PaperFolder().string()};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        m_error = "pipe";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    const int spawned = ::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        m_pid = -1;
        ::close(out[0]);
        m_error = "cannot start " + args[0];
        return;
    }
    const std::string slave = ReadFirstLine(out[0], std::chrono::milliseconds(5000));
    ::close(out[0]);
    if (slave.empty()) {
        m_error = "the program announced no terminal";
        return;
    }

    m_fd = ::open(LinkPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios raw{};
    if (m_fd < 0 || ::tcgetattr(m_fd, &raw) != 0) {
        m_error = "cannot open " + LinkPath().string();
        return;
    }
    ::cfmakeraw(&raw);
    ::tcsetattr(m_fd, TCSANOW, &raw);
}

PrinterProcess::~PrinterProcess()
{
    Stop();
    std::filesystem::remove_all(m_folder);
}

void PrinterProcess::Send(const Bytes& bytes)
{
    std::size_t done = 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
    while (done < bytes.size() && Clock::now() < deadline) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            m_bHungUp = true;
            return;
        }
        pollfd ready{m_fd, POLLOUT, 0};
        ::poll(&ready, 1, Remaining(deadline));
    }
}

PrinterProcess::Bytes PrinterProcess::Receive(std::size_t count, std::chrono::milliseconds timeout,
                                              std::size_t* reads)
{
    Bytes received;
    const Clock::time_point deadline = Clock::now() + timeout;
    std::uint8_t piece[4096];
    while (received.size() < count && !m_bHungUp) {
        pollfd ready{m_fd, POLLIN, 0};
        if (::poll(&ready, 1, Remaining(deadline)) <= 0)
            break;
        const ssize_t n = ::read(m_fd, piece, std::min(sizeof piece, count - received.size()));
        if (n > 0) {
            received.insert(received.end(), piece, piece + n);
            if (reads != nullptr)
                ++*reads;
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            m_bHungUp = true;
        }
    }
    return received;
}

PrinterProcess::Bytes PrinterProcess::Exchange(const Bytes& command, std::size_t count,
                                               std::chrono::milliseconds timeout)
{
    Send(command);
    return Receive(count, timeout);
}

int PrinterProcess::WaitForExit(std::chrono::milliseconds timeout)
{
    if (m_pid < 0)
        return -1;
    const Clock::time_point deadline = Clock::now() + timeout;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (done < 0 || Clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int PrinterProcess::Stop()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_pid < 0)
        return -1;
    ::kill(m_pid, SIGTERM);
    const int status = WaitForExit(std::chrono::milliseconds(5000));
    if (m_pid >= 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    return status;
}
