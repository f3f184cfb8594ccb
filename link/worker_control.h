#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "wake_event.h"

// What a component thread that raises events shares with those who stop or
// pause it.
//
// Stopping never waits for an event call in progress: its handler may be
// waiting on the very thread that stops (a blocking hand-over to a user
// interface thread, or a handler that calls Abort or Close). Such a thread is
// let go instead; it raises nothing more and ends when the call returns,
// touching only what it holds shared.
class WorkerControl {
public:
    // Worker side: false once a stop was asked for, and then nothing may be
    // raised. A true answer must be followed by EndEvent.
    bool BeginEvent();
    void EndEvent();
    void Finished();
    bool StopRequested() const;

    // Worker side, around each use of the device that a pause must wait for:
    // waits while paused; false when stopping.
    bool BeginDeviceUse();
    void EndDeviceUse();

    // Set by Stop and Pause; the worker passes it to each wait on the device
    // so that the wait ends early.
    const WakeEvent& Interrupt() const { return m_interrupt; }

    // Keeps the worker off the device until Resume; returns once the worker
    // has left it. Pauses may nest and come from several threads.
    void Pause();
    void Resume();

    // Stops the worker and then joins its thread, or lets it go when it is
    // inside an event call.
    void Stop(std::thread& thread);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stop = false;
    bool m_inEvent = false;
    bool m_usingDevice = false;
    bool m_finished = false;
    int m_pauses = 0;
    WakeEvent m_interrupt;
};
