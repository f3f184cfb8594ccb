#include "tcp_listener.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// One connection is served; one more may wait for it.
constexpr int kBacklog = 1;

std::string BoundAddress(int fd)
{
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    char host[INET6_ADDRSTRLEN] = {};
    if (bound.ss_family == AF_INET6) {
        const auto& ipv6 = reinterpret_cast<const sockaddr_in6&>(bound);
        ::inet_ntop(AF_INET6, &ipv6.sin6_addr, host, sizeof host);
        return "[" + std::string(host) + "]:" + std::to_string(ntohs(ipv6.sin6_port));
    }
    const auto& ipv4 = reinterpret_cast<const sockaddr_in&>(bound);
    ::inet_ntop(AF_INET, &ipv4.sin_addr, host, sizeof host);
    return std::string(host) + ":" + std::to_string(ntohs(ipv4.sin_port));
}

}  // namespace

std::unique_ptr<TcpListener> TcpListener::Listen(const std::string& address, std::string& error)
{
    std::string host;
    std::string port = address;
    if (const auto colon = address.rfind(':'); colon != std::string::npos) {
        host = address.substr(0, colon);
        port = address.substr(colon + 1);
        if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
            host = host.substr(1, host.size() - 2);
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (const int failure = ::getaddrinfo(host.empty() ? nullptr : host.c_str(), port.c_str(), &hints, &found);
        failure != 0) {
        error = "cannot listen on " + address + ": " + ::gai_strerror(failure);
        return nullptr;
    }
    int fd = -1;
    for (const addrinfo* candidate = found; candidate != nullptr && fd < 0; candidate = candidate->ai_next) {
        fd = ::socket(candidate->ai_family, candidate->ai_socktype | SOCK_CLOEXEC, candidate->ai_protocol);
        const int on = 1;
        if (fd >= 0 && (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
                        ::bind(fd, candidate->ai_addr, candidate->ai_addrlen) != 0 || ::listen(fd, kBacklog) != 0)) {
            error = "cannot listen on " + address + ": " + std::strerror(errno);
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<TcpListener>(new TcpListener(fd, BoundAddress(fd)));
}

TcpListener::~TcpListener() { ::close(m_fd); }

int TcpListener::Accept(const volatile std::sig_atomic_t& stop, const sigset_t* waitMask)
{
    while (stop == 0) {
        pollfd waiting{m_fd, POLLIN, 0};
        if (::ppoll(&waiting, 1, nullptr, waitMask) <= 0)
            continue;
        const int client = ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (client >= 0)
            return client;
    }
    return -1;
}
