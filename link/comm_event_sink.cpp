#include "comm_event_sink.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <algorithm>
#include <array>

namespace {

// The component answers a connection with a flag, not a cookie of its own.
constexpr std::uint32_t kSinkConnected = 1;

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
        if (ICommEventTarget* target = m_provider ? m_provider() : nullptr)
            handle(*target);
    };
    if (QThread::currentThread() == m_pContext->thread())
        run();
    else
        QMetaObject::invokeMethod(m_pContext.get(), run, Qt::BlockingQueuedConnection);
}
