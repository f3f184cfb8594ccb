#include "download_image.h"
#include "logo_picture.h"
#include "printer_commands.h"
#include "printer_replies.h"

#include <gtest/gtest.h>

namespace {

using printer::Bytes;

constexpr std::string_view kFailure = "The command has not been sent, there is communication failure.";

PrinterReply Reply(Bytes bytes, bool ok = true)
{
    return {ok, std::move(bytes)};
}

TEST(PrinterCommands, BytesOfEveryCommand)
{
    EXPECT_EQ(printer::SelectLogo(255), (Bytes{0x1D, 0x23, 0xFF}));
    EXPECT_EQ(printer::ChecksumQuery(255), (Bytes{0x1F, 0x65, 0xFF}));
    EXPECT_EQ(printer::PrintLogo(printer::kSizeDoubleBoth), (Bytes{0x1D, 0x2F, 0x03}));
    EXPECT_EQ(printer::EraseLogos(), (Bytes{0x1D, 0x40, 0x31}));
    EXPECT_EQ(printer::UploadRequest(), (Bytes{0x1F, 0x6A}));
    EXPECT_EQ(printer::TotalMemoryQuery(), (Bytes{0x1D, 0x0B}));
    EXPECT_EQ(printer::LogoMemoryQuery(), (Bytes{0x1F, 0x07, 0x55}));
    EXPECT_EQ(printer::RemainingMemoryQuery(), (Bytes{0x1F, 0x77, 0x01}));
    // Whole 64-kbyte units only, as the size choice offers nothing else; 256
    // units would travel as 0 and wipe the logo area.
    EXPECT_EQ(printer::SetLogoMemorySize(127), (Bytes{0x1D, 0x22, 0x55, 0x01, 0x00}));
    EXPECT_EQ(printer::SetLogoMemorySize(16383), (Bytes{0x1D, 0x22, 0x55, 0xFF, 0x00}));
    EXPECT_FALSE(printer::SetLogoMemorySize(256 * 64).has_value());
}

TEST(ChecksumReply, VerdictsForTheChecksum0xEDCC)
{
    const struct { PrinterReply reply; ChecksumVerdict verdict; std::string_view message; } cases[] = {
        {Reply({0x65, 0x01, 0xCC, 0xED}), ChecksumVerdict::Verified, ""},
        {Reply({0x00, 0x80, 0xCC, 0xED}), ChecksumVerdict::Verified, ""},  // byte 0 is not examined
        {Reply({0x65, 0x01, 0xED, 0xCC}), ChecksumVerdict::WrongChecksum,
         "The logo has been downloaded but the checksum returned from printer is wrong"},
        {Reply({0x65, 0x00, 0xCC, 0xED}), ChecksumVerdict::NotStored, "The logo has not been downloaded"},
        {Reply({0x65, 0x01, 0xCC, 0xED}, false), ChecksumVerdict::CommunicationFailure, kFailure},
        {Reply({0x65, 0x01, 0xCC}), ChecksumVerdict::CommunicationFailure, kFailure},
        {Reply({0x65, 0x01, 0xCC, 0xED, 0x00}), ChecksumVerdict::CommunicationFailure, kFailure},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.reply.bytes) + (c.reply.ok ? "" : " not ok"));
        const ChecksumCheck check = CheckChecksumReply(c.reply, 0xEDCC);
        EXPECT_EQ(check.verdict, c.verdict);
        EXPECT_EQ(check.message, c.message);
    }
}

