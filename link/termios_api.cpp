#include "termios_api.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

class SystemApi final : public ITermiosApi {
public:
    int Open(const std::string& path, int flags) override { return ::open(path.c_str(), flags); }
    int Close(int fd) override { return ::close(fd); }
    ssize_t Read(int fd, std::span<std::uint8_t> bytes) override { return ::read(fd, bytes.data(), bytes.size()); }
    ssize_t Write(int fd, std::span<const std::uint8_t> bytes) override
    {
        return ::write(fd, bytes.data(), bytes.size());
    }
    ssize_t Send(int fd, std::span<const std::uint8_t> bytes) override
    {
        return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
    int Poll(std::span<pollfd> fds, int timeoutMs) override { return ::poll(fds.data(), fds.size(), timeoutMs); }

    int GetAttributes(int fd, termios& attributes) override { return ::tcgetattr(fd, &attributes); }
    int SetAttributes(int fd, const termios& attributes) override { return ::tcsetattr(fd, TCSANOW, &attributes); }
    int GetModemLines(int fd, int& lines) override { return ::ioctl(fd, TIOCMGET, &lines); }
    int RaiseModemLines(int fd, int lines) override { return ::ioctl(fd, TIOCMBIS, &lines); }
    int OutputQueue(int fd, int& count) override { return ::ioctl(fd, TIOCOUTQ, &count); }
    int Drain(int fd) override { return ::tcdrain(fd); }
    int Flush(int fd, int queue) override { return ::tcflush(fd, queue); }
};

}  // namespace

std::shared_ptr<ITermiosApi> SystemTermiosApi()
{
    static const auto api = std::make_shared<SystemApi>();
    return api;
}
