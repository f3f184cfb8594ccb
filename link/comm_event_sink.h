#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>

#include "communication.h"

class QObject;

// The receiver of the printer's events, the view once the main window exists.
// Its handlers run on the thread that created the sink.
class ICommEventTarget {
public:
    virtual ~ICommEventTarget() = default;
    // A chunk of 1 to kCommChunkSize bytes, valid only during the call.
    virtual void OnDataReceived(std::span<const std::uint8_t> chunk) = 0;
    virtual void OnTransferProgress(std::int32_t percent) = 0;
    virtual void OnTransferFailed() = 0;
};

inline constexpr std::size_t kCommChunkSize = 1024;
inline constexpr std::uint32_t kSinkNotConnected = 0xFEFEFEFE;

inline constexpr std::string_view kSinkConnectFailedMessage = "QLINK - Events : Unable to connect to the sink object.";

// Carries the component's events, from whatever thread raises them, to the
// thread that created the sink, in the order raised: each raise returns only
// when the receiver has handled it. An event is dropped when the provider
// (asked on that thread) names no receiver.
//
// A raise from another thread waits for that thread's event loop. Events not
// yet begun there are given up when the sink disconnects or is destroyed,
// and when the component gives them up (see EventHandOver); a raise that
// wakes from its wait touches nothing of the sink, which may be gone.
class CommEventSink final : public ICommunicationEvents {
public:
    using TargetProvider = std::function<ICommEventTarget*()>;

    explicit CommEventSink(TargetProvider provider);
    ~CommEventSink() override;
    CommEventSink(const CommEventSink&) = delete;
    CommEventSink& operator=(const CommEventSink&) = delete;

    // False when the component refuses the connection; the caller then shows
    // kSinkConnectFailedMessage and goes on without events. The component
    // must outlive the connection.
    bool Connect(ICommunication& communication);
    // Does nothing when not connected; afterwards the sink is not connected,
    // whatever the component answered.
    void Disconnect();
    bool IsConnected() const { return m_nCookie != kSinkNotConnected; }

    void DataReceived(std::span<const std::uint8_t> data) override;
    void Progress(std::int32_t percent) override;
    void TransferFailed() override;

private:
    class PendingEvents;

    void Deliver(const std::function<void(ICommEventTarget&)>& handle);

    TargetProvider m_provider;
    // Shared with the raising threads, which may still hold it after the sink is gone.
    std::shared_ptr<PendingEvents> m_pPending;
    std::unique_ptr<QObject> m_pContext;  // lives on the receiving thread
    ICommunication* m_pCommunication = nullptr;
    std::uint32_t m_nCookie = kSinkNotConnected;
};
