#include <atomic>
#include <future>
#include <thread>

#include "link_test_support.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

using PtyTransferTest = PtyLinkTest;

// Progress rises and the last block does not report 100 before the end does;
// the user interface checks the checksum from inside that last event.
TEST_F(PtyTransferTest, DownloadProgressRisesToOneHundredWhereTheChecksumIsChecked)
{
    std::promise<SendReceiveResult> verified;
    std::atomic<bool> asked{false};
    m_events.OnEvent([&](const Recorded& got) {
        if (got.Ended() && !asked.exchange(true))
            verified.set_value(m_comm->SendReceive(Bytes{0x1F, 0x65, 0x07}, 4));
    });
    const Bytes image = Pattern(40 * 1024);
    ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
    EXPECT_EQ(m_peer.Read(image.size()), image);
    EXPECT_EQ(m_peer.Read(3), (Bytes{0x1F, 0x65, 0x07}));
    m_peer.Write({0x00, 0x01, 0x34, 0x12});
    auto result = verified.get_future();
    ASSERT_EQ(result.wait_for(3s), std::future_status::ready);
    EXPECT_EQ(result.get().reply, (Bytes{0x00, 0x01, 0x34, 0x12}));
    ExpectRisingToOneHundred(m_events.Now());
}

TEST_F(PtyTransferTest, SendReceiveTakesTheReplyOnlyOrGivesUpAtTheReadTimeout)
{
    std::thread printer([&] {
        EXPECT_EQ(m_peer.Read(3), (Bytes{0x1F, 0x65, 0x05}));
        m_peer.Write({0x00, 0x01, 0xCC, 0xED, 0x6A, 0x00, 0x00});
        EXPECT_EQ(m_peer.Read(2), (Bytes{0x1F, 0x07}));
        m_peer.Write({0x03});
    });
    const auto full = m_comm->SendReceive(Bytes{0x1F, 0x65, 0x05}, 4);
    EXPECT_TRUE(full.ok);
    EXPECT_EQ(full.reply, (Bytes{0x00, 0x01, 0xCC, 0xED}));
    // What follows the reply is the reader's.
    EXPECT_EQ(m_events.WaitForData(3, 2s).data, (Bytes{0x6A, 0x00, 0x00}));

    m_comm->SetTimeouts(300, 1000);
    const auto start = Clock::now();
    const auto partial = m_comm->SendReceive(Bytes{0x1F, 0x07}, 3);
    printer.join();
    EXPECT_FALSE(partial.ok);
    EXPECT_EQ(partial.reply, Bytes{0x03});
    EXPECT_GE(Clock::now() - start, 300ms);
    EXPECT_LT(Clock::now() - start, 2s);
}

// The printer takes the query and never answers.
TEST_F(PtyTransferTest, AbortAndCloseEndTheWaitForAReplyAtOnce)
{
    m_comm->SetTimeouts(3000, 1000);
    const Bytes query{0x1D, 0x72, 0x01};
    for (const bool close : {false, true}) {
        auto reply = std::async(std::launch::async, [&] { return m_comm->SendReceive(query, 1); });
        ASSERT_EQ(m_peer.Read(query.size()), query);
        const auto start = Clock::now();
        close ? m_comm->Close() : m_comm->Abort();
        EXPECT_LT(Clock::now() - start, 100ms) << close;
        ASSERT_EQ(reply.wait_for(100ms), std::future_status::ready) << close;
        EXPECT_FALSE(reply.get().ok);
    }
}

TEST_F(PtyTransferTest, AbortFromInsideAProgressEvent)
{
    m_events.OnEvent([&](const Recorded&) { m_comm->Abort(); });
    const Bytes image(512 * 1024, 0x5A);
    ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
    EXPECT_LT(m_peer.Read(image.size(), 300ms).size(), image.size());
    EXPECT_EQ(m_comm->Send(Bytes{0x1D, 0x23, 0x00}, kSendModeCommand), kSendOk);
}

// The handler leaves only after it has seen the link closing and done some more.
TEST_F(PtyTransferTest, CloseReturnsOnlyOnceAnEventInProgressHasEnded)
{
    std::promise<void> entered;
    std::atomic<bool> inside{false};
    m_events.OnEvent([&](const Recorded&) {
        inside = true;
        entered.set_value();
        while (m_comm->IsOpen())
            std::this_thread::yield();
        for (int i = 0; i < 1000; ++i)
            std::this_thread::yield();
        inside = false;
    });
    m_peer.Write({0x0D});
    entered.get_future().wait();
    m_comm->Close();
    EXPECT_FALSE(inside);
}

TEST_F(PtyTransferTest, CloseFromInsideADataEventThenDestroy)
{
    std::promise<void> closed;
    m_events.OnEvent([&](const Recorded&) {
        m_comm->Close();
        closed.set_value();
    });
    m_peer.Write({0x0D});
    ASSERT_EQ(closed.get_future().wait_for(2s), std::future_status::ready);
    EXPECT_FALSE(m_comm->IsOpen());
    m_comm.reset();
}

}  // namespace
