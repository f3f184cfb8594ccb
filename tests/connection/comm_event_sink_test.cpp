#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "comm_event_sink.h"
#include "recording_communication.h"

namespace {

std::vector<std::uint8_t> Counting(std::size_t size, std::uint8_t start = 0)
{
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), start);
    return bytes;
}

// Keeps what it is handed, with the thread it was handed on.
class RecordingTarget : public ICommEventTarget {
public:
    std::vector<std::string> m_events;
    std::vector<std::uint8_t> m_data;
    std::vector<QThread*> m_threads;
    std::function<void(std::span<const std::uint8_t>)> m_onChunk;

    void OnDataReceived(std::span<const std::uint8_t> chunk) override
    {
        Note("data " + std::to_string(chunk.size()));
        m_data.insert(m_data.end(), chunk.begin(), chunk.end());
        if (m_onChunk)
            m_onChunk(chunk);
    }
    void OnTransferProgress(std::int32_t percent) override { Note("progress " + std::to_string(percent)); }
    void OnTransferFailed() override { Note("failed"); }

private:
    void Note(std::string event)
    {
        m_events.push_back(std::move(event));
        m_threads.push_back(QThread::currentThread());
    }
};

class CommEventSinkTest : public ::testing::Test {
protected:
    RecordingTarget m_target;
    ICommEventTarget* m_pCurrent = &m_target;
    CommEventSink m_sink{[this] { return m_pCurrent; }};
};

TEST_F(CommEventSinkTest, DataIsCutIntoChunksOfAtMost1024Bytes)
{
    const struct {
        std::size_t size;
        std::vector<std::string> events;
    } cases[] = {
        {1, {"data 1"}},
        {1024, {"data 1024"}},
        {1025, {"data 1024", "data 1"}},
        {2048, {"data 1024", "data 1024"}},
        {3000, {"data 1024", "data 1024", "data 952"}},
    };
    for (const auto& c : cases) {
        RecordingTarget target;
        m_pCurrent = &target;
        const std::vector<std::uint8_t> bytes = Counting(c.size, 7);
        m_sink.DataReceived(bytes);
        EXPECT_EQ(target.m_events, c.events) << c.size << " bytes";
        EXPECT_EQ(target.m_data, bytes) << c.size << " bytes";
    }
}

TEST_F(CommEventSinkTest, NoBytesNoChunk)
{
    m_sink.DataReceived({});
    EXPECT_TRUE(m_target.m_events.empty());
}

TEST_F(CommEventSinkTest, ProgressAndFailureReachTheReceiver)
{
    m_sink.Progress(42);
    m_sink.Progress(100);
    m_sink.TransferFailed();
    EXPECT_EQ(m_target.m_events, (std::vector<std::string>{"progress 42", "progress 100", "failed"}));
}

TEST_F(CommEventSinkTest, EventsWithoutAReceiverAreDropped)
{
    m_pCurrent = nullptr;
    const std::vector<std::uint8_t> bytes = Counting(2000);
    m_sink.DataReceived(bytes);
    m_sink.Progress(5);
    m_sink.TransferFailed();

    m_pCurrent = &m_target;
    m_sink.Progress(6);
    EXPECT_EQ(m_target.m_events, (std::vector<std::string>{"progress 6"}));
}

TEST_F(CommEventSinkTest, AChunkSurvivesARaiseFromItsOwnHandler)
{
    std::vector<bool> chunkIntact;
    bool nested = false;
    m_target.m_onChunk = [&](std::span<const std::uint8_t> chunk) {
        const std::vector<std::uint8_t> before(chunk.begin(), chunk.end());
        if (!nested) {
            nested = true;
            const std::vector<std::uint8_t> inner(16, 0x55);
            m_sink.DataReceived(inner);
        }
        chunkIntact.push_back(std::equal(chunk.begin(), chunk.end(), before.begin(), before.end()));
    };
    const std::vector<std::uint8_t> outer(1500, 0xAA);
    m_sink.DataReceived(outer);

    EXPECT_EQ(m_target.m_events, (std::vector<std::string>{"data 1024", "data 16", "data 476"}));
    EXPECT_EQ(chunkIntact, (std::vector<bool>{true, true, true}));
}

