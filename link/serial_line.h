#pragma once

#include <memory>
#include <string>

#include "fd_channel.h"
#include "line_settings.h"
#include "port_device.h"
#include "termios_api.h"

// A serial line ("RS232 / Bluetooth") through termios.
class SerialLine final : public IPortDevice {
public:
    // Null when the device cannot be opened, is not a terminal, or refuses
    // the line parameters.
    static std::unique_ptr<SerialLine> Open(std::shared_ptr<ITermiosApi> api, const std::string& path,
                                            const LineSettings& line);

    IoResult Write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds stallTimeout,
                   const WakeEvent* interrupt) override;
    IoResult Read(std::span<std::uint8_t> bytes, std::chrono::milliseconds timeout,
                  const WakeEvent* interrupt) override;
    IoStatus Drain(std::chrono::milliseconds stallTimeout, const WakeEvent* interrupt) override;
    bool CanRead() const override { return m_channel.CanRead(); }
    void DiscardInput() override;
    void Close() override { m_channel.Close(); }

private:
    SerialLine(std::shared_ptr<ITermiosApi> api, int fd, const LineSettings& line);

    IoStatus WaitForDsr(std::chrono::milliseconds timeout, const WakeEvent* interrupt);

    FdChannel m_channel;
    LineSettings m_line;
};
