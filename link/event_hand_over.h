#pragma once

#include <functional>

namespace event_relay_detail {
struct Raising;
}

// Announces, from inside an event call, that the handler passes the event to
// another thread and waits there for it. The component then never waits for
// such an event before that thread has begun it: when it must wait for its
// events (Advise, Close) or drop them (Abort), it gives it up instead.
class EventHandOver {
public:
    // On the raising thread, before passing the event on. `giveUp` ends the
    // wait without the event being handled, unless it has begun; it is
    // called at most once, under the component's lock, and may only signal.
    explicit EventHandOver(std::function<void()> giveUp);
    ~EventHandOver();
    EventHandOver(const EventHandOver&) = delete;
    EventHandOver& operator=(const EventHandOver&) = delete;

    // False when the event is given up already; it must not be passed on.
    bool Wanted() const { return m_bWanted; }

    // The raise in progress, for Handling on the receiving thread.
    const event_relay_detail::Raising* InProgress() const { return m_pRaising; }

    // Around the handler on the receiving thread: there, Advise, Abort and
    // Close do not wait for the raise it runs, as on the raising thread.
    class Handling {
    public:
        explicit Handling(const event_relay_detail::Raising* raising);
        ~Handling();
        Handling(const Handling&) = delete;
        Handling& operator=(const Handling&) = delete;

    private:
        const event_relay_detail::Raising* m_pRaising;
    };

private:
    event_relay_detail::Raising* m_pRaising;  // null outside a raise of the component
    bool m_bWanted = true;
};