// The component raises on a thread of its own while the receiver lives on the
// main thread: every event must arrive there, in order, and each raise must
// wait until its event has been handled.
TEST_F(CommEventSinkTest, EventsFromAnotherThreadArriveInOrderOnTheReceiversThread)
{
    constexpr int kEvents = 300;
    std::atomic<int> raisesReturned{0};
    std::vector<int> returnedWhenHandled;
    m_target.m_onChunk = [&](std::span<const std::uint8_t>) { returnedWhenHandled.push_back(raisesReturned); };

    std::vector<std::string> expectedEvents;
    std::vector<std::uint8_t> expectedData;
    std::vector<int> expectedReturned;
    for (int i = 0; i < kEvents; ++i) {
        if (i % 3 == 0) {
            const std::size_t size = static_cast<std::size_t>(i * 37 % 2500 + 1);
            for (std::size_t done = 0; done < size; done += kCommChunkSize) {
                expectedEvents.push_back("data " + std::to_string(std::min(kCommChunkSize, size - done)));
                expectedReturned.push_back(i);
            }
            const std::vector<std::uint8_t> bytes = Counting(size, static_cast<std::uint8_t>(i));
            expectedData.insert(expectedData.end(), bytes.begin(), bytes.end());
        } else if (i % 50 == 1) {
            expectedEvents.push_back("failed");
        } else {
            expectedEvents.push_back("progress " + std::to_string(i % 101));
        }
    }

    QEventLoop loop;
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    std::thread component([&] {
        for (int i = 0; i < kEvents; ++i) {
            if (i % 3 == 0) {
                const std::size_t size = static_cast<std::size_t>(i * 37 % 2500 + 1);
                m_sink.DataReceived(Counting(size, static_cast<std::uint8_t>(i)));
            } else if (i % 50 == 1) {
                m_sink.TransferFailed();
            } else {
                m_sink.Progress(i % 101);
            }
            ++raisesReturned;
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    component.join();

    EXPECT_EQ(m_target.m_events, expectedEvents);
    EXPECT_EQ(m_target.m_data, expectedData);
    EXPECT_EQ(returnedWhenHandled, expectedReturned);
    EXPECT_TRUE(std::all_of(m_target.m_threads.begin(), m_target.m_threads.end(),
                            [](QThread* thread) { return thread == QCoreApplication::instance()->thread(); }));
}

TEST(CommEventSinkConnection, CookieFollowsTheConnection)
{
    RecordingCommunication component;
    CommEventSink sink([] { return nullptr; });
    EXPECT_EQ(sink.Cookie(), kSinkNotConnected);
    EXPECT_FALSE(sink.IsConnected());

    ASSERT_TRUE(sink.Connect(component));
    EXPECT_TRUE(sink.IsConnected());
    EXPECT_NE(sink.Cookie(), kSinkNotConnected);
    EXPECT_EQ(component.m_pEvents, &sink);

    sink.Disconnect();
    sink.Disconnect();
    EXPECT_EQ(sink.Cookie(), kSinkNotConnected);
    EXPECT_EQ(component.m_calls, (std::vector<std::string>{"Advise(sink)", "Advise(null)"}));
    EXPECT_EQ(component.m_pEvents, nullptr);
}

TEST(CommEventSinkConnection, RefusedConnectionLeavesTheSinkUnconnected)
{
    RecordingCommunication component;
    component.m_bAdviseAccepted = false;
    {
        CommEventSink sink([] { return nullptr; });
        EXPECT_FALSE(sink.Connect(component));
        EXPECT_EQ(sink.Cookie(), kSinkNotConnected);
        sink.Disconnect();
    }
    EXPECT_EQ(component.m_calls, (std::vector<std::string>{"Advise(sink)"}));
    EXPECT_EQ(kSinkConnectFailedMessage, "QLINK - Events : Unable to connect to the sink object.");
}

TEST(CommEventSinkConnection, DestroyingAConnectedSinkDisconnectsIt)
{
    RecordingCommunication component;
    RecordingTarget target;
    {
        CommEventSink sink([&target] { return &target; });
        ASSERT_TRUE(sink.Connect(component));
        component.m_pEvents->Progress(100);
    }
    EXPECT_EQ(component.m_pEvents, nullptr);
    EXPECT_EQ(target.m_events, (std::vector<std::string>{"progress 100"}));
}

}  // namespace
