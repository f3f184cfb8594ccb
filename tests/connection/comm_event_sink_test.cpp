#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "comm_event_sink.h"
#include "event_relay.h"
#include "recording_communication.h"

namespace {

using Events = std::vector<std::string>;

std::vector<std::uint8_t> Counting(std::size_t size, std::uint8_t start = 0)
{
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), start);
    return bytes;
}

// Keeps what it is handed, and whether each call came on the main thread.
struct RecordingTarget : ICommEventTarget {
    Events events;
    std::vector<std::uint8_t> data;
    bool allOnMainThread = true;
    std::function<void(std::span<const std::uint8_t>)> onChunk;

    void OnDataReceived(std::span<const std::uint8_t> chunk) override
    {
        Note("data " + std::to_string(chunk.size()));
        data.insert(data.end(), chunk.begin(), chunk.end());
        if (onChunk)
            onChunk(chunk);
    }
    void OnTransferProgress(std::int32_t percent) override { Note("progress " + std::to_string(percent)); }
    void OnTransferFailed() override { Note("failed"); }
    void Note(std::string event)
    {
        events.push_back(std::move(event));
        allOnMainThread = allOnMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    }
};

// Data comes in chunks of at most 1024 bytes. A handler that makes the
// component raise again on this thread gets a chunk buffer of its own, so the
// outer chunk is not overwritten under it.
TEST(CommEventSink, ChunksOfAtMost1024BytesSurviveARaiseFromTheirOwnHandler)
{
    RecordingTarget target;
    CommEventSink sink([&target] { return &target; });
    std::vector<bool> intact;
    target.onChunk = [&](std::span<const std::uint8_t> chunk) {
        const std::vector<std::uint8_t> before(chunk.begin(), chunk.end());
        if (target.events.size() == 1)  // the first chunk only
            sink.DataReceived(std::vector<std::uint8_t>(16, 0x55));
        intact.push_back(std::equal(chunk.begin(), chunk.end(), before.begin(), before.end()));
    };
    sink.DataReceived({});
    const std::vector<std::uint8_t> bytes = Counting(2100, 7);
    sink.DataReceived(bytes);
    EXPECT_EQ(target.events, (Events{"data 1024", "data 16", "data 1024", "data 52"}));
    EXPECT_EQ(intact, (std::vector<bool>{true, true, true, true}));
    std::vector<std::uint8_t> expected(bytes.begin(), bytes.begin() + 1024);
    expected.insert(expected.end(), 16, 0x55);
    expected.insert(expected.end(), bytes.begin() + 1024, bytes.end());
    EXPECT_EQ(target.data, expected);
}

// The component raises on a thread of its own: every event must be handled on
// the main thread, in order, before its raise returns.
TEST(CommEventSink, EventsFromAnotherThreadArriveInOrderOnTheReceiversThread)
{
    RecordingTarget target;
    CommEventSink sink([&target] { return &target; });
    std::atomic<int> raisesReturned{0};
    bool handledInTime = true;
    // Raise n hands over data whose first byte is n / 2.
    target.onChunk = [&](std::span<const std::uint8_t> chunk) {
        handledInTime = handledInTime && chunk[0] == raisesReturned / 2;
    };
    QEventLoop loop;
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    std::thread component([&] {
        for (std::uint8_t i = 0; i < 100; ++i) {
            sink.DataReceived(Counting(1025, i));
            ++raisesReturned;
            sink.Progress(i);
            ++raisesReturned;
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    component.join();

    Events expected;
    for (int i = 0; i < 100; ++i)
        expected.insert(expected.end(), {"data 1024", "data 1", "progress " + std::to_string(i)});
    EXPECT_EQ(target.events, expected);
    EXPECT_TRUE(handledInTime);
    EXPECT_TRUE(target.allOnMainThread);
}

TEST(CommEventSink, DestroyingAConnectedSinkDisconnectsIt)
{
    RecordingCommunication component;
    RecordingTarget target;
    ICommEventTarget* current = nullptr;
    {
        CommEventSink sink([&current] { return current; });
        ASSERT_TRUE(sink.Connect(component));
        // Dropped while no receiver is there.
        component.m_pEvents->DataReceived(Counting(2000));
        component.m_pEvents->TransferFailed();
        current = &target;
        component.m_pEvents->Progress(100);
    }
    EXPECT_EQ(component.m_calls, (Events{"Advise(sink)", "Advise(null)"}));
    EXPECT_EQ(target.events, Events{"progress 100"});
}

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
        RecordingTarget target;
        auto sink = std::make_unique<CommEventSink>([&target] { return &target; });
        EXPECT_TRUE(sink->Connect(component));
        if (round % 2 == 1)
            target.onChunk = [&](std::span<const std::uint8_t>) { sink->Disconnect(); };
        while (target.events.size() < 3 && sink->IsConnected())
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

// The sink's tests need an event loop on the main thread.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
