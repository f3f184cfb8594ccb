#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <numeric>
#include <thread>

#include "communication_component.h"
#include "event_recorder.h"
#include "line_settings.h"
#include "port_lists.h"
#include "pty_peer.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::vector<std::uint8_t> Pattern(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

// 8N1 without handshaking: a pseudo-terminal has no modem lines and no parity.
class PtyTransferTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_peer.Ready());
        m_comm->Advise(&m_events);
        m_comm->put_BaudRate(115200);
        m_comm->put_DataBits(8);
        m_comm->put_Parity(kParityNone);
        m_comm->put_StopBits(kStopBitsOne);
        m_comm->put_FlowControl(kFlowDtrDsr);
        m_comm->SetTimeouts(2000, 1000);
        m_comm->Open(m_peer.SlavePath());
        ASSERT_TRUE(m_comm->IsOpen());
    }

    void TearDown() override
    {
        m_comm->Advise(nullptr);
        m_comm->Close();
    }

    PtyPeer m_peer;
    EventRecorder m_events;
    std::unique_ptr<ICommunication> m_comm = MakeCommunicationComponent();
};

TEST_F(PtyTransferTest, CommandBytesArriveExactly)
{
    const std::vector<std::uint8_t> command{0x1D, 0x23, 0xFF, 0x0D, 0x0A, 0x11, 0x13, 0x00};
    EXPECT_EQ(m_comm->Send(command, kSendModeCommand), kSendOk);
    EXPECT_EQ(m_peer.Read(command.size()), command);
}

TEST_F(PtyTransferTest, DownloadReportsRisingProgressEndingInOneHundredOnce)
{
    const auto image = Pattern(40 * 1024);
    std::vector<std::uint8_t> received;
    std::thread printer([&] { received = m_peer.Read(image.size()); });
    ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
    ASSERT_TRUE(m_events.WaitForEnd(5s));
    printer.join();
    EXPECT_EQ(received, image);
    EXPECT_EQ(m_events.Failures(), 0);
    const auto progress = m_events.Progresses();
    ASSERT_GE(progress.size(), 2u);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end(), std::less_equal<>()));
    EXPECT_EQ(std::adjacent_find(progress.begin(), progress.end()), progress.end());
    EXPECT_GT(progress.front(), 0);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(std::count(progress.begin(), progress.end(), 100), 1);
}

TEST_F(PtyTransferTest, TinyDownloadStillEndsInOneHundred)
{
    const std::vector<std::uint8_t> image{0x1D, 0x2A, 0x01, 0x01, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00};
    ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
    ASSERT_TRUE(m_events.WaitForEnd(3s));
    EXPECT_EQ(m_peer.Read(image.size()), image);
    EXPECT_EQ(m_events.Progresses(), (std::vector<std::int32_t>{99, 100}));
}

TEST_F(PtyTransferTest, PeerHangingUpMidDownloadFailsTheTransfer)
{
    const auto image = Pattern(512 * 1024);
    ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
    EXPECT_EQ(m_peer.Read(1024).size(), 1024u);
    m_peer.HangUp();
    ASSERT_TRUE(m_events.WaitForEnd(3s));
    EXPECT_EQ(m_events.Failures(), 1);
    const auto progress = m_events.Progresses();
    EXPECT_EQ(std::count(progress.begin(), progress.end(), 100), 0);
}

TEST_F(PtyTransferTest, AbortStopsADownloadAndNothingIsRaisedAfterwards)
{
    // The peer reads nothing, so the download stalls once the terminal's
    // buffers are full.
    const auto image = Pattern(512 * 1024);
    ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
    ASSERT_TRUE(m_events.WaitForProgress(3s));
    // A second download or a command would mix their bytes into this one.
    EXPECT_EQ(m_comm->Send(image, kSendModeLogoDownload), 0);
    EXPECT_EQ(m_comm->Send(std::vector<std::uint8_t>{0x1F, 0x6A}, kSendModeCommand), 0);
    EXPECT_FALSE(m_comm->SendReceive(std::vector<std::uint8_t>{0x1D, 0x0B}, 1).ok);

    const auto start = Clock::now();
    m_comm->Abort();
    EXPECT_LT(Clock::now() - start, 500ms);
    const auto raised = m_events.EventCount();
    EXPECT_GT(m_peer.Read(image.size(), 300ms).size(), 0u);
    EXPECT_EQ(m_events.EventCount(), raised);
    EXPECT_EQ(m_events.Failures(), 0);
    EXPECT_TRUE(m_comm->IsOpen());

    const std::vector<std::uint8_t> next{0x1D, 0x23, 0x01};
    EXPECT_EQ(m_comm->Send(next, kSendModeCommand), kSendOk);
    EXPECT_EQ(m_peer.Read(next.size()), next);
}

