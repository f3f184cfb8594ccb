#include <algorithm>

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

// 576 x 576 dots, 41476 bytes. The checksum reply is SendReceive's alone;
// the upload reply, tens of kilobytes, reaches the reader whole and in order.
TEST_F(UsbTransfer, ALogoGoesDownWithRisingProgressAndComesBackWhole)
{
    const Bytes image = LogoImage(72, 72);
    const Bytes select{0x1D, 0x23, 0x05};
    const Bytes checksum{0x1F, 0x65, 0x05};
    const Bytes upload{0x1F, 0x6A};
    // The replies, from the printer itself.
    VirtualPrinter reference;
    reference.Feed(Join({select, image}));
    const Bytes checksumReply = reference.Feed(checksum).front().bytes;
    const Bytes uploadReply = reference.Feed(upload).front().bytes;

    OpenPrinter();
    ASSERT_EQ(m_comm->Send(select, kSendModeCommand), kSendOk);
    ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
    ExpectRisingToOneHundred(m_events->WaitFor(5s, &Recorded::Ended));
    const SendReceiveResult check = m_comm->SendReceive(checksum, 4);
    EXPECT_TRUE(check.ok);
    EXPECT_EQ(check.reply, checksumReply);
    ASSERT_EQ(m_comm->Send(upload, kSendModeCommand), kSendOk);
    EXPECT_EQ(m_events->WaitForData(uploadReply.size(), 3s).data, uploadReply);
    EXPECT_EQ(m_printer->State().received, Join({select, image, checksum, upload}));
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

// A printer unplugged once the query is in fails the wait for the reply at
// once, well inside the time-outs; a printer that takes nothing ends the
// transfer at the write time-out and one that never answers at the read
// time-out, each the shorter of the two.
TEST_F(UsbFault, UnpluggedFullOrSilentPrintersFailTheTransferInTime)
{
    const Bytes query{0x1F, 0x65, 0x00};
    const struct {
        FakePrinterFaults faults;
        bool awaitReply;
        std::int32_t readMs, writeMs;
        std::chrono::milliseconds least, most;
    } rows[] = {
        {{.vanishAfterOutBytes = query.size()}, true, 1000, 1000, 0ms, 500ms},
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

    // The line is free again, and the stopped download sends no more. The
    // image as one command goes in bulk writes of 16 kB, each of which times
    // out part way and goes on with the rest.
    EXPECT_EQ(m_comm->Send(image, kSendModeCommand), kSendOk);
    EXPECT_EQ(m_printer->State().received,
              Join({Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(taken)), image}));
    EXPECT_EQ(m_events->Now().progress, stopped.progress);
    EXPECT_EQ(m_events->Now().failures, 0);
}

}  // namespace
