#include <algorithm>
#include <numeric>

#include "usb_test_support.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

// A download image of columns x 8 by rows x 8 dots, as a host sends it.
Bytes LogoImage(std::uint8_t columns, std::uint8_t rows)
{
    Bytes image = Pattern(std::size_t{8} * columns * rows + 4);
    std::copy_n(Bytes{0x1D, 0x2A, columns, rows}.begin(), 4, image.begin());
    return image;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
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
    // 65, 01, then 0 minus the image's byte sum.
    const auto sum = static_cast<std::uint16_t>(-std::accumulate(image.begin(), image.end(), 0u));
    const Bytes checksumReply{0x65, 0x01, static_cast<std::uint8_t>(sum & 0xFF), static_cast<std::uint8_t>(sum >> 8)};
    for (const std::size_t rate : {std::size_t{0}, std::size_t{200000}}) {
        SCOPED_TRACE(rate);
        OpenPrinter({.outBytesPerSecond = rate});
        ASSERT_EQ(m_comm->Send(select, kSendModeCommand), kSendOk);
        ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
        ExpectRisingToOneHundred(m_events->WaitFor(5s, &Recorded::Ended));
        const SendReceiveResult check = m_comm->SendReceive(checksum, 4);
        EXPECT_TRUE(check.ok);
        EXPECT_EQ(check.reply, checksumReply);
        EXPECT_EQ(m_printer->State().received, Join({select, image, checksum}));

        // The same image as one command: bulk writes of 16 kB, each whole.
        ASSERT_EQ(m_comm->Send(image, kSendModeCommand), kSendOk);
        EXPECT_EQ(m_printer->State().received.size(), select.size() + 2 * image.size() + checksum.size());
    }
}

// The upload reply runs to hundreds of bytes: it arrives whole and in order
// whether the printer ends each bulk IN transfer after one 64-byte packet or
// sends it in one.
TEST_F(UsbTransfer, AnUploadArrivesWholeInPacketsOrInOne)
{
    const Bytes commands = Join({{0x1D, 0x23, 0x03}, LogoImage(8, 8), {0x1F, 0x6A}});
    // What the printer answers, from the printer itself.
    Bytes expected;
    VirtualPrinter reference;
    for (const PrinterAnswer& answer : reference.Feed(commands))
        expected.insert(expected.end(), answer.bytes.begin(), answer.bytes.end());
    ASSERT_GT(expected.size(), 8 * FakeUsbPrinter::kMaxPacket);

    for (const bool packets : {true, false}) {
        SCOPED_TRACE(packets);
        OpenPrinter({.onePacketPerTransfer = packets});
        ASSERT_EQ(m_comm->Send(commands, kSendModeCommand), kSendOk);
        EXPECT_EQ(m_events->WaitForData(expected.size(), 3s).data, expected);
        EXPECT_EQ(m_printer->State().inTransfers, packets ? (expected.size() + 63) / 64 : 1u);
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
    EXPECT_EQ(m_printer->State().printed, 1u);
    EXPECT_TRUE(m_printer->Slot(9).has_value());
    EXPECT_EQ(m_comm->SendReceive(erase, 1).reply, Bytes{0x0D});
    EXPECT_FALSE(m_printer->Slot(9).has_value());
    EXPECT_EQ(m_printer->State().received, Join({total, logoArea, remaining, setSize, select, image, print, erase}));
    // Nothing was left over for the reader.
    EXPECT_TRUE(m_events->Now().data.empty());
}

using UsbFault = UsbTest;

// This process's descriptors on a USB device node and the timers libusb
// makes, one per context. Sockets and event descriptors are left out: umockdev
// and GLib open and close their own on their worker threads in their own time.
std::size_t UsbHandles()
{
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (target.find("/dev/bus/usb/") != std::string::npos || target == "anon_inode:[timerfd]")
            ++count;
    }
    return count;
}

