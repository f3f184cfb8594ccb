#include "download_image.h"
#include "logo_picture.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

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
