#include "printer_process.h"

#include "bmp_picture.h"
#include "download_image.h"
#include "logo_picture.h"
#include "printer_commands.h"
#include "printer_replies.h"
#include "reply_faults.h"
#include "upload_receiver.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace std::chrono_literals;
using printer::Bytes;

// 16 x 16 dots, a checkerboard of 8-dot squares with one dot off.
Bytes Logo()
{
    Bytes rows(2 * 16, 0);
    for (std::size_t y = 0; y < 16; ++y)
        rows[2 * y + (y / 8)] = 0xFF;
    rows[5] ^= 0x01;
    CLogoPicture picture("");
    std::string message;
    EXPECT_EQ(picture.CropFrom(16, 16, 0, 0, 16, 16, rows, message), PR_OK);
    return BuildDownloadImage(&picture).image.value_or(Bytes{});
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

SendReceiveResult Received(Bytes bytes, std::size_t expected)
{
    const bool complete = bytes.size() == expected;
    return {complete, std::move(bytes)};
}

// Reads an unasked reply as the program would: pieces as they come, into
// the receiver, until it reports what it waited for or the time is up.
std::vector<UploadEvent> ReadReplies(PrinterProcess& printer, UploadReceiver& receiver, UploadEventKind until,
                                     std::chrono::milliseconds timeout, std::size_t* reads = nullptr)
{
    std::vector<UploadEvent> all;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const Bytes piece = printer.Receive(4096, 50ms, reads);
        for (UploadEvent& event : receiver.Feed(piece))
            all.push_back(std::move(event));
        if (!all.empty() && all.back().kind == until)
            break;
    }
    return all;
}

// Dots of the bitmap file image as rows.
Bytes DotsOf(const Bytes& bitmap)
{
    CBmpPicture picture("");
    std::string message;
    picture.SetFileImage(bitmap);
    if (picture.Parse(message) != PR_OK || !picture.Decode(message))
        return {};
    const auto bits = picture.GetBits();
    return Bytes(bits.begin(), bits.end());
}

Bytes DotsOfLogo(const Bytes& image)
{
    CLogoPicture picture("");
    std::string message;
    picture.SetFileImage(image);
    EXPECT_EQ(picture.Parse(message), PR_OK);
    EXPECT_TRUE(picture.Decode(message));
    const auto bits = picture.GetBits();
    return Bytes(bits.begin(), bits.end());
}

TEST(VirtualPrinterProgram, AnswersEveryCommandOverItsTerminal)
{
    PrinterProcess printer;
    ASSERT_TRUE(printer.Started()) << printer.Error();
    const Bytes logo = Logo();
    const std::uint16_t checksum = DownloadChecksum(logo);

    for (std::uint8_t slot : {std::uint8_t{0}, std::uint8_t{255}}) {
        printer.Send(Concat({printer::SelectLogo(slot), logo}));
        const Bytes reply = printer.Exchange(printer::ChecksumQuery(slot), 4);
        EXPECT_EQ(CheckChecksumReply(Received(reply, 4), checksum).verdict, ChecksumVerdict::Verified)
            << "slot " << int{slot};
    }

    EXPECT_EQ(printer.Exchange(printer::TotalMemoryQuery(), 1), (Bytes{0x14}));
    EXPECT_EQ(LogoMemoryKbytes(Received(printer.Exchange(printer::LogoMemoryQuery(), 3), 3)), 512);
    EXPECT_EQ(RemainingMemoryText(Received(printer.Exchange(printer::RemainingMemoryQuery(), 8), 8)),
              std::to_string(512 * 1024 - 2 * logo.size()));

    UploadReceiver receiver;
    printer.Send(Concat({printer::SelectLogo(255), printer::UploadRequest()}));
    const auto upload = ReadReplies(printer, receiver, UploadEventKind::UploadComplete, 3s);
    ASSERT_FALSE(upload.empty());
    ASSERT_EQ(upload.back().kind, UploadEventKind::UploadComplete);
    EXPECT_EQ(DotsOf(upload.back().bitmap), DotsOfLogo(logo));

    printer.Send(printer::PrintLogo(printer::kSizeDoubleHeight));
    const auto paper = printer.PaperFolder() / "logo-255-1.pbm";
    for (int wait = 0; wait < 300 && !std::filesystem::exists(paper); ++wait)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(std::filesystem::exists(paper));
    EXPECT_EQ(std::filesystem::file_size(paper), std::string("P4\n16 32\n").size() + 2 * 32);

    EXPECT_EQ(printer.Exchange(printer::EraseLogos(), 1), (Bytes{0x0D}));
    EXPECT_EQ(printer.Exchange(Concat({printer::SelectLogo(0), printer::UploadRequest()}), 3),
              (Bytes{0x6A, 0x00, 0x00}));
    EXPECT_EQ(CheckChecksumReply(Received(printer.Exchange(printer::ChecksumQuery(0), 4), 4), checksum).verdict,
              ChecksumVerdict::NotStored);

    EXPECT_EQ(CheckMemorySizeReply(Received(printer.Exchange(*printer::SetLogoMemorySize(960), 1), 1)).verdict,
              MemorySizeVerdict::Accepted);
    EXPECT_EQ(CheckMemorySizeReply(Received(printer.Exchange(*printer::SetLogoMemorySize(1344), 1), 1)).verdict,
              MemorySizeVerdict::Refused);
    EXPECT_EQ(LogoMemoryKbytes(Received(printer.Exchange(printer::LogoMemoryQuery(), 3), 3)), 960);

    const auto link = printer.LinkPath();
    EXPECT_EQ(printer.Stop(), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link)) << "the link goes with the program";
}

