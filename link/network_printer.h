#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "fd_channel.h"
#include "port_device.h"
#include "termios_api.h"

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
class NetworkPrinter final : public IPortDevice {
public:
    // Connects to the first of the host's addresses that answers within
    // `timeout` in all; null when none does.
    static std::unique_ptr<NetworkPrinter> Open(std::shared_ptr<ITermiosApi> api, const NetworkAddress& address,
                                                std::chrono::milliseconds timeout);

    IoResult Write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds stallTimeout,
                   const WakeEvent* interrupt) override
    {
        return m_channel.Write(bytes, stallTimeout, interrupt);
    }
    IoResult Read(std::span<std::uint8_t> bytes, std::chrono::milliseconds timeout,
                  const WakeEvent* interrupt) override
    {
        return m_channel.Read(bytes, timeout, interrupt);
    }
    // Done once the peer has acknowledged every byte.
    IoStatus Drain(std::chrono::milliseconds stallTimeout, const WakeEvent* interrupt) override
    {
        return m_channel.WaitForEmptyOutputQueue(stallTimeout, interrupt);
    }
    bool CanRead() const override { return m_channel.CanRead(); }
    void DiscardInput() override { m_channel.DiscardPending(); }
    void Close() override { m_channel.Close(); }

private:
    NetworkPrinter(std::shared_ptr<ITermiosApi> api, int fd) : m_channel(std::move(api), fd, true, true) {}

    FdChannel m_channel;
};
