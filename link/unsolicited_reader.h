#pragma once

#include <memory>
#include <thread>

#include "event_relay.h"
#include "port_device.h"
#include "worker_control.h"

// The thread that passes on whatever the printer sends unasked (the erase
// acknowledgement, an uploaded logo) as DataReceived, in pieces of any size.
class UnsolicitedReader {
public:
    UnsolicitedReader(std::shared_ptr<IPortDevice> device, std::shared_ptr<EventRelay> events);
    ~UnsolicitedReader();
    UnsolicitedReader(const UnsolicitedReader&) = delete;
    UnsolicitedReader& operator=(const UnsolicitedReader&) = delete;

    // Keeps the reader off the device while it lives, so that a reply that
    // someone waits for is not taken as unsolicited data.
    class Pause {
    public:
        explicit Pause(std::shared_ptr<WorkerControl> control);
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        std::shared_ptr<WorkerControl> m_control;
    };
    [[nodiscard]] std::unique_ptr<Pause> PauseReading() const;

    // What the reader has read so far is not passed on: no DataReceived of
    // it begins after DropInput returns.
    void DropInput();

    // Once Stop returns, no DataReceived of the reader is in progress, except
    // one that the calling thread runs itself.
    void Stop();

private:
    std::shared_ptr<WorkerControl> m_control;
    std::shared_ptr<EventRelay> m_events;
    std::thread m_thread;
};
