#include "virtual_printer.h"

#include "bmp_picture.h"
#include "download_image.h"
#include "logo_picture.h"
#include "printer_replies.h"
#include "upload_receiver.h"

#include <gtest/gtest.h>

namespace {

using printer::Bytes;

// 20 x 12 dots: a diagonal and a full top row, so that any mix-up of rows,
// columns or bit order shows.
constexpr std::uint32_t kWidth = 20;
constexpr std::uint32_t kHeight = 12;

Bytes TestRows()
{
    Bytes rows(CPicture::BytesPerRow(kWidth) * kHeight, 0);
    const std::size_t rowBytes = CPicture::BytesPerRow(kWidth);
    for (std::uint32_t x = 0; x < kWidth; ++x)
        rows[x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
    for (std::uint32_t y = 0; y < kHeight; ++y)
        rows[y * rowBytes + y / 8] |= static_cast<std::uint8_t>(0x80u >> (y % 8));
    return rows;
}

Bytes DownloadOf(const Bytes& rows, std::uint32_t width, std::uint32_t height)
{
    CLogoPicture picture("");
    std::string message;
    EXPECT_EQ(picture.CropFrom(width, height, 0, 0, width, height, rows, message), PR_OK);
    const DownloadImage built = BuildDownloadImage(&picture);
    EXPECT_TRUE(built.image.has_value());
    return built.image.value_or(Bytes{});
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Replies of one command, the bytes only.
Bytes Answer(VirtualPrinter& printer, const Bytes& command)
{
    Bytes bytes;
    for (const PrinterReply& reply : printer.Feed(command))
        bytes.insert(bytes.end(), reply.bytes.begin(), reply.bytes.end());
    return bytes;
}

SendReceiveResult Received(Bytes bytes)
{
    return {true, std::move(bytes)};
}

// The dots a bitmap file image holds, as the program would load it.
Bytes DotsOfBitmap(const Bytes& bitmap, std::uint32_t& width, std::uint32_t& height)
{
    CBmpPicture picture("");
    std::string message;
    picture.SetFileImage(bitmap);
    EXPECT_EQ(picture.Parse(message), PR_OK) << message;
    EXPECT_TRUE(picture.Decode(message)) << message;
    width = picture.GetWidth();
    height = picture.GetHeight();
    const auto bits = picture.GetBits();
    return Bytes(bits.begin(), bits.end());
}

TEST(VirtualPrinter, DownloadThenChecksumInTheFirstAndLastSlot)
{
    const Bytes image = DownloadOf(TestRows(), kWidth, kHeight);
    for (std::uint8_t slot : {std::uint8_t{0}, std::uint8_t{255}}) {
        VirtualPrinter printer;
        EXPECT_TRUE(printer.Feed(Concat({printer::SelectLogo(slot), image})).empty());
        ASSERT_TRUE(printer.Slot(slot).has_value());
        EXPECT_EQ(*printer.Slot(slot), image);

        const Bytes reply = Answer(printer, printer::ChecksumQuery(slot));
        ASSERT_EQ(reply.size(), 4u);
        EXPECT_EQ(CheckChecksumReply(Received(reply), DownloadChecksum(image)).verdict, ChecksumVerdict::Verified);

        const std::uint8_t other = slot == 0 ? 1 : 0;
        EXPECT_EQ(CheckChecksumReply(Received(Answer(printer, printer::ChecksumQuery(other))), DownloadChecksum(image))
                      .verdict,
                  ChecksumVerdict::NotStored);
    }
}

TEST(VirtualPrinter, TakesCommandsInPiecesOfAnySize)
{
    const Bytes image = DownloadOf(TestRows(), kWidth, kHeight);
    const Bytes stream = Concat({printer::SelectLogo(7), image, printer::ChecksumQuery(7), printer::TotalMemoryQuery()});
    VirtualPrinter whole;
    const auto expected = whole.Feed(stream);
    ASSERT_EQ(expected.size(), 2u);

    for (std::size_t piece : {1u, 2u, 3u, 5u}) {
        VirtualPrinter printer;
        std::vector<PrinterReply> replies;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            const auto part = std::span(stream).subspan(at, std::min(piece, stream.size() - at));
            for (PrinterReply& reply : printer.Feed(part))
                replies.push_back(std::move(reply));
        }
        EXPECT_EQ(replies, expected) << "piece " << piece;
    }
}

TEST(VirtualPrinter, SkipsBytesThatBeginNoCommand)
{
    VirtualPrinter printer;
    // Noise, a prefix that another prefix cuts short, and an erase with the
    // wrong argument.
    EXPECT_TRUE(printer.Feed(Bytes{0x00, 0x41, 0x1D, 0x1D, 0x23, 0x09, 0x1D, 0x40, 0x32, 0x1F, 0x99}).empty());
    EXPECT_EQ(printer.SelectedSlot(), 9);
    EXPECT_EQ(Answer(printer, Bytes{0x1F, 0x1D, 0x0B}), (Bytes{0x14}));
}

TEST(VirtualPrinter, UploadGivesBackTheSameDots)
{
    const Bytes rows = TestRows();
    VirtualPrinter printer;
    printer.Feed(Concat({printer::SelectLogo(3), DownloadOf(rows, kWidth, kHeight)}));

    const Bytes reply = Answer(printer, printer::UploadRequest());
    UploadReceiver receiver;
    const auto events = receiver.Feed(reply);
    ASSERT_FALSE(events.empty());
    ASSERT_EQ(events.back().kind, UploadEventKind::UploadComplete);

    std::uint32_t width = 0;
    std::uint32_t height = 0;
    const Bytes dots = DotsOfBitmap(events.back().bitmap, width, height);
    // The logo was stored rounded up to whole bytes of dots.
    ASSERT_EQ(width, 24u);
    ASSERT_EQ(height, 16u);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            const bool inside = x < kWidth && y < kHeight;
            const bool expected = inside && (rows[y * 3 + x / 8] & (0x80u >> (x % 8))) != 0;
            const bool actual = (dots[y * 3 + x / 8] & (0x80u >> (x % 8))) != 0;
            EXPECT_EQ(actual, expected) << "dot " << x << "," << y;
        }
}

TEST(VirtualPrinter, EmptySlotUploadsAsMarkerAndTwoZeros)
{
    VirtualPrinter printer;
    printer.Feed(printer::SelectLogo(200));
    EXPECT_EQ(Answer(printer, printer::UploadRequest()), (Bytes{0x6A, 0x00, 0x00}));
}

TEST(VirtualPrinter, PrintsTheSelectedLogoInItsSizeMode)
{
    const Bytes rows = TestRows();
    VirtualPrinter printer;
    printer.Feed(Concat({printer::SelectLogo(4), DownloadOf(rows, kWidth, kHeight)}));

    EXPECT_TRUE(printer.Feed(Concat({printer::PrintLogo(printer::kSizeNormal), printer::PrintLogo(printer::kSizeDoubleBoth),
                                     printer::SelectLogo(5), printer::PrintLogo(printer::kSizeNormal)}))
                    .empty());
    const auto printed = printer.TakePrinted();
    ASSERT_EQ(printed.size(), 2u) << "an empty slot prints nothing";
    EXPECT_EQ(printed[0].slot, 4);
    EXPECT_EQ(printed[0].width, 24u);
    EXPECT_EQ(printed[0].height, 16u);
    EXPECT_EQ(printed[0].rows[0], 0xFF);
    EXPECT_EQ(printed[1].width, 48u);
    EXPECT_EQ(printed[1].height, 32u);
    EXPECT_TRUE(printer.TakePrinted().empty());
}

TEST(VirtualPrinter, EraseAcknowledgesAndEmptiesEverySlot)
{
    const Bytes image = DownloadOf(TestRows(), kWidth, kHeight);
    VirtualPrinter printer;
    printer.Feed(Concat({printer::SelectLogo(0), image, printer::SelectLogo(255), image}));
    const std::uint64_t full = printer.RemainingBytes();

    EXPECT_EQ(Answer(printer, printer::EraseLogos()), (Bytes{0x0D}));
    EXPECT_FALSE(printer.Slot(0).has_value());
    EXPECT_FALSE(printer.Slot(255).has_value());
    EXPECT_EQ(printer.RemainingBytes(), full + 2 * image.size());
}

TEST(VirtualPrinter, MemoryFigures)
{
    const Bytes image = DownloadOf(TestRows(), kWidth, kHeight);
    VirtualPrinter printer({.totalMemoryKbytes = 1280, .logoMemoryKbytes = 512});

    EXPECT_EQ(TotalMemoryKbytes(Received(Answer(printer, printer::TotalMemoryQuery()))), 1280);
    EXPECT_EQ(LogoMemoryKbytes(Received(Answer(printer, printer::LogoMemoryQuery()))), 512);
    EXPECT_EQ(Answer(printer, printer::RemainingMemoryQuery()), (Bytes{'5', '2', '4', '2', '8', '8', 0, 0}));

    printer.Feed(Concat({printer::SelectLogo(1), image}));
    EXPECT_EQ(RemainingMemoryText(Received(Answer(printer, printer::RemainingMemoryQuery()))),
              std::to_string(524288 - image.size()));
}

TEST(VirtualPrinter, SetMemorySizeUpToTheTotal)
{
    const Bytes image = DownloadOf(TestRows(), kWidth, kHeight);
    VirtualPrinter printer({.totalMemoryKbytes = 1280, .logoMemoryKbytes = 512});
    printer.Feed(Concat({printer::SelectLogo(1), image}));

    EXPECT_EQ(Answer(printer, *printer::SetLogoMemorySize(1344)), (Bytes{0x15}));
    EXPECT_EQ(printer.LogoMemoryKbytes(), 512u);
    EXPECT_TRUE(printer.Slot(1).has_value()) << "a refused size changes nothing";

    EXPECT_EQ(Answer(printer, *printer::SetLogoMemorySize(960)), (Bytes{0x06}));
    EXPECT_EQ(LogoMemoryKbytes(Received(Answer(printer, printer::LogoMemoryQuery()))), 960);
    EXPECT_FALSE(printer.Slot(1).has_value());
    EXPECT_EQ(printer.RemainingBytes(), 960u * 1024);
}

TEST(VirtualPrinter, LogoThatDoesNotFitIsNotStored)
{
    // 2040 x 2040 dots need 520204 bytes; 448 kbytes are 458752.
    const Bytes big = Concat({Bytes{0x1D, 0x2A, 0xFF, 0xFF}, Bytes(8 * 255 * 255, 0x55)});
    VirtualPrinter printer({.totalMemoryKbytes = 1280, .logoMemoryKbytes = 448});
    printer.Feed(Concat({printer::SelectLogo(2), big}));
    EXPECT_FALSE(printer.Slot(2).has_value());
    EXPECT_EQ(CheckChecksumReply(Received(Answer(printer, printer::ChecksumQuery(2))), DownloadChecksum(big)).verdict,
              ChecksumVerdict::NotStored);

    VirtualPrinter roomy({.totalMemoryKbytes = 1280, .logoMemoryKbytes = 512});
    roomy.Feed(Concat({printer::SelectLogo(2), big}));
    EXPECT_TRUE(roomy.Slot(2).has_value());
}

}  // namespace
