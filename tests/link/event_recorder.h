#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "communication.h"

// Collects the component's events from whatever thread raises them.
class EventRecorder final : public ICommunicationEvents {
public:
    void DataReceived(std::span<const std::uint8_t> data) override
    {
        std::lock_guard lock(m_mutex);
        m_data.insert(m_data.end(), data.begin(), data.end());
        ++m_pieces;
        m_changed.notify_all();
    }
    void Progress(std::int32_t percent) override
    {
        std::lock_guard lock(m_mutex);
        m_progress.push_back(percent);
        m_changed.notify_all();
    }
    void TransferFailed() override
    {
        std::lock_guard lock(m_mutex);
        ++m_failures;
        m_changed.notify_all();
    }

    std::vector<std::uint8_t> Data() const
    {
        std::lock_guard lock(m_mutex);
        return m_data;
    }
    std::vector<std::int32_t> Progresses() const
    {
        std::lock_guard lock(m_mutex);
        return m_progress;
    }
    int Failures() const
    {
        std::lock_guard lock(m_mutex);
        return m_failures;
    }
    std::size_t EventCount() const
    {
        std::lock_guard lock(m_mutex);
        return m_pieces + m_progress.size() + static_cast<std::size_t>(m_failures);
    }

    bool WaitForData(std::size_t count, std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_data.size() >= count; });
    }
    // Until Progress(100) or TransferFailed.
    bool WaitForEnd(std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] {
            return m_failures > 0 || (!m_progress.empty() && m_progress.back() == 100);
        });
    }
    bool WaitForProgress(std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return !m_progress.empty(); });
    }

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<std::uint8_t> m_data;
    std::size_t m_pieces = 0;
    std::vector<std::int32_t> m_progress;
    int m_failures = 0;
};
