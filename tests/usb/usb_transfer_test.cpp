#include <algorithm>
#include <numeric>

#include "download_image.h"
#include "usb_test_support.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

// A download image of columns x 8 by rows x 8 dots, as a host sends it.
Bytes LogoImage(std::uint8_t columns, std::uint8_t rows)
{
    Bytes image = Pattern(std::size_t{8} * columns * rows + 4);
    image[0] = 0x1D;
    image[1] = 0x2A;
    image[2] = columns;
    image[3] = rows;
    return image;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The checksum reply for a stored image: 65, 01, then 0 minus its byte sum.
Bytes ChecksumReply(const Bytes& image)
{
    const auto sum = static_cast<std::uint16_t>(-std::accumulate(image.begin(), image.end(), 0u));
    return {0x65, 0x01, static_cast<std::uint8_t>(sum & 0xFF), static_cast<std::uint8_t>(sum >> 8)};
}

void ExpectRisingToOneHundred(const Recorded& got)
{
    EXPECT_EQ(got.failures, 0);
    ASSERT_GE(got.progress.size(), 2u);
    EXPECT_EQ(std::adjacent_find(got.progress.begin(), got.progress.end(), std::greater_equal<>()),
              got.progress.end());
    EXPECT_EQ(got.progress.back(), 100);
}

using UsbTransfer = UsbTest;

// 576 x 576 dots, 41476 bytes: through a printer that takes them at once
// and through one that takes 200 kB/s, so that a 16 kB bulk write times out
// part way and goes on with the rest.
TEST_F(UsbTransfer, A576DotLogoDownloadsWithRisingProgressAndItsChecksumMatches)
{
    const Bytes image = LogoImage(72, 72);
    ASSERT_EQ(image.size(), 41476u);
    const Bytes select{0x1D, 0x23, 0x05};
    const Bytes checksum{0x1F, 0x65, 0x05};
    for (const std::size_t rate : {std::size_t{0}, std::size_t{200000}}) {
        SCOPED_TRACE(rate);
        EventRecorder events;
        m_comm.reset();
        OpenPrinter({.outBytesPerSecond = rate});
        m_comm->Advise(&events);
        ASSERT_EQ(m_comm->Send(select, kSendModeCommand), kSendOk);
        ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
        ExpectRisingToOneHundred(events.WaitFor(5s, &Recorded::Ended));
        const SendReceiveResult check = m_comm->SendReceive(checksum, 4);
        EXPECT_TRUE(check.ok);
        EXPECT_EQ(check.reply, ChecksumReply(image));
        EXPECT_EQ(check.reply, ChecksumReply(m_printer->Slot(5).value_or(Bytes{})));
        EXPECT_EQ(m_printer->Received(), Join({select, image, checksum}));

        // The same image as one command: bulk writes of 16 kB, each whole.
        ASSERT_EQ(m_comm->Send(image, kSendModeCommand), kSendOk);
        EXPECT_EQ(m_printer->Received().size(), select.size() + 2 * image.size() + checksum.size());
        m_comm->Advise(nullptr);
    }
}

// The upload reply runs to hundreds of bytes: it arrives whole and in order
// whether the printer ends each bulk IN transfer after one 64-byte packet or
// sends it in one.
TEST_F(UsbTransfer, AnUploadArrivesWholeInPacketsOrInOne)
{
    const Bytes image = LogoImage(8, 8);
    const Bytes commands = Join({{0x1D, 0x23, 0x03}, image, {0x1F, 0x6A}});
    // What the printer answers, from the printer itself.
    Bytes expected;
    VirtualPrinter reference;
    for (const PrinterAnswer& answer : reference.Feed(commands))
        expected.insert(expected.end(), answer.bytes.begin(), answer.bytes.end());
    ASSERT_GT(expected.size(), 8 * FakeUsbPrinter::kMaxPacket);
    EXPECT_EQ(expected[0], 0x6A);

    for (const bool packets : {true, false}) {
        SCOPED_TRACE(packets);
        EventRecorder events;
        m_comm.reset();
        OpenPrinter({.onePacketPerTransfer = packets});
        m_comm->Advise(&events);
        ASSERT_EQ(m_comm->Send(commands, kSendModeCommand), kSendOk);
        EXPECT_EQ(events.WaitForData(expected.size(), 3s).data, expected);
        m_comm->Advise(nullptr);
        EXPECT_EQ(m_printer->InTransfers(), packets ? (expected.size() + 63) / 64 : 1u);
    }
}

// Each command's bytes as the printer takes them and each reply as it gives it.
TEST_F(UsbTransfer, PrintEraseAndTheMemoryQueriesByteForByte)
{
    OpenPrinter();
    const Bytes total{0x1D, 0x0B};
    const Bytes logoArea{0x1F, 0x07, 0x55};
    const Bytes remaining{0x1F, 0x77, 0x01};
    const Bytes setSize{0x1D, 0x22, 0x55, 0x14, 0x00};
    const Bytes select{0x1D, 0x23, 0x09};
    const Bytes image = LogoImage(2, 2);
    const Bytes print{0x1D, 0x2F, 0x03};
    const Bytes erase{0x1D, 0x40, 0x31};

    EXPECT_EQ(m_comm->SendReceive(total, 1).reply, Bytes{0x14});  // 1280 KB in 64 KB units
    EXPECT_EQ(m_comm->SendReceive(logoArea, 3).reply, (Bytes{0x07, 0x08, 0x55}));
    EXPECT_EQ(m_comm->SendReceive(remaining, 8).reply, (Bytes{'5', '2', '4', '2', '8', '8', 0, 0}));
    EXPECT_EQ(m_comm->SendReceive(setSize, 1).reply, Bytes{0x06});
    EXPECT_EQ(m_comm->Send(select, kSendModeCommand), kSendOk);
    EXPECT_EQ(m_comm->Send(image, kSendModeCommand), kSendOk);
    EXPECT_EQ(m_comm->Send(print, kSendModeCommand), kSendOk);
    EXPECT_EQ(m_printer->Printed(), 1u);
    EXPECT_TRUE(m_printer->Slot(9).has_value());
    EXPECT_EQ(m_comm->SendReceive(erase, 1).reply, Bytes{0x0D});
    EXPECT_FALSE(m_printer->Slot(9).has_value());
    EXPECT_EQ(m_printer->Received(), Join({total, logoArea, remaining, setSize, select, image, print, erase}));
    // Nothing was left over for the reader.
    EXPECT_TRUE(m_events.Now().data.empty());
}

using UsbFault = UsbTest;

// Pulled out 20000 bytes into 41476: the download fails within a second,
// and once the component is gone it has left no descriptor and no URB.
TEST_F(UsbFault, UnpluggedMidDownloadFailsWithinASecondAndLeavesNothingOpen)
{
    AddPrinter({.vanishAfterOutBytes = 20000});
    const auto before = Descriptors();
    OpenComponent();
    EXPECT_EQ(Descriptors(), (DescriptorCount{.node = 1, .timers = before.timers + 1}));
    const auto start = Clock::now();
    ASSERT_EQ(m_comm->Send(LogoImage(72, 72), kSendModeLogoDownload), kSendOk);
    const Recorded got = m_events.WaitFor(1s, &Recorded::Ended);
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_EQ(got.failures, 1);
    EXPECT_EQ(std::count(got.progress.begin(), got.progress.end(), 100), 0);
    EXPECT_TRUE(m_printer->Vanished());
    EXPECT_EQ(m_printer->Received().size(), 20000u);
    // Later calls fail rather than hang.
    EXPECT_NE(m_comm->Send(Bytes{0x1D, 0x23, 0x01}, kSendModeCommand), kSendOk);
    m_comm->Close();
    m_comm.reset();
    EXPECT_EQ(m_printer->UrbsInFlight(), 0u);
    EXPECT_EQ(Descriptors(), before);
    EXPECT_EQ(before.node, 0u);
}

// A halted endpoint ends a transfer at once, well inside its time-outs.
TEST_F(UsbFault, AStalledEndpointFailsTheTransferAtOnce)
{
    OpenPrinter({.stalledEndpoint = FakeUsbPrinter::kBulkOut});
    auto start = Clock::now();
    EXPECT_NE(m_comm->Send(Bytes{0x1D, 0x23, 0x01}, kSendModeCommand), kSendOk);
    ASSERT_EQ(m_comm->Send(LogoImage(8, 8), kSendModeLogoDownload), kSendOk);
    EXPECT_EQ(m_events.WaitFor(1s, &Recorded::Ended).failures, 1);
    EXPECT_LT(Clock::now() - start, 500ms);
    EXPECT_TRUE(m_printer->Received().empty());

    m_comm.reset();
    OpenPrinter({.stalledEndpoint = FakeUsbPrinter::kBulkIn});
    start = Clock::now();
    const SendReceiveResult result = m_comm->SendReceive(Bytes{0x1D, 0x0B}, 1);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.reply.empty());
    EXPECT_LT(Clock::now() - start, 500ms);
    EXPECT_EQ(m_printer->Received(), (Bytes{0x1D, 0x0B}));
}

