#pragma once

#include <csignal>
#include <memory>
#include <signal.h>
#include <string>

// A listening TCP socket that hands out its clients one at a time, the way
// a networked printer takes one job connection after another.
class TcpListener {
public:
    // `address` is "[HOST:]PORT" (an IPv6 host in brackets; no host: every
    // address). Port 0 takes a free one. Null with a reason on failure.
    static std::unique_ptr<TcpListener> Listen(const std::string& address, std::string& error);

    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // "HOST:PORT" as bound, the port filled in.
    const std::string& Address() const { return m_address; }
    // The next client, non-blocking; -1 once `stop` is set (looked at when a
    // signal interrupts the wait, which happens only under `waitMask`).
    int Accept(const volatile std::sig_atomic_t& stop, const sigset_t* waitMask);

private:
    TcpListener(int fd, std::string address) : m_fd(fd), m_address(std::move(address)) {}

    int m_fd;
    std::string m_address;
};
