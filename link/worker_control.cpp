#include "worker_control.h"

#include "event_relay.h"

bool WorkerControl::StopRequested() const
{
    std::lock_guard lock(m_mutex);
    return m_stop;
}

bool WorkerControl::BeginDeviceUse(std::uint64_t& discards)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stop || m_pauses == 0; });
    if (m_stop)
        return false;
    // Cleared under the lock: a Pause or Stop that comes later sets it again
    // and so still interrupts the wait that follows.
    m_interrupt.Clear();
    m_usingDevice = true;
    discards = m_discards;
    return true;
}

void WorkerControl::EndDeviceUse()
{
    std::lock_guard lock(m_mutex);
    m_usingDevice = false;
    m_changed.notify_all();
}

bool WorkerControl::MayRaise(std::uint64_t discards) const
{
    std::lock_guard lock(m_mutex);
    return !m_stop && m_discards == discards;
}

void WorkerControl::Discard(EventRelay& events)
{
    {
        std::lock_guard lock(m_mutex);
        ++m_discards;
    }
    events.Cancel(this);
}

void WorkerControl::Pause()
{
    std::unique_lock lock(m_mutex);
    ++m_pauses;
    m_interrupt.Set();
    m_changed.wait(lock, [this] { return !m_usingDevice; });
}

void WorkerControl::Resume()
{
    std::lock_guard lock(m_mutex);
    --m_pauses;
    m_changed.notify_all();
}

void WorkerControl::Stop(std::thread& thread, EventRelay& events)
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_interrupt.Set();
        m_changed.notify_all();
    }
    // Once no raise of the worker is left it raises nothing more, and every
    // wait of its own ends at the interrupt.
    const bool runHere = !events.WaitFor(this);
    if (!thread.joinable())
        return;
    if (runHere || thread.get_id() == std::this_thread::get_id())
        thread.detach();
    else
        thread.join();
}
