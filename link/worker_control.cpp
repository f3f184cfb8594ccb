#include "worker_control.h"

bool WorkerControl::BeginEvent()
{
    std::lock_guard lock(m_mutex);
    if (m_stop)
        return false;
    m_inEvent = true;
    return true;
}

void WorkerControl::EndEvent()
{
    std::lock_guard lock(m_mutex);
    m_inEvent = false;
    m_changed.notify_all();
}

void WorkerControl::Finished()
{
    std::lock_guard lock(m_mutex);
    m_finished = true;
    m_changed.notify_all();
}

bool WorkerControl::StopRequested() const
{
    std::lock_guard lock(m_mutex);
    return m_stop;
}

bool WorkerControl::BeginDeviceUse()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stop || m_pauses == 0; });
    if (m_stop)
        return false;
    // Cleared under the lock: a Pause or Stop that comes later sets it again
    // and so still interrupts the wait that follows.
    m_interrupt.Clear();
    m_usingDevice = true;
    return true;
}

void WorkerControl::EndDeviceUse()
{
    std::lock_guard lock(m_mutex);
    m_usingDevice = false;
    m_changed.notify_all();
}

void WorkerControl::Pause()
{
    std::unique_lock lock(m_mutex);
    ++m_pauses;
    m_interrupt.Set();
    m_changed.wait(lock, [this] { return !m_usingDevice || m_finished; });
}

void WorkerControl::Resume()
{
    std::lock_guard lock(m_mutex);
    --m_pauses;
    m_changed.notify_all();
}

void WorkerControl::Stop(std::thread& thread)
{
    bool finished = false;
    {
        std::unique_lock lock(m_mutex);
        m_stop = true;
        m_interrupt.Set();
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_finished || m_inEvent; });
        finished = m_finished;
    }
    if (!thread.joinable())
        return;
    if (finished && thread.get_id() != std::this_thread::get_id())
        thread.join();
    else
        thread.detach();
}
