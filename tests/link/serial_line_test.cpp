#include <thread>

#include "fake_termios.h"
#include "line_settings.h"
#include "link_test_support.h"

namespace {

using namespace std::chrono_literals;

// With bytes that a terminal left cooked would translate or take as flow control.
const std::vector<std::uint8_t> kCommand{0x1D, 0x23, 0xFF, 0x0D, 0x0A, 0x11, 0x13, 0x00};

struct FakeSerial {
    explicit FakeSerial(const LineSettings& line, std::int32_t writeTimeoutMs = 1000)
    {
        comm->put_BaudRate(line.baudRate);
        comm->put_Parity(line.parity);
        comm->put_StopBits(line.stopBits);
        comm->put_DataBits(line.dataBits);
        comm->put_FlowControl(line.flowControl);
        comm->SetTimeouts(1000, writeTimeoutMs);
        comm->Open(peer.SlavePath());
    }

    PtyPeer peer;
    std::shared_ptr<FakeTermiosApi> fake = std::make_shared<FakeTermiosApi>();
    std::unique_ptr<ICommunication> comm = MakeCommunicationComponent(fake);
};

TEST(SerialLine, SettingsBecomeRawTermiosFlags)
{
    const struct {
        LineSettings line;
        speed_t speed;
        tcflag_t cflag;  // of PARENB, PARODD, CSTOPB, CRTSCTS
        tcflag_t iflag;  // of IXON, IXOFF
        bool dsr;        // DTR raised, and writes wait for DSR, low here
    } rows[] = {
        {{9600, kParityEven, kStopBitsTwo, 8, kFlowCts}, B9600, PARENB | CSTOPB | CRTSCTS, 0, false},
        {{115200, kParityOdd, kStopBitsOne, 8, kFlowXonXoff}, B115200, PARENB | PARODD, IXON | IXOFF, false},
        {{57600, kParityNone, kStopBitsOneAlso, 8, 0}, B57600, 0, 0, false},
        {{38400, kParityNone, kStopBitsOne, 8, kFlowDtrDsr}, B38400, 0, 0, true},
        {{19200, kParityNone, kStopBitsOne, 8, kFlowDsr}, B19200, 0, 0, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.line.baudRate << " baud, flow " << row.line.flowControl);
        FakeSerial serial(row.line, 100);
        ASSERT_TRUE(serial.comm->IsOpen());
        const termios set = serial.fake->Attributes();
        EXPECT_EQ(cfgetospeed(&set), row.speed);
        EXPECT_EQ(cfgetispeed(&set), row.speed);
        EXPECT_EQ(set.c_cflag & (PARENB | PARODD | CSTOPB | CRTSCTS), row.cflag);
        EXPECT_EQ(set.c_iflag & (IXON | IXOFF), row.iflag);
        EXPECT_EQ((serial.fake->RaisedLines() & TIOCM_DTR) != 0, row.dsr);
        EXPECT_EQ(serial.comm->Send(kCommand, kSendModeCommand), row.dsr ? 0 : kSendOk);
        EXPECT_EQ(serial.peer.Read(kCommand.size(), 50ms), row.dsr ? std::vector<std::uint8_t>{} : kCommand);
        // Raw, and parity not checked: nothing may alter logo or reply bytes.
        EXPECT_EQ(set.c_cflag & (CSIZE | CLOCAL | CREAD), static_cast<tcflag_t>(CS8 | CLOCAL | CREAD));
        EXPECT_FALSE(set.c_lflag & (ICANON | ECHO | ISIG));
        EXPECT_FALSE(set.c_oflag & OPOST);
        EXPECT_FALSE(set.c_iflag & (ICRNL | ISTRIP | INPCK));
        EXPECT_EQ(set.c_cc[VMIN], 0);
        EXPECT_EQ(set.c_cc[VTIME], 0);
    }
    for (const LineSettings& line : {LineSettings{1234, kParityNone, kStopBitsOne, 8, kFlowCts},
                                     LineSettings{9600, 3, kStopBitsOne, 8, kFlowCts},
                                     LineSettings{9600, kParityNone, 3, 8, kFlowCts},
                                     LineSettings{9600, kParityNone, kStopBitsOne, 9, kFlowCts}})
        EXPECT_FALSE(FakeSerial(line).comm->IsOpen()) << line.baudRate << " " << line.parity << " " << line.stopBits;
}

// A line without modem lines is not waited for: every PtyLinkTest case writes
// with the default DTR/DSR handshake on a pseudo-terminal.
TEST(SerialLine, DsrHandshakeWritesOnceDsrGoesHigh)
{
    FakeSerial serial({115200, kParityNone, kStopBitsOne, 8, kFlowDsr}, 3000);
    std::thread printer([&] {
        // Asked twice, DSR low both times: the writer is waiting, nothing is out yet.
        EXPECT_TRUE(serial.fake->WaitForModemLineQueries(2));
        EXPECT_TRUE(serial.peer.Read(1, 0ms).empty());
        serial.fake->SetModemLines(TIOCM_DSR);
    });
    EXPECT_EQ(serial.comm->Send(kCommand, kSendModeCommand), kSendOk);
    printer.join();
    EXPECT_EQ(serial.peer.Read(kCommand.size()), kCommand);
}

}  // namespace