TEST(MemoryReplies, FiguresComeOnlyFromValidRepliesOfTheExpectedLength)
{
    EXPECT_EQ(TotalMemoryKbytes(Reply({0x14})), 1280);
    EXPECT_EQ(TotalMemoryKbytes(Reply({0x14}, false)), std::nullopt);
    EXPECT_EQ(TotalMemoryKbytes(Reply({0x14, 0x00})), std::nullopt);
    EXPECT_EQ(LogoMemoryKbytes(Reply({0x07, 0x08, 0x55})), 512);
    EXPECT_EQ(LogoMemoryKbytes(Reply({0x07, 0x08})), std::nullopt);
    // Text up to the first zero or the end; any nonzero count will do.
    EXPECT_EQ(RemainingMemoryText(Reply({'5', '2', '4', '2', '8', '8', 0, 0})), "524288");
    EXPECT_EQ(RemainingMemoryText(Reply({'1', '6', '7', '1', '1', '6', '8', '0'})), "16711680");
    EXPECT_EQ(RemainingMemoryText(Reply({0, '9', '9'})), "");
    EXPECT_EQ(RemainingMemoryText(Reply({})), std::nullopt);
    EXPECT_EQ(RemainingMemoryText(Reply({'4', '2'}, false)), std::nullopt);

    EXPECT_EQ(CheckMemorySizeReply(Reply({0x06})).verdict, MemorySizeVerdict::Accepted);
    const MemorySizeOutcome refused = CheckMemorySizeReply(Reply({0x15}));
    EXPECT_EQ(refused.verdict, MemorySizeVerdict::Refused);
    EXPECT_EQ(refused.message, "The command has been sent, but the printer has returned one error.");
    for (const PrinterReply& reply : {Reply({0x06}, false), Reply({}), Reply({0x06, 0x06})}) {
        EXPECT_EQ(CheckMemorySizeReply(reply).verdict, MemorySizeVerdict::CommunicationFailure);
        EXPECT_EQ(CheckMemorySizeReply(reply).message, kFailure);
    }
}

TEST(MemorySizeChoices, MultiplesOf64UpToTheLargestOffered)
{
    EXPECT_EQ(MemorySizeChoices(1, 250), (std::vector<std::int32_t>{0, 64, 128, 192}));
    EXPECT_EQ(MemorySizeChoices(0, 1280).back(), 1024);  // without the protocol level
    EXPECT_EQ(MemorySizeChoices(2, 16320).back(), 1280);
}

// A picture holding these rows, made as an output picture is: by cropping.
std::unique_ptr<CPicture> PictureOf(std::uint32_t width, std::uint32_t height, const Bytes& rows)
{
    auto picture = std::make_unique<CLogoPicture>("");
    std::string message;
    EXPECT_EQ(picture->CropFrom(width, height, 0, 0, width, height, rows, message), PR_OK);
    return picture;
}

TEST(DownloadChecksum, IsZeroMinusTheByteSumModulo65536)
{
    // 18 x FF + 46 = 0x1234.
    Bytes sum1234(18, 0xFF);
    sum1234.push_back(0x46);
    EXPECT_EQ(DownloadChecksum(sum1234), 0xEDCC);
    // 300 x FF = 0x12AD4, whose carry is lost.
    EXPECT_EQ(DownloadChecksum(Bytes(300, 0xFF)), 0xD52C);
    EXPECT_EQ(DownloadChecksum(Bytes{}), 0x0000);
}

// The whole image, margins included, is what the printer stores; the LOGO
// writer's own file tests do not see this path.
TEST(BuildDownloadImage, WholeColumnsOfEightDotsOrNothing)
{
    // 12 x 10 black dots: columns 0-11 black down to row 9, columns 12-15 white.
    const DownloadImage built = BuildDownloadImage(PictureOf(12, 10, Bytes(2 * 10, 0xFF)).get());
    Bytes expected = {0x1D, 0x2A, 0x02, 0x02};
    for (int column = 0; column < 16; ++column) {
        expected.push_back(column < 12 ? 0xFF : 0x00);
        expected.push_back(column < 12 ? 0xC0 : 0x00);
    }
    EXPECT_EQ(built.image, expected);
    EXPECT_EQ(built.reason, "Picture Width & Height have been adjusted to be compatible with selected output format");

    const DownloadImage nothing = BuildDownloadImage(nullptr);
    EXPECT_FALSE(nothing.image.has_value());
    EXPECT_EQ(nothing.message, "There is no picture to downoad, please display one before to proceed.");
    // 2048 dots would need the size byte 256; the picture's reason says why.
    const DownloadImage tooWide = BuildDownloadImage(PictureOf(2048, 1, Bytes(256, 0x00)).get());
    EXPECT_FALSE(tooWide.image.has_value());
    EXPECT_TRUE(tooWide.message.empty());
    EXPECT_FALSE(tooWide.reason.empty());
}

}  // namespace
