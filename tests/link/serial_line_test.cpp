#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "communication_component.h"
#include "event_recorder.h"
#include "fake_termios.h"
#include "line_settings.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kFakePath = "/fake/ttyPrinter";
const std::vector<std::uint8_t> kSelectLogo{0x1D, 0x23, 0x05};

struct Line {
    std::int32_t baud;
    std::int32_t parity;
    std::int32_t stopBits;
    std::int32_t flow;
};

class FakeSerialTest : public ::testing::Test {
protected:
    void Open(const Line& line)
    {
        m_comm->put_BaudRate(line.baud);
        m_comm->put_DataBits(8);
        m_comm->put_Parity(line.parity);
        m_comm->put_StopBits(line.stopBits);
        m_comm->put_FlowControl(line.flow);
        m_comm->Open(kFakePath);
    }

    std::shared_ptr<FakeTermiosApi> m_fake = std::make_shared<FakeTermiosApi>();
    std::unique_ptr<ICommunication> m_comm = MakeCommunicationComponent(m_fake);
};

TEST_F(FakeSerialTest, LineParametersBecomeTermiosFlags)
{
    Open({9600, kParityEven, kStopBitsTwo, kFlowCts});
    ASSERT_TRUE(m_comm->IsOpen());
    EXPECT_EQ(m_fake->OpenedPath(), kFakePath);
    const termios set = m_fake->Attributes();
    EXPECT_EQ(cfgetospeed(&set), B9600);
    EXPECT_EQ(cfgetispeed(&set), B9600);
    EXPECT_EQ(set.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(set.c_cflag & PARENB);
    EXPECT_FALSE(set.c_cflag & PARODD);
    EXPECT_TRUE(set.c_cflag & CSTOPB);
    EXPECT_TRUE(set.c_cflag & CRTSCTS);
    EXPECT_FALSE(set.c_iflag & (IXON | IXOFF));
    // Raw: no line editing, echo or output processing to alter logo bytes.
    EXPECT_FALSE(set.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(set.c_oflag & OPOST);
    EXPECT_FALSE(set.c_iflag & (ICRNL | ISTRIP));
    EXPECT_TRUE(set.c_cflag & CLOCAL);
    EXPECT_TRUE(set.c_cflag & CREAD);
    EXPECT_EQ(set.c_cc[VMIN], 0);
    EXPECT_EQ(set.c_cc[VTIME], 0);
}

TEST_F(FakeSerialTest, EveryBaudRateOfTheSettingsIsAccepted)
{
    const std::pair<std::int32_t, speed_t> rates[] = {{115200, B115200}, {57600, B57600}, {38400, B38400},
                                                      {19200, B19200},   {9600, B9600},   {4800, B4800}};
    for (const auto& [baud, speed] : rates) {
        Open({baud, kParityNone, kStopBitsOne, kFlowDtrDsr});
        ASSERT_TRUE(m_comm->IsOpen()) << baud;
        const termios set = m_fake->Attributes();
        EXPECT_EQ(cfgetospeed(&set), speed) << baud;
    }
}

TEST_F(FakeSerialTest, OddParityOneStopBitAndSoftwareHandshake)
{
    Open({115200, kParityOdd, kStopBitsOne, kFlowXonXoff});
    ASSERT_TRUE(m_comm->IsOpen());
    const termios set = m_fake->Attributes();
    EXPECT_EQ(set.c_cflag & (PARENB | PARODD), static_cast<tcflag_t>(PARENB | PARODD));
    EXPECT_FALSE(set.c_cflag & CSTOPB);
    EXPECT_EQ(set.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_FALSE(set.c_cflag & CRTSCTS);
}

TEST_F(FakeSerialTest, StopValueOneMeansOneStopBitAndUnknownHandshakeMeansNone)
{
    Open({115200, kParityNone, kStopBitsOneAlso, 0});
    ASSERT_TRUE(m_comm->IsOpen());
    const termios set = m_fake->Attributes();
    EXPECT_FALSE(set.c_cflag & (CSTOPB | PARENB | CRTSCTS));
    EXPECT_FALSE(set.c_iflag & (IXON | IXOFF));
    EXPECT_EQ(m_fake->RaisedLines() & TIOCM_DTR, 0);
}

TEST_F(FakeSerialTest, DsrHandshakesRaiseDtrAndLeaveHardwareFlowOff)
{
    for (const std::int32_t flow : {kFlowDtrDsr, kFlowDsr}) {
        Open({115200, kParityNone, kStopBitsOne, flow});
        ASSERT_TRUE(m_comm->IsOpen());
        EXPECT_TRUE(m_fake->RaisedLines() & TIOCM_DTR) << flow;
        const termios set = m_fake->Attributes();
        EXPECT_FALSE(set.c_cflag & CRTSCTS) << flow;
        EXPECT_FALSE(set.c_iflag & (IXON | IXOFF)) << flow;
    }
}

TEST_F(FakeSerialTest, ParametersALineCannotTakeLeaveThePortClosed)
{
    for (const Line& line : {Line{1234, kParityNone, kStopBitsOne, kFlowDtrDsr},
                             Line{9600, 3, kStopBitsOne, kFlowDtrDsr}, Line{9600, kParityNone, 3, kFlowDtrDsr}}) {
        Open(line);
        EXPECT_FALSE(m_comm->IsOpen()) << line.baud << " " << line.parity << " " << line.stopBits;
    }
}

TEST_F(FakeSerialTest, DtrDsrHandshakeWritesOnceDsrGoesHigh)
{
    Open({115200, kParityNone, kStopBitsOne, kFlowDtrDsr});
    m_comm->SetTimeouts(1000, 3000);
    std::thread printer([this] {
        std::this_thread::sleep_for(200ms);
        // Nothing may have gone out while DSR was low.
        EXPECT_TRUE(m_fake->Written().empty());
        m_fake->SetModemLines(TIOCM_DSR);
    });
    const auto start = Clock::now();
    EXPECT_EQ(m_comm->Send(kSelectLogo, kSendModeCommand), kSendOk);
    EXPECT_GE(Clock::now() - start, 150ms);
    printer.join();
    EXPECT_EQ(m_fake->Written(), kSelectLogo);
}

TEST_F(FakeSerialTest, DsrLowPastTheWriteTimeoutFailsTheSend)
{
    for (const std::int32_t flow : {kFlowDtrDsr, kFlowDsr}) {
        Open({115200, kParityNone, kStopBitsOne, flow});
        m_comm->SetTimeouts(1000, 300);
        const auto start = Clock::now();
        EXPECT_EQ(m_comm->Send(kSelectLogo, kSendModeCommand), 0) << flow;
        const auto waited = Clock::now() - start;
        EXPECT_GE(waited, 300ms);
        EXPECT_LT(waited, 2s);
        EXPECT_TRUE(m_fake->Written().empty());
    }
}

TEST_F(FakeSerialTest, DownloadHeldByDsrPastTheWriteTimeoutFails)
{
    EventRecorder events;
    m_comm->Advise(&events);
    Open({115200, kParityNone, kStopBitsOne, kFlowDsr});
    m_comm->SetTimeouts(1000, 200);
    const std::vector<std::uint8_t> image(1000, 0x55);
    ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
    ASSERT_TRUE(events.WaitForEnd(3s));
    EXPECT_EQ(events.Failures(), 1);
    EXPECT_TRUE(events.Progresses().empty());
}

TEST_F(FakeSerialTest, OtherHandshakesAndDevicesWithoutModemLinesDoNotWaitForDsr)
{
    Open({115200, kParityNone, kStopBitsOne, kFlowCts});
    m_comm->SetTimeouts(1000, 2000);
    auto start = Clock::now();
    EXPECT_EQ(m_comm->Send(kSelectLogo, kSendModeCommand), kSendOk);
    EXPECT_LT(Clock::now() - start, 500ms);

    m_fake->RemoveModemLines();
    Open({115200, kParityNone, kStopBitsOne, kFlowDtrDsr});
    start = Clock::now();
    EXPECT_EQ(m_comm->Send(kSelectLogo, kSendModeCommand), kSendOk);
    EXPECT_LT(Clock::now() - start, 500ms);
    EXPECT_EQ(m_fake->Written().size(), 2 * kSelectLogo.size());
}

}  // namespace
