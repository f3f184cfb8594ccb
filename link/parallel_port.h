#pragma once

#include <memory>
#include <string>

#include "fd_channel.h"
#include "port_device.h"
#include "termios_api.h"

// A parallel port ("IEEE1284"): /dev/lp* or a USB printer class device
// /dev/usb/lp*, written and read as a plain file.
class ParallelPort final : public IPortDevice {
public:
    // Null when the device cannot be opened.
    static std::unique_ptr<ParallelPort> Open(std::shared_ptr<ITermiosApi> api, const std::string& path);

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
    // The drivers give no count of bytes not yet taken by the printer; a
    // write returns once the driver holds the bytes.
    IoStatus Drain(std::chrono::milliseconds, const WakeEvent*) override { return IoStatus::Ok; }
    bool CanRead() const override { return m_channel.CanRead(); }
    void DiscardInput() override { m_channel.DiscardPending(); }
    void Close() override { m_channel.Close(); }

private:
    ParallelPort(std::shared_ptr<ITermiosApi> api, int fd, bool readable) : m_channel(std::move(api), fd, readable) {}

    FdChannel m_channel;
};
