#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "comm_event_sink.h"
#include "event_relay.h"
#include "recording_communication.h"

namespace {

// Raises go through the component's own relay; `inside` counts those that
// are in the sink.
struct RelayedCommunication : RecordingCommunication, ICommunicationEvents {
    EventRelay relay;
    ICommunicationEvents* sink = nullptr;
    std::atomic<int> inside{0};

    bool Advise(ICommunicationEvents* events) override
    {
        if (events)
            sink = events;
        relay.SetTarget(events ? this : nullptr);
        return true;
    }
    void DataReceived(std::span<const std::uint8_t> data) override
    {
        ++inside;
        sink->DataReceived(data);
        --inside;
    }
    void Progress(std::int32_t) override {}
    void TransferFailed() override {}
};

struct CountingTarget : ICommEventTarget {
    int chunks = 0;
    std::function<void()> onChunk = [] {};
    void OnDataReceived(std::span<const std::uint8_t>) override
    {
        ++chunks;
        onChunk();
    }
    void OnTransferProgress(std::int32_t) override {}
    void OnTransferFailed() override {}
};

// Sinks come and go while threads keep raising: every other one is destroyed
// between events, the others disconnect from inside a handler.
TEST(CommEventSinkLifetime, ManyRaisingThreadsAgainstAConcurrentDestroy)
{
    RelayedCommunication component;
    const std::vector<std::uint8_t> bytes(16, 0x2A);
    std::atomic<bool> stop{false};
    std::vector<std::jthread> raisers;
    for (int i = 0; i < 6; ++i)
        raisers.emplace_back([&] {
            while (!stop)
                component.relay.Raise([&](ICommunicationEvents& events) { events.DataReceived(bytes); });
        });
    for (int round = 0; round < 100; ++round) {
        CountingTarget target;
        auto sink = std::make_unique<CommEventSink>([&target] { return &target; });
        EXPECT_TRUE(sink->Connect(component));
        if (round % 2 == 1)
            target.onChunk = [&] { sink->Disconnect(); };
        while (target.chunks < 3 && sink->IsConnected())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        sink.reset();
        // A raise whose own handler disconnected may still be on its way out.
        if (round % 2 == 0) {
            EXPECT_EQ(component.inside, 0);
        }
    }
    stop = true;
}

}  // namespace