// Pulled out 20000 bytes into 41476: the download fails within a second,
// and once the component is gone it has left no descriptor and no URB.
TEST_F(UsbFault, UnpluggedMidDownloadFailsWithinASecondAndLeavesNothingOpen)
{
    const std::size_t before = UsbHandles();
    OpenPrinter({.vanishAfterOutBytes = 20000});
    EXPECT_EQ(UsbHandles(), before + 2);
    const auto start = Clock::now();
    ASSERT_EQ(m_comm->Send(LogoImage(72, 72), kSendModeLogoDownload), kSendOk);
    const Recorded got = m_events->WaitFor(1s, &Recorded::Ended);
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_EQ(got.failures, 1);
    EXPECT_EQ(std::count(got.progress.begin(), got.progress.end(), 100), 0);
    EXPECT_EQ(m_printer->State().received.size(), 20000u);
    // Later calls fail rather than hang.
    EXPECT_NE(m_comm->Send(Bytes{0x1D, 0x23, 0x01}, kSendModeCommand), kSendOk);
    m_comm->Close();
    m_comm.reset();
    EXPECT_EQ(m_printer->State().urbsInFlight, 0u);
    EXPECT_EQ(UsbHandles(), before);
}

// A halted endpoint ends a transfer at once, well inside its time-outs; a
// printer that takes nothing ends it at the write time-out and one that never
// answers at the read time-out, each the shorter of the two.
TEST_F(UsbFault, StalledOrSilentPrintersFailTheTransferInTime)
{
    const Bytes query{0x1F, 0x65, 0x00};
    const struct {
        FakePrinterFaults faults;
        bool awaitReply;
        std::int32_t readMs, writeMs;
        std::chrono::milliseconds least, most;
    } rows[] = {
        {{.stalledEndpoint = FakeUsbPrinter::kBulkOut}, false, 1000, 1000, 0ms, 500ms},
        {{.stalledEndpoint = FakeUsbPrinter::kBulkIn}, true, 1000, 1000, 0ms, 500ms},
        {{.outBytesPerSecond = 1}, false, 1000, 300, 300ms, 1s},
        {{.silent = true}, true, 300, 1000, 300ms, 1s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        OpenPrinter(row.faults);
        m_comm->SetTimeouts(row.readMs, row.writeMs);
        const auto start = Clock::now();
        EXPECT_FALSE(row.awaitReply ? m_comm->SendReceive(query, 4).ok
                                    : m_comm->Send(query, kSendModeCommand) == kSendOk);
        EXPECT_GE(Clock::now() - start, row.least);
        EXPECT_LT(Clock::now() - start, row.most);
        // A reply is waited for only once the query is out.
        EXPECT_EQ(m_printer->State().received, row.awaitReply ? query : Bytes{});
    }
}

// A printer taking 40 kB/s would need a second for the logo.
TEST_F(UsbFault, AbortStopsADownloadWithin100Milliseconds)
{
    OpenPrinter({.outBytesPerSecond = 40000});
    const Bytes image = LogoImage(72, 72);
    ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
    ASSERT_FALSE(m_events->WaitFor(2s, [](const Recorded& got) { return !got.progress.empty(); }).progress.empty());
    const auto start = Clock::now();
    m_comm->Abort();
    EXPECT_LT(Clock::now() - start, 100ms);
    const Recorded stopped = m_events->Now();
    const std::size_t taken = m_printer->State().received.size();
    EXPECT_LT(taken, image.size());

    // The line is free again, and the stopped download sends no more.
    const Bytes next{0x1D, 0x23, 0x01};
    EXPECT_EQ(m_comm->Send(next, kSendModeCommand), kSendOk);
    const Bytes received = m_printer->State().received;
    ASSERT_EQ(received.size(), taken + next.size());
    EXPECT_EQ(Bytes(received.end() - 3, received.end()), next);
    EXPECT_EQ(m_events->Now().progress, stopped.progress);
    EXPECT_EQ(m_events->Now().failures, 0);
}

}  // namespace
