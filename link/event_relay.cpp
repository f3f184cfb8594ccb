#include "event_relay.h"

#include <algorithm>
#include <utility>

namespace event_relay_detail {

namespace {

// Innermost last.
thread_local std::vector<Raising*> t_handling;

bool HandledHere(const Raising* raising)
{
    return std::find(t_handling.begin(), t_handling.end(), raising) != t_handling.end();
}

}  // namespace

void BeginHandling(Raising* raising) { t_handling.push_back(raising); }

void EndHandling(Raising* raising)
{
    const auto at = std::find(t_handling.rbegin(), t_handling.rend(), raising);
    if (at != t_handling.rend())
        t_handling.erase(std::next(at).base());
}

namespace {

Raising* CurrentRaise() { return t_handling.empty() ? nullptr : t_handling.back(); }

}  // namespace

}  // namespace event_relay_detail

using event_relay_detail::Raising;

EventRelay::Running::Running(Raising& raising) : m_raising(raising) { event_relay_detail::BeginHandling(&raising); }

EventRelay::Running::~Running()
{
    event_relay_detail::EndHandling(&m_raising);
    EventRelay& relay = *m_raising.relay;
    std::lock_guard lock(relay.m_mutex);
    std::erase(relay.m_raising, &m_raising);
    relay.m_changed.notify_all();
}

void EventRelay::SetTarget(ICommunicationEvents* target)
{
    ICommunicationEvents* former = nullptr;
    {
        std::lock_guard lock(m_mutex);
        former = std::exchange(m_target, target);
    }
    if (former)
        Settle([former](const Raising& raising) { return raising.target == former; }, true);
}

void EventRelay::Cancel(const void* source)
{
    Settle([source](const Raising& raising) { return raising.source == source; }, false);
}

bool EventRelay::WaitFor(const void* source)
{
    return Settle([source](const Raising& raising) { return raising.source == source; }, true);
}

bool EventRelay::Settle(const std::function<bool(const Raising&)>& match, bool wait)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        bool runHere = false;
        bool left = false;
        for (Raising* raising : m_raising) {
            if (!match(*raising))
                continue;
            if (event_relay_detail::HandledHere(raising)) {
                runHere = true;
                continue;
            }
            left = true;
            raising->givenUp = true;
            if (const auto giveUp = std::exchange(raising->giveUp, nullptr))
                giveUp();
        }
        if (!wait || !left)
            return !runHere;
        // Woken when a raise ends or a hand-over is announced.
        m_changed.wait(lock);
    }
}

EventHandOver::EventHandOver(std::function<void()> giveUp) : m_pRaising(event_relay_detail::CurrentRaise())
{
    if (!m_pRaising)
        return;
    EventRelay& relay = *m_pRaising->relay;
    std::lock_guard lock(relay.m_mutex);
    if (m_pRaising->givenUp) {
        m_bWanted = false;
        return;
    }
    m_pRaising->giveUp = std::move(giveUp);
    relay.m_changed.notify_all();
}

EventHandOver::~EventHandOver()
{
    if (!m_pRaising)
        return;
    std::lock_guard lock(m_pRaising->relay->m_mutex);
    m_pRaising->giveUp = nullptr;
}

EventHandOver::Handling::Handling(const Raising* raising) : m_pRaising(raising)
{
    if (m_pRaising)
        event_relay_detail::BeginHandling(const_cast<Raising*>(m_pRaising));
}

EventHandOver::Handling::~Handling()
{
    if (m_pRaising)
        event_relay_detail::EndHandling(const_cast<Raising*>(m_pRaising));
}
