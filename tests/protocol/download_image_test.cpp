#include "download_image.h"
#include "logo_picture.h"
#include "printer_commands.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A picture of the given size holding these rows, as an output picture is
// made: by cropping a source of the same size.
std::unique_ptr<CPicture> PictureOf(std::uint32_t width, std::uint32_t height, const Bytes& rows)
{
    auto picture = std::make_unique<CLogoPicture>("");
    std::string message;
    EXPECT_EQ(picture->CropFrom(width, height, 0, 0, width, height, rows, message), PR_OK);
    return picture;
}

TEST(DownloadChecksum, IsZeroMinusTheByteSum)
{
    // 0x1234 = 18 * 0xFF + 0x46.
    Bytes image(18, 0xFF);
    image.push_back(0x46);
    EXPECT_EQ(DownloadChecksum(image), 0xEDCC);
    EXPECT_EQ(DownloadChecksum({}), 0x0000);
    EXPECT_EQ(DownloadChecksum(Bytes{0x01}), 0xFFFF);
}

TEST(DownloadChecksum, WrapsAroundModulo65536)
{
    // 300 * 0xFF = 0x12AD4, of which only 0x2AD4 counts.
    EXPECT_EQ(DownloadChecksum(Bytes(300, 0xFF)), static_cast<std::uint16_t>(0x10000 - 0x2AD4));
}

TEST(BuildDownloadImage, RoundsUpToWholeColumnsOfEightDots)
{
    // 12 x 10 dots, every dot black.
    const Bytes rows(2 * 10, 0xFF);
    const auto picture = PictureOf(12, 10, rows);

    const DownloadImage built = BuildDownloadImage(picture.get());
    ASSERT_TRUE(built.image.has_value());
    const Bytes& image = *built.image;
    ASSERT_EQ(image.size(), 36u);
    EXPECT_EQ((Bytes(image.begin(), image.begin() + 4)), (Bytes{0x1D, 0x2A, 0x02, 0x02}));
    // Column 0: rows 0-7 black, then rows 8-9 black and 10-15 white.
    EXPECT_EQ(image[4], 0xFF);
    EXPECT_EQ(image[5], 0xC0);
    // Columns 12 to 15 lie outside the picture and are white.
    for (std::size_t column = 12; column < 16; ++column) {
        EXPECT_EQ(image[4 + column * 2], 0x00) << "column " << column;
        EXPECT_EQ(image[5 + column * 2], 0x00) << "column " << column;
    }
    EXPECT_TRUE(built.message.empty());
    EXPECT_EQ(built.reason, "Picture Width & Height have been adjusted to be compatible with selected output format");

    const std::uint32_t sum = std::accumulate(image.begin(), image.end(), 0u);
    EXPECT_EQ(DownloadChecksum(image), static_cast<std::uint16_t>(0x10000 - (sum & 0xFFFF)));
}

TEST(BuildDownloadImage, ColumnBytesHoldTheTopDotInTheHighBit)
{
    // 8 x 8 with one black dot at column 1, row 2.
    Bytes rows(8, 0x00);
    rows[2] = 0x40;
    const DownloadImage built = BuildDownloadImage(PictureOf(8, 8, rows).get());
    ASSERT_TRUE(built.image.has_value());
    EXPECT_EQ(*built.image, (Bytes{0x1D, 0x2A, 0x01, 0x01, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST(BuildDownloadImage, NothingDisplayedIsRefusedWithTheProgramsText)
{
    const DownloadImage built = BuildDownloadImage(nullptr);
    EXPECT_FALSE(built.image.has_value());
    EXPECT_EQ(built.message, "There is no picture to downoad, please display one before to proceed.");
}

TEST(BuildDownloadImage, PictureBeyondTheLogoSizeBytesIsRefused)
{
    // 2048 dots would need the size byte 256.
    const Bytes rows(256, 0x00);
    const DownloadImage built = BuildDownloadImage(PictureOf(2048, 1, rows).get());
    EXPECT_FALSE(built.image.has_value());
    EXPECT_TRUE(built.message.empty()) << "the program shows nothing of its own";
    EXPECT_FALSE(built.reason.empty());
}

}  // namespace
