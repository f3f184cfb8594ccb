#pragma once

#include <chrono>

// A flag that a thread waiting in poll() can watch next to its device: once
// set, the descriptor stays readable until Clear, so a wait that begins after
// Set still ends at once.
class WakeEvent {
public:
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    void Set();
    void Clear();
    bool IsSet() const;
    // Waits until set or until the time has passed; true when set.
    bool WaitFor(std::chrono::milliseconds duration) const;
    int Fd() const { return m_fd; }

private:
    int m_fd;
};
