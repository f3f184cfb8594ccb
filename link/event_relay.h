#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "communication.h"
#include "event_hand_over.h"

class EventRelay;

namespace event_relay_detail {

// One event call in progress; it lives on the raising thread's stack.
struct Raising {
    EventRelay* relay = nullptr;
    const void* source = nullptr;  // whom Cancel and WaitFor name
    ICommunicationEvents* target = nullptr;
    // Set while the handler waits for another thread to begin the event;
    // under the relay's lock.
    std::function<void()> giveUp;
    bool givenUp = false;
};

// The raises the calling thread runs: its own, and those handed over to it.
void BeginHandling(Raising* raising);
void EndHandling(Raising* raising);

}  // namespace event_relay_detail

// The connection from the component to its event target, with the raises in
// progress, so that whoever disconnects or stops a raising thread can wait
// until none of them is inside the target any more.
//
// No wait is made for a raise that the waiting thread runs itself, in a
// handler on the raising thread or in one handed over to it: that raise ends
// only after the wait. A raise handed over to another thread and not begun
// there is given up rather than waited for (see EventHandOver).
class EventRelay {
public:
    EventRelay() = default;
    EventRelay(const EventRelay&) = delete;
    EventRelay& operator=(const EventRelay&) = delete;

    // Connects `target` (null: none); returns once no raise is inside the
    // former target.
    void SetTarget(ICommunicationEvents* target);

    // Calls `raise` with the target, if there is one and `wanted()` holds.
    // `wanted` is asked under the relay's lock, so that one who makes it
    // false and then calls Cancel or WaitFor misses no raise of `source`.
    // The lock is not held during the call, so the handler may call back
    // into the component.
    template <class Wanted, class Call>
    void Raise(const void* source, Wanted&& wanted, Call&& raise)
    {
        event_relay_detail::Raising raising;
        raising.relay = this;
        raising.source = source;
        {
            std::lock_guard lock(m_mutex);
            if (!m_target || !wanted())
                return;
            raising.target = m_target;
            m_raising.push_back(&raising);
        }
        const Running running(raising);
        raise(*raising.target);
    }
    template <class Call>
    void Raise(Call&& raise)
    {
        Raise(nullptr, [] { return true; }, std::forward<Call>(raise));
    }

    // Gives up the hand-overs of `source` not yet begun.
    void Cancel(const void* source);
    // Gives them up and waits until no raise of `source` is left; false,
    // without waiting, when the calling thread runs one of them.
    bool WaitFor(const void* source);

private:
    friend class EventHandOver;

    class Running {
    public:
        explicit Running(event_relay_detail::Raising& raising);
        ~Running();
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        event_relay_detail::Raising& m_raising;
    };

    // Gives up the hand-overs of the matching raises and, with `wait`, waits
    // for those not run by the calling thread; false when it runs one.
    bool Settle(const std::function<bool(const event_relay_detail::Raising&)>& match, bool wait);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    ICommunicationEvents* m_target = nullptr;
    std::vector<event_relay_detail::Raising*> m_raising;
};
