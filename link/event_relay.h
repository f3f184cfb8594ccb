#pragma once

#include <mutex>

#include "communication.h"

// The connection from the component to its event target.
class EventRelay {
public:
    void SetTarget(ICommunicationEvents* target)
    {
        std::lock_guard lock(m_mutex);
        m_target = target;
    }

    // Calls `raise` with the target, if one is connected. The lock is not
    // held during the call, so the handler may call back into the component.
    template <class Call>
    void Raise(Call&& raise)
    {
        ICommunicationEvents* target = nullptr;
        {
            std::lock_guard lock(m_mutex);
            target = m_target;
        }
        if (target)
            raise(*target);
    }

private:
    std::mutex m_mutex;
    ICommunicationEvents* m_target = nullptr;
};
