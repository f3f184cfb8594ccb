#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include <poll.h>
#include <sys/types.h>
#include <termios.h>

// The system calls that the serial and parallel back ends make, gathered so
// that tests can stand in for a serial device. Each call behaves as its POSIX
// namesake: -1 with errno set on failure.
class ITermiosApi {
public:
    virtual ~ITermiosApi() = default;

    virtual int Open(const std::string& path, int flags) = 0;
    virtual int Close(int fd) = 0;
    virtual ssize_t Read(int fd, std::span<std::uint8_t> bytes) = 0;
    virtual ssize_t Write(int fd, std::span<const std::uint8_t> bytes) = 0;
    // A write to a socket that fails with EPIPE, rather than end the process
    // by SIGPIPE, when the peer has gone.
    virtual ssize_t Send(int fd, std::span<const std::uint8_t> bytes) { return Write(fd, bytes); }
    virtual int Poll(std::span<pollfd> fds, int timeoutMs) = 0;

    virtual int GetAttributes(int fd, termios& attributes) = 0;
    virtual int SetAttributes(int fd, const termios& attributes) = 0;
    // TIOCMGET / TIOCMBIS: the modem line bits (TIOCM_DSR, TIOCM_DTR, ...).
    virtual int GetModemLines(int fd, int& lines) = 0;
    virtual int RaiseModemLines(int fd, int lines) = 0;
    // TIOCOUTQ (SIOCOUTQ for a socket): bytes still waiting in the driver's
    // output queue, or not yet acknowledged by the peer.
    virtual int OutputQueue(int fd, int& count) = 0;
    virtual int Drain(int fd) = 0;
    virtual int Flush(int fd, int queue) = 0;
};

// The running system's calls.
std::shared_ptr<ITermiosApi> SystemTermiosApi();
