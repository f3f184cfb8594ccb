#include "comm_event_sink.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <algorithm>
#include <array>

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

// Qt is not built with ThreadSanitizer, so it cannot see how a blocking
// queued call orders the two threads (Qt's semaphore), nor Qt's own use of
// the call object it allocates and frees on the raising thread. Under
// ThreadSanitizer these state that order at each hand-over, so the handlers
// are still checked against everything else the threads do; elsewhere they
// do nothing.
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

// Around the raising thread's blocking call: nothing of ours runs on it there.
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

}  // namespace

CommEventSink::CommEventSink(TargetProvider provider)
    : m_provider(std::move(provider)), m_pContext(std::make_unique<QObject>())
{
}

CommEventSink::~CommEventSink()
{
    Disconnect();
}

bool CommEventSink::Connect(ICommunication& communication)
{
    Disconnect();
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
        TakeOrder(&handle);
        if (ICommEventTarget* target = m_provider ? m_provider() : nullptr)
            handle(*target);
        PassOrder(&handle);
    };
    if (QThread::currentThread() == m_pContext->thread()) {
        run();
        return;
    }
    PassOrder(&handle);
    {
        [[maybe_unused]] const QtCallObjectUnchecked qtCall;
        QMetaObject::invokeMethod(m_pContext.get(), run, Qt::BlockingQueuedConnection);
    }
    TakeOrder(&handle);
}
