#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

class WakeEvent;

enum class IoStatus {
    Ok,
    TimedOut,
    Interrupted,  // the caller's WakeEvent was set
    Failed,       // the device reported an error or hung up
};

struct IoResult {
    IoStatus status = IoStatus::Ok;
    std::size_t count = 0;  // bytes moved before the call ended
};

// One opened printer port. Reading and writing may run on two threads at once;
// every other call needs the port to be otherwise idle.
class IPortDevice {
public:
    virtual ~IPortDevice() = default;

    // Writes every byte. The time-out bounds each wait for the device to take
    // more, so a slow line that keeps moving never times out.
    virtual IoResult Write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds stallTimeout,
                           const WakeEvent* interrupt) = 0;
    // Waits up to the time-out for input and returns what arrived, at most
    // bytes.size(); a count of 0 with Ok never happens.
    virtual IoResult Read(std::span<std::uint8_t> bytes, std::chrono::milliseconds timeout,
                          const WakeEvent* interrupt) = 0;
    // Waits until the written bytes have left the host; the time-out bounds
    // each wait without progress, as for Write.
    virtual IoStatus Drain(std::chrono::milliseconds stallTimeout, const WakeEvent* interrupt) = 0;
    virtual bool CanRead() const = 0;
    virtual void DiscardInput() = 0;
    // Releases the device; later calls fail.
    virtual void Close() = 0;
};
