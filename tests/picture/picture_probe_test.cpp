#include "picture_test_support.h"

using namespace picture_test;

namespace {

// Each file would also be accepted by every format probed after the one that
// must win, so only the order decides.
TEST(PictureProbe, TheFirstFormatInProbingOrderThatKnowsTheFileWins)
{
    const ScratchDir dir;
    const struct { const char* what; Bytes bytes; PictureType type; std::uint32_t width, height; } cases[] = {
        {"raster rows that also hold LOGO, EPSON and EXT commands",
         Concat({{0x11, 0x1D, 0x2A, 0x00, 0x00, 0x1B, 0x2A, 0x21, 0x00, 0x00, 0x1B, 0x2E, 0x11}, Bytes(11, 0)}),
         PT_RASTER_GFX, 88, 2},
        {"a bitmap whose dots spell LOGO and EPSON commands",
         BmpFile{.width = 64, .height = 1, .storedRows = {0x1D, 0x2A, 0x00, 0x00, 0x1B, 0x2A, 0x01, 0x00}}.Build(),
         PT_BITMAP, 64, 1},
        {"a logo after an EPSON band", {0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x0A, 0x1D, 0x2A, 0x00, 0x00},
         PT_LOGO, 0, 0},
        {"an EPSON band before an EXT line",
         {0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x0A, 0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0xFF},
         PT_EPSON_GFX, 1, 24},
        {"an EXT line alone", {0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0xFF}, PT_RASTER_GFX_EXT, 8, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(dir.Path(c.what), c.bytes);
        const OpenedPicture opened = OpenPictureFile(dir.Path(c.what));
        ASSERT_NE(opened.picture, nullptr) << opened.message;
        EXPECT_EQ(opened.picture->GetType(), c.type);
        EXPECT_EQ(opened.picture->GetWidth(), c.width);
        EXPECT_EQ(opened.picture->GetHeight(), c.height);
        // Opened means decoded: the file and its image are gone, and the dots
        // are those of the same bytes handed in.
        EXPECT_FALSE(opened.picture->IsFileOpen());
        EXPECT_FALSE(opened.picture->HasFileImage());
        EXPECT_EQ(opened.picture->GetSize(), c.bytes.size());
        EXPECT_EQ(BitsOf(*opened.picture), BitsOf(*DecodeBytes(c.type, c.bytes).picture));
    }
}

TEST(PictureProbe, AFormatThatKnowsButRefusesTheFileEndsTheProbing)
{
    const ScratchDir dir;
    // 65535 dots wide and 1400 line feeds: more dots than may be held, from 1.4 KB.
    const Bytes epsonTooLarge = Concat({{0x1B, 0x2A, 0x00, 0x00, 0x00, 0x1B, 0x24, 0xFF, 0xFF}, Bytes(1400, 0x0A)});
    const struct { const char* what; Bytes bytes; std::string message; } cases[] = {
        {"a single raster row before a logo", {0x11, 0x1D, 0x2A, 0x00, 0x00},
         "Error - File Format is not Raster Graphics (11)"},
        {"a 4-bit bitmap holding a logo",
         BmpFile{.width = 8, .height = 1, .bitsPerPixel = 4, .storedRows = {0x1D, 0x2A, 0x00, 0x00}}.Build(),
         "Error - Bmp File is not monochrome"},
        {"a short logo holding an EPSON band",
         {0x1D, 0x2A, 0x02, 0x01, 0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x0A},
         "Error - File Format is not valid Logo"},
        {"an EPSON stream claiming more dots than may be held", epsonTooLarge, kNoMemory},
        {"escapes with no command", Bytes(300, 0x1B), "Picture type not supported."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(dir.Path(c.what), c.bytes);
        const OpenedPicture opened = OpenPictureFile(dir.Path(c.what));
        EXPECT_EQ(opened.picture, nullptr);
        EXPECT_EQ(opened.message, c.message);
    }
    std::string none;
    for (std::uint32_t type = 0; type < kPictureTypeCount; ++type)
        EXPECT_EQ(CreatePicture(type, "")->Parse(none), PR_NO_IMAGE) << PictureTypeName(type);
}

}  // namespace
