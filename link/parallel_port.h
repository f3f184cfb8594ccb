#pragma once

#include <memory>
#include <string>

#include "fd_port_device.h"

// A parallel port ("IEEE1284"): /dev/lp* or a USB printer class device
// /dev/usb/lp*, written and read as a plain file.
class ParallelPort final : public FdPortDevice {
public:
    // Null when the device cannot be opened.
    static std::unique_ptr<ParallelPort> Open(std::shared_ptr<ITermiosApi> api, const std::string& path);

    // The drivers give no count of bytes not yet taken by the printer; a
    // write returns once the driver holds the bytes.
    IoStatus Drain(std::chrono::milliseconds, const WakeEvent*) override { return IoStatus::Ok; }

private:
    ParallelPort(std::shared_ptr<ITermiosApi> api, int fd, bool readable) : FdPortDevice(std::move(api), fd, readable)
    {
    }
};
