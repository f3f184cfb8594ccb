#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "fd_port_device.h"

inline constexpr std::string_view kNetworkPortPrefix = "tcp://";
inline constexpr std::uint16_t kDefaultNetworkPort = 9100;

struct NetworkAddress {
    std::string host;  // a name, an IPv4 address or an IPv6 address without brackets
    std::uint16_t port = kDefaultNetworkPort;

    bool operator==(const NetworkAddress&) const = default;
};

// "tcp://HOST[:PORT]", HOST being a name, an IPv4 address or an IPv6
// address in brackets; nothing for anything else.
std::optional<NetworkAddress> ParseNetworkPortName(const std::string& portName);
// The port name that reaches `address`.
std::string NetworkPortName(const NetworkAddress& address);

// A printer that takes the command bytes over a raw TCP connection, as
// networked receipt printers do on port 9100.
class NetworkPrinter final : public FdPortDevice {
public:
    // Connects to the first of the host's addresses that answers within
    // `timeout` in all; null when none does.
    static std::unique_ptr<NetworkPrinter> Open(std::shared_ptr<ITermiosApi> api, const NetworkAddress& address,
                                                std::chrono::milliseconds timeout);

    // Done once the peer has acknowledged every byte.
    IoStatus Drain(std::chrono::milliseconds stallTimeout, const WakeEvent* interrupt) override
    {
        return m_channel.WaitForEmptyOutputQueue(stallTimeout, interrupt);
    }

private:
    NetworkPrinter(std::shared_ptr<ITermiosApi> api, int fd) : FdPortDevice(std::move(api), fd, true, true) {}
};
