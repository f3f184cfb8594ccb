#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <numeric>
#include <thread>

#include "link_test_support.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

using PtyTransferTest = PtyLinkTest;

TEST_F(PtyTransferTest, CommandBytesArriveUntranslated)
{
    const Bytes command{0x1D, 0x23, 0xFF, 0x0D, 0x0A, 0x11, 0x13, 0x00};
    EXPECT_EQ(m_comm->Send(command, kSendModeCommand), kSendOk);
    EXPECT_EQ(m_peer.Read(command.size()), command);
}

TEST_F(PtyTransferTest, DownloadProgressRisesAndEndsInOneHundredOnce)
{
    // One block, then many: the last block must not report 100 before the end does.
    for (const std::size_t size : {12u, 40u * 1024u}) {
        SCOPED_TRACE(size);
        EventRecorder events;
        m_comm->Advise(&events);
        const Bytes image = Pattern(size);
        ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
        EXPECT_EQ(m_peer.Read(size), image);
        const Recorded got = events.WaitFor(3s, &Recorded::Ended);
        m_comm->Advise(nullptr);
        EXPECT_EQ(got.failures, 0);
        ASSERT_GE(got.progress.size(), 2u);
        EXPECT_GT(got.progress.front(), 0);
        EXPECT_EQ(std::adjacent_find(got.progress.begin(), got.progress.end(), std::greater_equal<>()),
                  got.progress.end());
        EXPECT_EQ(got.progress.back(), 100);
    }
}

TEST_F(PtyTransferTest, PeerHangingUpFailsTheDownload)
{
    ASSERT_EQ(m_comm->Send(Pattern(512 * 1024), kSendModeLogoDownload), kSendOk);
    EXPECT_EQ(m_peer.Read(1024).size(), 1024u);
    m_peer.HangUp();
    const Recorded got = m_events.WaitFor(3s, &Recorded::Ended);
    EXPECT_EQ(got.failures, 1);
    EXPECT_EQ(std::count(got.progress.begin(), got.progress.end(), 100), 0);
}

TEST_F(PtyTransferTest, AbortStopsADownloadSilentlyAndFreesTheLine)
{
    // The peer reads nothing, so the download stalls on full buffers.
    const Bytes image = Pattern(512 * 1024);
    ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
    ASSERT_FALSE(m_events.WaitFor(3s, [](const Recorded& got) { return !got.progress.empty(); }).progress.empty());
    // Anything else now would mix its bytes into the logo.
    EXPECT_EQ(m_comm->Send(image, kSendModeLogoDownload), 0);
    EXPECT_EQ(m_comm->Send(Bytes{0x1F, 0x6A}, kSendModeCommand), 0);
    EXPECT_FALSE(m_comm->SendReceive(Bytes{0x1D, 0x0B}, 1).ok);

    const auto start = Clock::now();
    m_comm->Abort();
    EXPECT_LT(Clock::now() - start, 500ms);
    const auto raised = m_events.Now().progress;
    EXPECT_GT(m_peer.Read(image.size(), 300ms).size(), 0u);
    EXPECT_EQ(m_events.Now().progress, raised);
    EXPECT_EQ(m_events.Now().failures, 0);

    const Bytes next{0x1D, 0x23, 0x01};
    EXPECT_EQ(m_comm->Send(next, kSendModeCommand), kSendOk);
    EXPECT_EQ(m_peer.Read(next.size()), next);
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

TEST_F(PtyTransferTest, UnsolicitedBytesArriveInOrderWhateverThePieces)
{
    Bytes upload(300);
    std::iota(upload.begin(), upload.end(), std::uint8_t{0});
    for (const std::uint8_t byte : upload)
        m_peer.Write({byte});
    EXPECT_EQ(m_events.WaitForData(upload.size(), 3s).data, upload);
}

// The user interface checks the checksum from the download's last event.
TEST_F(PtyTransferTest, ChecksumCheckFromInsideTheLastProgressEvent)
{
    std::promise<SendReceiveResult> verified;
    m_events.OnProgress([&](std::int32_t percent) {
        if (percent == 100)
            verified.set_value(m_comm->SendReceive(Bytes{0x1F, 0x65, 0x07}, 4));
    });
    const Bytes image(5000, 0xA5);
    ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
    EXPECT_EQ(m_peer.Read(image.size()), image);
    EXPECT_EQ(m_peer.Read(3), (Bytes{0x1F, 0x65, 0x07}));
    m_peer.Write({0x00, 0x01, 0x34, 0x12});
    auto result = verified.get_future();
    ASSERT_EQ(result.wait_for(3s), std::future_status::ready);
    EXPECT_EQ(result.get().reply, (Bytes{0x00, 0x01, 0x34, 0x12}));
}

TEST_F(PtyTransferTest, AbortFromInsideAProgressEvent)
{
    m_events.OnProgress([&](std::int32_t) { m_comm->Abort(); });
    const Bytes image(512 * 1024, 0x5A);
    ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
    EXPECT_LT(m_peer.Read(image.size(), 300ms).size(), image.size());
    EXPECT_EQ(m_comm->Send(Bytes{0x1D, 0x23, 0x00}, kSendModeCommand), kSendOk);
}

TEST_F(PtyTransferTest, CloseFromInsideADataEventThenDestroy)
{
    std::promise<void> closed;
    m_events.OnData([&] {
        m_comm->Close();
        closed.set_value();
    });
    m_peer.Write({0x0D});
    ASSERT_EQ(closed.get_future().wait_for(2s), std::future_status::ready);
    EXPECT_FALSE(m_comm->IsOpen());
    m_comm.reset();
}

}  // namespace
