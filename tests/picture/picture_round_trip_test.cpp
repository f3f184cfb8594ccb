#include "picture_test_support.h"

#include <random>

using namespace picture_test;

namespace {

// Runs of equal rows, white rows and rows with white margins, which the writers
// make much of; no byte is 0x11, which RASTER GFX could take for a row start.
DotMatrix RandomPicture(std::uint32_t width, std::uint32_t height, unsigned seed)
{
    std::mt19937 random(seed);
    const std::size_t rowBytes = CPicture::BytesPerRow(width);
    DotMatrix dots = DotMatrix::White(width, height);
    Bytes row(rowBytes, 0);
    for (std::uint32_t y = 0; y < height; ++y) {
        if (random() % 8 == 0) {
            std::fill(row.begin(), row.end(), 0);
            for (std::size_t i = random() % rowBytes; i < rowBytes && random() % 4 != 0; ++i)
                row[i] = static_cast<std::uint8_t>(random() | 0x80);
        }
        std::copy(row.begin(), row.end(), dots.bits.begin() + static_cast<std::ptrdiff_t>(y * rowBytes));
    }
    dots.Set(0, 0);
    return dots;
}

// A written file reads back with the dots that were written, apart from what
// the format's size rules change: a rounded size, white margins left out and
// the bits beyond the width. (A RASTER GFX file needs two rows to be known.)
TEST(PictureRoundTrip, EveryFormatReadsBackTheDotsItWrote)
{
    const std::pair<std::uint32_t, std::uint32_t> sizes[] = {{1, 2}, {12, 25}, {67, 61}, {1016, 3}, {16, 700}};
    for (std::uint32_t type = 0; type < kPictureTypeCount; ++type) {
        for (const auto& [width, height] : sizes) {
            SCOPED_TRACE(std::string(PictureTypeName(type)) + " " + std::to_string(width) + "x" +
                         std::to_string(height));
            const DotMatrix dots = RandomPicture(width, height, width + height);
            const Written written = WriteBits(static_cast<PictureType>(type), dots.bits, width, height);
            ASSERT_TRUE(written.result == PR_OK || written.result == PR_ADJUSTED) << written.message;
            const Decoded decoded = DecodeBytes(static_cast<PictureType>(type), written.file);
            ASSERT_EQ(decoded.result, PR_OK) << decoded.message;
            EXPECT_EQ(DotMatrix::Of(*decoded.picture).Cropped(width, height), dots.Masked());
        }
    }
}

}  // namespace
