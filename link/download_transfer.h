#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "event_relay.h"
#include "port_device.h"
#include "worker_control.h"

// A logo download in the background: writes the bytes in blocks, raises
// Progress whenever the whole percentage changes (1 to 99 while bytes go
// out, then 100 once they have all left the host) or TransferFailed once.
class DownloadTransfer {
public:
    DownloadTransfer(std::shared_ptr<IPortDevice> device, std::shared_ptr<EventRelay> events,
                     std::vector<std::uint8_t> bytes, std::chrono::milliseconds writeTimeout);
    ~DownloadTransfer();
    DownloadTransfer(const DownloadTransfer&) = delete;
    DownloadTransfer& operator=(const DownloadTransfer&) = delete;

    // True until the last byte is out or the transfer has failed or stopped.
    bool Writing() const;
    // Once Stop returns, no event of the transfer is in progress, except one
    // that the calling thread runs itself.
    void Stop();

private:
    struct State;

    static void Run(const std::shared_ptr<State>& state, const std::shared_ptr<IPortDevice>& device,
                    const std::shared_ptr<EventRelay>& events, const std::vector<std::uint8_t>& bytes,
                    std::chrono::milliseconds writeTimeout);

    std::shared_ptr<State> m_state;
    std::shared_ptr<EventRelay> m_events;
    std::thread m_thread;
};
