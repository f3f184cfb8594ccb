// Files of a few bytes that claim huge pictures are refused before anything is
// allocated, and the writers count rows as well as dots, so that nothing they
// write is too heavy to read back.

#include "picture_test_support.h"

#include <algorithm>

namespace {

using namespace picture_test;

// RASTER GFX EXT 2040 dots wide: one dot at the right edge, repeated over
// `rows` rows in lines of at most 65535.
Bytes TallRaster(std::uint32_t rows)
{
    Bytes out;
    while (rows != 0) {
        const std::uint32_t repeat = std::min<std::uint32_t>(rows, 0xFFFF);
        out.insert(out.end(), {0x1B, 0x2E, 0xFE, 0x01, static_cast<std::uint8_t>(repeat),
                               static_cast<std::uint8_t>(repeat >> 8), 0x01});
        rows -= repeat;
    }
    return out;
}

// 64 MiB of dots over rows of 255 bytes.
constexpr std::uint32_t kRowsAtTheLimit = 263172;
// As many rows of 8 dots as weigh 64 MiB with their row bytes.
constexpr std::uint32_t kNarrowRowsAtTheLimit = 1u << 25;

// A 2040-dot picture of 64 MiB (33 m at 8 dots/mm) is read; a row more, or a
// picture claimed by a few bytes, is refused.
TEST(DecodeLimits, FilesOfAFewBytesClaimingHugePicturesAreRefused)
{
    ExpectRefused(PT_RASTER_GFX_EXT,
                  {{"96 bytes read as 2040 x 1,048,560", Concat({{0x1B, 0x2E, 0xFF, 0x00, 0xFF, 0xFF}}, 16),
                    PR_NO_MEMORY, kNoMemory},
                   {"35 bytes claiming a row over 64 MiB of dots", TallRaster(kRowsAtTheLimit + 1), PR_NO_MEMORY,
                    kNoMemory}});
    ExpectRefused(PT_EPSON_GFX, {{"99 bytes read as 65535 x 11,475",
                                  Concat({{0x1B, 0x2A, 0x00, 0x00, 0x00, 0x1B, 0x24, 0xFF, 0xFF},
                                          Concat({{0x15, 0xFF}}, 45)}),
                                  PR_NO_MEMORY, kNoMemory}});
    const Decoded atLimit = DecodeBytes(PT_RASTER_GFX_EXT, TallRaster(kRowsAtTheLimit));
    ASSERT_EQ(atLimit.result, PR_OK) << atLimit.message;
    EXPECT_EQ(atLimit.picture->GetWidth(), 2040u);
    EXPECT_EQ(atLimit.picture->GetHeight(), kRowsAtTheLimit);
}

// Sizes a format cannot hold are refused before anything reaches the disk.
TEST(WriteLimits, SizesAFormatCannotHoldWriteNothing)
{
    const std::string logoTooLarge = "Error - Picture too large for LOGO format (at most 2040 x 2040 dots)";
    const struct {
        PictureType type; std::uint32_t width, height; PictureResult result; std::string message;
    } cases[] = {
        {PT_BITMAP, 100000, 100000, PR_NO_MEMORY, kNoMemory},
        {PT_RASTER_GFX, 100000, 100000, PR_NO_MEMORY, kNoMemory},
        {PT_RASTER_GFX, 0xFFFFFFFF, 0, PR_NO_MEMORY, kNoMemory},
        // The 62-byte bitmap of no columns and 2^31 - 1 rows holds no dots,
        // but written as RASTER GFX EXT it took 16.8 MB of white rows.
        {PT_RASTER_GFX_EXT, 0, 0x7FFFFFFF, PR_NO_MEMORY, kNoMemory},
        {PT_RASTER_GFX_EXT, 2041, 1, PR_INVALID,
         "Error - Picture too wide for RASTER GFX EXT format (at most 2040 dots)"},
        {PT_EPSON_GFX, 65536, 24, PR_INVALID, "Error - Picture too wide for EPSON GFX format (at most 65535 dots)"},
        {PT_EPSON_GFX, 8, 0xFFFFFFF1, PR_INVALID,
         "Error - Picture too tall for EPSON GFX format (at most 4294967280 dots)"},
        // x and y are single bytes: a larger picture would write a corrupt header.
        {PT_LOGO, 2041, 8, PR_INVALID, logoTooLarge},
        {PT_LOGO, 8, 2041, PR_INVALID, logoTooLarge},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << PictureTypeName(c.type) << ' ' << c.width << 'x' << c.height);
        const Written written = WriteBits(c.type, {}, c.width, c.height);
        EXPECT_EQ(written.result, c.result);
        EXPECT_EQ(written.message, c.message);
        EXPECT_EQ(written.height, c.height);
        EXPECT_TRUE(written.file.empty());
    }
}

// At the limit a writer's file reads back; a row more writes nothing. EPSON
// GFX reads back to the end of the last band, up to 23 rows below the picture
// when that band starts on its last row, and counts those rows too.
TEST(WriteLimits, AtTheLimitAFileReadsBackAndARowMoreWritesNothing)
{
    // 65535 dots a row: 8191 rows weigh 64 MiB with their row bytes. A dot in
    // the first row lets the file be recognised; one in the last makes the last band.
    const std::uint32_t epsonRows = 8191 - 23;
    const struct {
        PictureType type; std::uint32_t width, rows; Bytes atLimit, over; PictureResult result; std::uint32_t readBack;
    } cases[] = {
        {PT_RASTER_GFX_EXT, 8, kNarrowRowsAtTheLimit, {0x80}, {0x80}, PR_OK, kNarrowRowsAtTheLimit},
        {PT_EPSON_GFX, 0xFFFF, epsonRows, DotMatrix::Dots(0xFFFF, epsonRows, {{0, 0}, {0, epsonRows - 1}}),
         DotMatrix::Dots(0xFFFF, epsonRows + 1, {{0, 0}, {0, epsonRows}}), PR_ADJUSTED, 8191},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(PictureTypeName(c.type));
        const Written atLimit = WriteBits(c.type, c.atLimit, c.width, c.rows);
        ASSERT_EQ(atLimit.result, c.result) << atLimit.message;
        const Decoded back = DecodeBytes(c.type, atLimit.file);
        ASSERT_EQ(back.result, PR_OK) << back.message;
        EXPECT_EQ(back.picture->GetHeight(), c.readBack);

        const Written over = WriteBits(c.type, c.over, c.width, c.rows + 1);
        EXPECT_EQ(over.result, PR_NO_MEMORY);
        EXPECT_EQ(over.message, kNoMemory);
        EXPECT_TRUE(over.file.empty());
    }
}

}  // namespace