TEST_F(PtyTransferTest, SendReceiveTakesExactlyTheReplyAndLeavesTheRestToTheReader)
{
    const std::vector<std::uint8_t> check{0x1F, 0x65, 0x05};
    const std::vector<std::uint8_t> reply{0x00, 0x01, 0xCC, 0xED};
    const std::vector<std::uint8_t> after{0x6A, 0x00, 0x00};
    std::thread printer([&] {
        EXPECT_EQ(m_peer.Read(check.size()), check);
        auto both = reply;
        both.insert(both.end(), after.begin(), after.end());
        m_peer.Write(both);
    });
    const auto result = m_comm->SendReceive(check, 4);
    printer.join();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.reply, reply);
    ASSERT_TRUE(m_events.WaitForData(after.size(), 2s));
    EXPECT_EQ(m_events.Data(), after);
}

TEST_F(PtyTransferTest, SendReceiveGivesUpAfterTheReadTimeout)
{
    m_comm->SetTimeouts(300, 1000);
    std::thread printer([&] {
        m_peer.Read(2);
        m_peer.Write({0x03});
    });
    const auto start = Clock::now();
    const auto silent = m_comm->SendReceive(std::vector<std::uint8_t>{0x1F, 0x07}, 3);
    const auto waited = Clock::now() - start;
    printer.join();
    EXPECT_FALSE(silent.ok);
    EXPECT_EQ(silent.reply, std::vector<std::uint8_t>{0x03});
    EXPECT_GE(waited, 300ms);
    EXPECT_LT(waited, 2s);
}

TEST_F(PtyTransferTest, UnsolicitedBytesArriveInOrderWhateverThePieces)
{
    std::vector<std::uint8_t> upload(300);
    std::iota(upload.begin(), upload.end(), std::uint8_t{0});
    for (const std::uint8_t byte : upload)
        m_peer.Write({byte});
    ASSERT_TRUE(m_events.WaitForData(upload.size(), 3s));
    EXPECT_EQ(m_events.Data(), upload);
}

TEST_F(PtyTransferTest, NoEventsReachADisconnectedTarget)
{
    m_comm->Advise(nullptr);
    m_peer.Write({0x0D});
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(m_events.EventCount(), 0u);
    m_comm->Advise(&m_events);
    m_peer.Write({0x0D});
    EXPECT_TRUE(m_events.WaitForData(1, 2s));
}

TEST_F(PtyTransferTest, ClosedPortRefusesEverything)
{
    m_comm->Close();
    EXPECT_FALSE(m_comm->IsOpen());
    EXPECT_EQ(m_comm->Send(std::vector<std::uint8_t>{0x1D, 0x40, 0x31}, kSendModeCommand), 0);
    EXPECT_EQ(m_comm->Send(std::vector<std::uint8_t>{0x1D, 0x2A}, kSendModeLogoDownload), 0);
    const auto result = m_comm->SendReceive(std::vector<std::uint8_t>{0x1D, 0x0B}, 1);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.reply.empty());
}

TEST(PtyPortNames, ComNumberOpensTheListedPseudoTerminal)
{
    PtyPeer peer;
    ASSERT_TRUE(peer.Ready());
    ASSERT_EQ(::setenv(kSerialPortsVariable, peer.SlavePath().c_str(), 1), 0);
    auto comm = MakeCommunicationComponent();
    comm->put_FlowControl(kFlowCts);
    const auto ports = comm->GetComPorts();
    const auto at = std::find(ports.begin(), ports.end(), peer.SlavePath());
    ASSERT_NE(at, ports.end());
    comm->Open("COM" + std::to_string(at - ports.begin() + 1));
    ASSERT_TRUE(comm->IsOpen());
    const std::vector<std::uint8_t> print{0x1D, 0x2F, 0x03};
    EXPECT_EQ(comm->Send(print, kSendModeCommand), kSendOk);
    EXPECT_EQ(peer.Read(print.size()), print);
}

TEST(PtyPortNames, NamesThatNameNoPortLeaveItClosed)
{
    ASSERT_EQ(::setenv(kSerialPortsVariable, "", 1), 0);
    auto comm = MakeCommunicationComponent();
    for (const char* name : {"COM0", "COM999", "COM1x", "LPT999", "PRN", "", "/nonexistent/tty"}) {
        comm->Open(name);
        EXPECT_FALSE(comm->IsOpen()) << name;
    }
}

}  // namespace
