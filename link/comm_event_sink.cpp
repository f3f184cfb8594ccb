#include "comm_event_sink.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <algorithm>
#include <array>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "event_hand_over.h"

#if defined(__SANITIZE_THREAD__)
#define VELLUMIO_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VELLUMIO_THREAD_SANITIZER 1
#endif
#endif

#ifdef VELLUMIO_THREAD_SANITIZER
extern "C" {
void __tsan_acquire(void* addr);
void __tsan_release(void* addr);
void __tsan_ignore_thread_begin();
void __tsan_ignore_thread_end();
}
#endif

namespace {

// The component answers a connection with a flag, not a cookie of its own.
constexpr std::uint32_t kSinkConnected = 1;

// Qt is not built with ThreadSanitizer, so it cannot see that a posted call
// runs on the receiving thread after the raising thread posted it. These state
// that order for what the two threads share; elsewhere they do nothing.
void PassOrder([[maybe_unused]] const void* token)
{
#ifdef VELLUMIO_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(token));
#endif
}

void TakeOrder([[maybe_unused]] const void* token)
{
#ifdef VELLUMIO_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(token));
#endif
}

// Around the raising thread's post: Qt's call object, which the receiving
// thread uses and frees, is left unchecked; nothing of ours runs there.
class QtCallObjectUnchecked {
public:
#ifdef VELLUMIO_THREAD_SANITIZER
    QtCallObjectUnchecked() { __tsan_ignore_thread_begin(); }
    ~QtCallObjectUnchecked() { __tsan_ignore_thread_end(); }
#else
    QtCallObjectUnchecked() = default;
#endif
    QtCallObjectUnchecked(const QtCallObjectUnchecked&) = delete;
    QtCallObjectUnchecked& operator=(const QtCallObjectUnchecked&) = delete;
};

// One event passed to the receiving thread, shared by the raising thread
// that waits for it and the call posted there.
class PendingEvent {
public:
    // On the receiving thread: false when the event was given up.
    bool Begin()
    {
        std::lock_guard lock(m_mutex);
        if (m_state != State::Waiting)
            return false;
        m_state = State::Running;
        return true;
    }
    void End()
    {
        std::lock_guard lock(m_mutex);
        m_state = State::Ended;
        m_changed.notify_all();
    }
    // Unless it has begun.
    void GiveUp()
    {
        std::lock_guard lock(m_mutex);
        if (m_state != State::Waiting)
            return;
        m_state = State::Ended;
        m_changed.notify_all();
    }
    void WaitUntilEnded()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_state == State::Ended; });
    }

private:
    enum class State { Waiting, Running, Ended };
    std::mutex m_mutex;
    std::condition_variable m_changed;
    State m_state = State::Waiting;
};

}  // namespace

// The events waiting for the receiving thread; closed while disconnected.
class CommEventSink::PendingEvents {
public:
    void Open()
    {
        std::lock_guard lock(m_mutex);
        m_bClosed = false;
    }
    void Close()
    {
        std::lock_guard lock(m_mutex);
        m_bClosed = true;
        for (const auto& event : m_events)
            event->GiveUp();
    }
    bool Add(const std::shared_ptr<PendingEvent>& event)
    {
        std::lock_guard lock(m_mutex);
        if (m_bClosed)
            return false;
        m_events.push_back(event);
        return true;
    }
    void Remove(const std::shared_ptr<PendingEvent>& event)
    {
        std::lock_guard lock(m_mutex);
        std::erase(m_events, event);
    }

private:
    std::mutex m_mutex;
    bool m_bClosed = false;
    std::vector<std::shared_ptr<PendingEvent>> m_events;
};

CommEventSink::CommEventSink(TargetProvider provider)
    : m_provider(std::move(provider)),
      m_pPending(std::make_shared<PendingEvents>()),
      m_pContext(std::make_unique<QObject>())
{
}

CommEventSink::~CommEventSink()
{
    Disconnect();
    m_pPending->Close();
}

bool CommEventSink::Connect(ICommunication& communication)
{
    Disconnect();
    m_pPending->Open();
    if (!communication.Advise(this))
        return false;
    m_pCommunication = &communication;
    m_nCookie = kSinkConnected;
    return true;
}

void CommEventSink::Disconnect()
{
    if (!IsConnected())
        return;
    // The component waits for the raises in progress, some of which may be
    // waiting for this very thread.
    m_pPending->Close();
    m_pCommunication->Advise(nullptr);
    m_pCommunication = nullptr;
    m_nCookie = kSinkNotConnected;
}

void CommEventSink::DataReceived(std::span<const std::uint8_t> data)
{
    if (data.empty())
        return;
    // The raise waits until every chunk is handled, so the component's bytes
    // stay valid throughout and are copied only into the chunk buffer. The
    // buffer is per delivery: a handler that makes the component raise again
    // on this thread must not find its chunk overwritten.
    Deliver([data](ICommEventTarget& target) {
        std::array<std::uint8_t, kCommChunkSize> chunk;
        for (std::span<const std::uint8_t> rest = data; !rest.empty();) {
            const std::size_t length = std::min(rest.size(), chunk.size());
            std::copy_n(rest.begin(), length, chunk.begin());
            target.OnDataReceived(std::span<const std::uint8_t>(chunk).first(length));
            rest = rest.subspan(length);
        }
    });
}

void CommEventSink::Progress(std::int32_t percent)
{
    Deliver([percent](ICommEventTarget& target) { target.OnTransferProgress(percent); });
}

void CommEventSink::TransferFailed()
{
    Deliver([](ICommEventTarget& target) { target.OnTransferFailed(); });
}

void CommEventSink::Deliver(const std::function<void(ICommEventTarget&)>& handle)
{
    // The receiver is looked up on its own thread, where it may come and go.
    const auto run = [this, &handle] {
        if (ICommEventTarget* target = m_provider ? m_provider() : nullptr)
            handle(*target);
    };
    if (QThread::currentThread() == m_pContext->thread()) {
        run();
        return;
    }
    const std::shared_ptr<PendingEvents> pending = m_pPending;
    const auto event = std::make_shared<PendingEvent>();
    const EventHandOver handOver([event] { event->GiveUp(); });
    if (!handOver.Wanted() || !pending->Add(event))
        return;
    PassOrder(event.get());
    {
        [[maybe_unused]] const QtCallObjectUnchecked qtCall;
        QMetaObject::invokeMethod(
            m_pContext.get(),
            [run, event, raising = handOver.InProgress()] {
                TakeOrder(event.get());
                if (!event->Begin())
                    return;
                {
                    const EventHandOver::Handling handling(raising);
                    run();
                }
                event->End();
            },
            Qt::QueuedConnection);
    }
    event->WaitUntilEnded();
    pending->Remove(event);
}
