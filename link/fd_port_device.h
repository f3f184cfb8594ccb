#pragma once

#include <memory>

#include "fd_channel.h"
#include "port_device.h"
#include "termios_api.h"

// A port that is a plain descriptor: reads, writes and the input drop go
// straight to the channel; each kind says how its output drains.
class FdPortDevice : public IPortDevice {
public:
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
    bool CanRead() const override { return m_channel.CanRead(); }
    void DiscardInput() override { m_channel.DiscardPending(); }
    void Close() override { m_channel.Close(); }

protected:
    FdPortDevice(std::shared_ptr<ITermiosApi> api, int fd, bool readable, bool socket = false)
        : m_channel(std::move(api), fd, readable, socket)
    {
    }

    FdChannel m_channel;
};