TEST(VirtualPrinterProgram, UploadSentByteByByteIsReassembled)
{
    PrinterProcess printer({"--byte-by-byte"});
    ASSERT_TRUE(printer.Started()) << printer.Error();
    const Bytes logo = Logo();
    printer.Send(Concat({printer::SelectLogo(12), logo, printer::UploadRequest()}));

    UploadReceiver receiver;
    std::size_t reads = 0;
    const auto events = ReadReplies(printer, receiver, UploadEventKind::UploadComplete, 5s, &reads);
    ASSERT_FALSE(events.empty());
    ASSERT_EQ(events.back().kind, UploadEventKind::UploadComplete);
    EXPECT_EQ(DotsOf(events.back().bitmap), DotsOfLogo(logo));
    // The point of the exercise: the header itself came in several pieces.
    EXPECT_GT(reads, 7u);

    printer.Send(printer::SelectLogo(13));
    printer.Send(printer::UploadRequest());
    const auto empty = ReadReplies(printer, receiver, UploadEventKind::EmptySlot, 3s);
    ASSERT_FALSE(empty.empty());
    EXPECT_EQ(empty.back().kind, UploadEventKind::EmptySlot);

    printer.Send(printer::EraseLogos());
    const auto erased = ReadReplies(printer, receiver, UploadEventKind::EraseAcknowledged, 3s);
    ASSERT_FALSE(erased.empty());
    EXPECT_EQ(erased.back().kind, UploadEventKind::EraseAcknowledged);
}

TEST(VirtualPrinterProgram, InjectedFaults)
{
    const Bytes logo = Logo();
    const Bytes download = Concat({printer::SelectLogo(1), logo});
    {
        PrinterProcess printer({"--wrong-checksum"});
        ASSERT_TRUE(printer.Started()) << printer.Error();
        printer.Send(download);
        const ChecksumCheck check =
            CheckChecksumReply(Received(printer.Exchange(printer::ChecksumQuery(1), 4), 4), DownloadChecksum(logo));
        EXPECT_EQ(check.verdict, ChecksumVerdict::WrongChecksum);
    }
    {
        PrinterProcess printer({"--no-answer"});
        ASSERT_TRUE(printer.Started()) << printer.Error();
        printer.Send(download);
        EXPECT_TRUE(printer.Exchange(printer::ChecksumQuery(1), 4, 300ms).empty());
        EXPECT_TRUE(printer.Exchange(printer::EraseLogos(), 1, 300ms).empty());
    }
    {
        PrinterProcess printer({"--stall-upload"});
        ASSERT_TRUE(printer.Started()) << printer.Error();
        printer.Send(Concat({download, printer::UploadRequest()}));
        UploadReceiver receiver;
        const auto events = ReadReplies(printer, receiver, UploadEventKind::UploadComplete, 500ms);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.front().kind, UploadEventKind::UploadStarted);
        EXPECT_NE(events.back().kind, UploadEventKind::UploadComplete);
        EXPECT_TRUE(receiver.IsUploading());
        EXPECT_LT(receiver.UploadReceived(), receiver.UploadSize());
    }
    {
        PrinterProcess printer({"--overlong-upload"});
        ASSERT_TRUE(printer.Started()) << printer.Error();
        printer.Send(Concat({download, printer::UploadRequest()}));
        UploadReceiver receiver;
        const auto events = ReadReplies(printer, receiver, UploadEventKind::BytesDropped, 3s);
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ(events.back(), (UploadEvent{UploadEventKind::BytesDropped, kOverlongUploadExtra, {}}));
        const auto complete = std::find_if(events.begin(), events.end(),
                                           [](const UploadEvent& e) { return e.kind == UploadEventKind::UploadComplete; });
        ASSERT_NE(complete, events.end());
        EXPECT_EQ(DotsOf(complete->bitmap), DotsOfLogo(logo));
    }
}

TEST(VirtualPrinterProgram, HangsUpAfterTheGivenByteCount)
{
    PrinterProcess printer({"--hangup-after", "10"});
    ASSERT_TRUE(printer.Started()) << printer.Error();
    const auto link = printer.LinkPath();
    printer.Send(Concat({printer::SelectLogo(1), Logo()}));
    printer.Receive(1, 2s);
    EXPECT_TRUE(printer.HungUp());
    EXPECT_EQ(printer.WaitForExit(5s), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(VirtualPrinterProgram, RepliesTakeTheirLineTime)
{
    // Only a lower bound: the printer cannot answer faster than the line.
    PrinterProcess printer({"--baud", "2400"});
    ASSERT_TRUE(printer.Started()) << printer.Error();
    const auto start = std::chrono::steady_clock::now();
    const Bytes reply = printer.Exchange(printer::RemainingMemoryQuery(), 8);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(reply.size(), 8u);
    // 3 bytes there and 8 back, 10 bits each at 2400 baud.
    EXPECT_GE(elapsed, std::chrono::microseconds(11 * 10 * 1'000'000 / 2400));
}

}  // namespace
