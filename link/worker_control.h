#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "wake_event.h"

class EventRelay;

// What a component thread that raises events shares with those who stop or
// pause it. Its raises go through an EventRelay, with the control as their
// source and MayRaise as their condition.
class WorkerControl {
public:
    // Worker side: true once a stop was asked for.
    bool StopRequested() const;

    // Worker side, around each use of the device that a pause must wait for:
    // waits while paused; false when stopping. `discards` receives the count
    // of Discard calls so far, for MayRaise.
    bool BeginDeviceUse(std::uint64_t& discards);
    void EndDeviceUse();

    // Whether what the worker read after `discards` discards may still be
    // raised: not once a stop was asked for or input discarded since.
    bool MayRaise(std::uint64_t discards) const;
    // Makes what the worker has read so far unwanted, and gives up its event
    // handed over and not yet begun.
    void Discard(EventRelay& events);

    // Set by Stop and Pause; the worker passes it to each wait on the device
    // so that the wait ends early.
    const WakeEvent& Interrupt() const { return m_interrupt; }

    // Keeps the worker off the device until Resume; returns once the worker
    // has left it. Pauses may nest and come from several threads.
    void Pause();
    void Resume();

    // Stops the worker: it raises nothing more, and its event handed over
    // and not yet begun is given up. Then joins its thread once an event in
    // progress has ended, or lets the thread go when the calling thread runs
    // that event itself (it ends when the event returns, touching only what
    // it holds shared).
    void Stop(std::thread& thread, EventRelay& events);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stop = false;
    bool m_usingDevice = false;
    int m_pauses = 0;
    std::uint64_t m_discards = 0;
    WakeEvent m_interrupt;
};