// A printer that takes nothing: the write gives up at the write time-out.
TEST_F(UsbFault, APrinterThatTakesNothingTimesTheWriteOut)
{
    OpenPrinter({.outBytesPerSecond = 1});
    m_comm->SetTimeouts(1000, 300);
    const auto start = Clock::now();
    EXPECT_NE(m_comm->Send(Bytes{0x1D, 0x23, 0x01}, kSendModeCommand), kSendOk);
    EXPECT_GE(Clock::now() - start, 300ms);
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_TRUE(m_printer->Received().empty());
}

TEST_F(UsbFault, APrinterThatNeverAnswersEndsTheWaitAtTheReadTimeout)
{
    OpenPrinter({.silent = true});
    m_comm->SetTimeouts(300, 1000);
    const auto start = Clock::now();
    const SendReceiveResult result = m_comm->SendReceive(Bytes{0x1F, 0x65, 0x00}, 4);
    const auto waited = Clock::now() - start;
    EXPECT_FALSE(result.ok);
    EXPECT_GE(waited, 300ms);
    EXPECT_LT(waited, 1s);
    EXPECT_EQ(m_printer->Received(), (Bytes{0x1F, 0x65, 0x00}));
}

// A printer taking 40 kB/s would need a second for the logo.
TEST_F(UsbFault, AbortStopsADownloadWithin100Milliseconds)
{
    OpenPrinter({.outBytesPerSecond = 40000});
    const Bytes image = LogoImage(72, 72);
    ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
    ASSERT_FALSE(m_events.WaitFor(2s, [](const Recorded& got) { return !got.progress.empty(); }).progress.empty());
    const auto start = Clock::now();
    m_comm->Abort();
    EXPECT_LT(Clock::now() - start, 100ms);
    const Recorded stopped = m_events.Now();
    const std::size_t taken = m_printer->Received().size();
    EXPECT_LT(taken, image.size());

    // The line is free again, and the stopped download sends no more.
    const Bytes next{0x1D, 0x23, 0x01};
    EXPECT_EQ(m_comm->Send(next, kSendModeCommand), kSendOk);
    const Bytes received = m_printer->Received();
    ASSERT_EQ(received.size(), taken + next.size());
    EXPECT_EQ(Bytes(received.end() - 3, received.end()), next);
    EXPECT_EQ(m_events.Now().progress, stopped.progress);
    EXPECT_EQ(m_events.Now().failures, 0);
}

}  // namespace
