// What holds across the formats: which one opens a file, and that each reads
// back the dots it wrote.
#include "picture_test_support.h"

using namespace picture_test;

namespace {

// The type and size of the picture a file opens as, or the message.
std::string Outcome(const OpenedPicture& opened)
{
    if (!opened.picture)
        return opened.message;
    const CPicture& picture = *opened.picture;
    return std::string(PictureTypeName(picture.GetType())) + " " + std::to_string(picture.GetWidth()) + "x" +
           std::to_string(picture.GetHeight());
}

// Each file would also be accepted by every format probed after the one that
// must win, so only the order decides; a format that knows the file but
// refuses it ends the probing with its message.
TEST(PictureProbe, TheFirstFormatInProbingOrderThatKnowsTheFileDecides)
{
    const ScratchDir dir;
    // 65535 dots wide and 1400 line feeds: more dots than may be held, from 1.4 KB.
    const Bytes epsonTooLarge = Concat({{0x1B, 0x2A, 0x00, 0x00, 0x00, 0x1B, 0x24, 0xFF, 0xFF}, Bytes(1400, 0x0A)});
    const struct { const char* what; Bytes bytes; std::string outcome; } cases[] = {
        {"raster rows that also hold LOGO, EPSON and EXT commands",
         Concat({{0x11, 0x1D, 0x2A, 0x00, 0x00, 0x1B, 0x2A, 0x21, 0x00, 0x00, 0x1B, 0x2E, 0x11}, Bytes(11, 0)}),
         "RASTER GFX 88x2"},
        {"a bitmap whose dots spell LOGO and EPSON commands",
         BmpFile{.width = 64, .height = 1, .storedRows = {0x1D, 0x2A, 0x00, 0x00, 0x1B, 0x2A, 0x01, 0x00}}.Build(),
         "BITMAP 64x1"},
        {"a logo after an EPSON band", {0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x0A, 0x1D, 0x2A, 0x00, 0x00},
         "LOGO 0x0"},
        {"an EPSON band before an EXT line",
         {0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x0A, 0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0xFF},
         "EPSON GFX 1x24"},
        {"an EXT line alone", {0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0xFF}, "RASTER GFX EXT 8x1"},
        {"a single raster row before a logo", {0x11, 0x1D, 0x2A, 0x00, 0x00},
         "Error - File Format is not Raster Graphics (11)"},
        {"a 4-bit bitmap holding a logo",
         BmpFile{.width = 8, .height = 1, .bitsPerPixel = 4, .storedRows = {0x1D, 0x2A, 0x00, 0x00}}.Build(),
         "Error - Bmp File is not monochrome"},
        {"a short logo holding an EPSON band",
         {0x1D, 0x2A, 0x02, 0x01, 0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x0A},
         "Error - File Format is not valid Logo"},
        {"an EPSON stream claiming more dots than may be held", epsonTooLarge, kNoMemory},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(dir.Path(c.what), c.bytes);
        const OpenedPicture opened = OpenPictureFile(dir.Path(c.what));
        EXPECT_EQ(Outcome(opened), c.outcome);
        if (!opened.picture)
            continue;
        // Opened means decoded: the file and its image are gone, and the dots
        // are those of the same bytes handed in.
        EXPECT_FALSE(opened.picture->IsFileOpen());
        EXPECT_FALSE(opened.picture->HasFileImage());
        EXPECT_EQ(opened.picture->GetSize(), c.bytes.size());
        EXPECT_EQ(BitsOf(*opened.picture), BitsOf(*DecodeBytes(opened.picture->GetType(), c.bytes).picture));
    }
    std::string none;
    for (std::uint32_t type = 0; type < kPictureTypeCount; ++type)
        EXPECT_EQ(CreatePicture(type, "")->Parse(none), PR_NO_IMAGE) << PictureTypeName(type);
}

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
