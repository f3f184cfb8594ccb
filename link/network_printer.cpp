#include "network_printer.h"

#include <cerrno>
#include <charconv>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

std::optional<std::uint16_t> ParsePort(std::string_view text)
{
    std::uint16_t port = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (failure != std::errc{} || end != text.data() + text.size() || port == 0)
        return std::nullopt;
    return port;
}

// A connection attempt on one address, ended by the deadline; the socket,
// or -1.
int ConnectBefore(const addrinfo& address, Clock::time_point deadline)
{
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
    if (fd < 0)
        return -1;
    if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0 && errno != EINPROGRESS) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd connected{fd, POLLOUT, 0};
        const int ready = ::poll(&connected, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
        if (ready < 0 && errno == EINTR)
            continue;
        int error = ready == 0 ? ETIMEDOUT : errno;
        socklen_t length = sizeof error;
        if (ready > 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
            return fd;
        ::close(fd);
        // The caller reports why, as for a device that would not open.
        errno = error;
        return -1;
    }
}

}  // namespace

std::optional<NetworkAddress> ParseNetworkPortName(const std::string& portName)
{
    if (!portName.starts_with(kNetworkPortPrefix))
        return std::nullopt;
    std::string_view rest = std::string_view(portName).substr(kNetworkPortPrefix.size());
    NetworkAddress address;
    std::string_view portText;
    if (rest.starts_with('[')) {
        const auto close = rest.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        address.host = std::string(rest.substr(1, close - 1));
        rest = rest.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':'))
            return std::nullopt;
        if (!rest.empty())
            portText = rest.substr(1);
        else
            portText = {};
    } else {
        const auto colon = rest.find(':');
        if (colon != rest.rfind(':'))
            return std::nullopt;  // an IPv6 address needs its brackets
        address.host = std::string(rest.substr(0, colon));
        if (colon != std::string_view::npos)
            portText = rest.substr(colon + 1);
    }
    if (address.host.empty())
        return std::nullopt;
    if (portText.data() != nullptr) {
        const auto port = ParsePort(portText);
        if (!port)
            return std::nullopt;
        address.port = *port;
    }
    return address;
}

std::string NetworkPortName(const NetworkAddress& address)
{
    const bool ipv6 = address.host.find(':') != std::string::npos;
    return std::string(kNetworkPortPrefix) + (ipv6 ? "[" + address.host + "]" : address.host) + ":" +
           std::to_string(address.port);
}

std::unique_ptr<NetworkPrinter> NetworkPrinter::Open(std::shared_ptr<ITermiosApi> api, const NetworkAddress& address,
                                                     std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(address.host.c_str(), std::to_string(address.port).c_str(), &hints, &found) != 0)
        return nullptr;
    int fd = -1;
    for (const addrinfo* candidate = found; candidate != nullptr && fd < 0; candidate = candidate->ai_next)
        fd = ConnectBefore(*candidate, deadline);
    ::freeaddrinfo(found);
    if (fd < 0)
        return nullptr;
    // Commands are short and wait for their reply: none may sit in the
    // sender waiting for more. Keep-alive notices a printer switched off.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    return std::unique_ptr<NetworkPrinter>(new NetworkPrinter(std::move(api), fd));
}
