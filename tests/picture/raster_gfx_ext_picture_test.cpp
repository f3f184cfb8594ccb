#include "picture_test_support.h"

using namespace picture_test;

namespace {

constexpr const char* kNotExtended = "Error - File Format is not Extended Raster Graphics (1B 2E)";
constexpr SizeRule kExtSizes = {8, 1, kWidthAdjusted};

// One dot in column 0 over `rows` rows.
Bytes Line(std::uint8_t rows)
{
    return {0x1B, 0x2E, 0x00, 0x01, rows, 0x00, 0x80};
}

// A dot in column 0 of the first row, then `rows` - 1 white rows.
Bytes FirstDot(std::size_t rows)
{
    return Concat({{0x80}, Bytes(rows - 1, 0)});
}

// More dots than may be held: decode_limits_test.cpp.
TEST(RasterGfxExtRecognition, RefusesStreamsWithoutARasterLineOrTooLargeToHold)
{
    ExpectRefused(PT_RASTER_GFX_EXT, {
        {"ESC alone", {0x1B}, PR_WRONG_FORMAT, kNotExtended},
        {"white rows only, as a white picture is written", {0x15, 0x05}, PR_WRONG_FORMAT, kNotExtended},
        {"a line at 128", Concat({Bytes(128, 0x00), Line(1)}), PR_WRONG_FORMAT, kNotExtended},
        {"more rows than 32 bits hold", Concat({{0x1B, 0x2E, 0x00, 0x00, 0xFF, 0xFF}}, 65538), PR_NO_MEMORY, kNoMemory},
    });
    EXPECT_EQ(DecodeBytes(PT_RASTER_GFX_EXT, Concat({Bytes(127, 0x00), Line(1)})).picture->GetHeaderOffset(), 127u);
}

// The walk runs from the first byte, not from the command found. EPSON GFX
// streams are walked the same way.
TEST(RasterGfxExtDecoding, WalksEveryCommandFromTheFirstByte)
{
    ExpectRead(PT_RASTER_GFX_EXT, {
        {"white rows before the line", {0x15, 0x02, 0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0xFF}, 8, 3, {0, 0, 0xFF}},
        {"a line fills every row it repeats over", {0x1B, 0x2E, 0x01, 0x02, 0x03, 0x00, 0xAA, 0xBB}, 24, 3,
         Concat({{0x00, 0xAA, 0xBB}}, 3)},
        {"0C after a position feeds", Concat({Line(1), {0x1B, 0x24, 0x05, 0x00, 0x0C}}), 8, 25, FirstDot(25)},
        {"0C after a line does not", Concat({Line(1), {0x0C}}), 8, 1, {0x80}},
        {"0D clears the position", Concat({Line(1), {0x1B, 0x24, 0x05, 0x00, 0x0D, 0x0C}}), 8, 1, {0x80}},
        {"0A 0D one feed, 15 k and ESC J k", Concat({Line(1), {0x0A, 0x0D, 0x15, 0x07, 0x1B, 0x4A, 0x03}}), 8, 35,
         FirstDot(35)},
        {"a position widens", Concat({{0x1B, 0x24, 0x20, 0x00}, Line(1)}), 32, 1, {0x80, 0x00, 0x00, 0x00}},
        // ESC "*" is a two-byte command here, so the 0A after it is a feed;
        // the 0A after ESC 3 and after GS is a parameter.
        {"other commands skipped with their parameters",
         Concat({{0x1B, 0x33, 0x0A, 0x1D, 0x0A, 0x1B, 0x40}, Line(1), {0x1B, 0x2A, 0x0A}}), 8, 25, FirstDot(25)},
    });
    // A command cut off by the end of the file ends the walk.
    for (const Bytes& tail : {Bytes{0x1B, 0x2E, 0x00, 0x02, 0x01, 0x00, 0xFF}, Bytes{0x1B, 0x2E, 0x00}, Bytes{0x15},
                              Bytes{0x1B, 0x4A}, Bytes{0x1B, 0x24, 0x40}, Bytes{0x1B, 0x33}, Bytes{0x1B}, Bytes{0x1D}})
        ExpectRead(PT_RASTER_GFX_EXT, {{"cut off", Concat({Line(2), tail}), 8, 2, {0x80, 0x80}}});
}

// Equal rows share one line with a repeat count, white rows become 15 k before
// the line that follows them, and each line holds only the bytes between its
// white margins.
TEST(RasterGfxExtWriting, WritesTheCompactStream)
{
    ExpectWritten(PT_RASTER_GFX_EXT, kExtSizes, {
        {"equal rows, then a white one", 16, 3, {0x00, 0xF0, 0x00, 0xF0, 0x00, 0x00},
         {0x1B, 0x2E, 0x01, 0x01, 0x02, 0x00, 0xF0, 0x15, 0x01}},
        {"white margins", 32, 1, {0x00, 0x0F, 0xF0, 0x00}, {0x1B, 0x2E, 0x01, 0x02, 0x01, 0x00, 0x0F, 0xF0}},
        {"width 10", 10, 2, {0xFF, 0xC0, 0xFF, 0xC0}, {0x1B, 0x2E, 0x00, 0x02, 0x02, 0x00, 0xFF, 0xC0}},
        {"white rows before each line", 8, 5, {0x00, 0x81, 0x81, 0x00, 0x42},
         {0x15, 0x01, 0x1B, 0x2E, 0x00, 0x01, 0x02, 0x00, 0x81, 0x15, 0x01, 0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0x42}},
        {"300 equal rows", 8, 300, Bytes(300, 0x3C), {0x1B, 0x2E, 0x00, 0x01, 0x2C, 0x01, 0x3C}},
        {"600 white rows between lines", 8, 602, Concat({FirstDot(601), {0x80}}),
         Concat({Line(1), {0x15, 0xFF, 0x15, 0xFF, 0x15, 0x5A}, Line(1)})},
        {"256 white rows at the end", 8, 256, Bytes(256, 0), {0x15, 0xFF, 0x15, 0x01}},
        {"65546 equal rows", 8, 65546, Bytes(65546, 0x18),
         {0x1B, 0x2E, 0x00, 0x01, 0xFF, 0xFF, 0x18, 0x1B, 0x2E, 0x00, 0x01, 0x0B, 0x00, 0x18}},
        {"a white row before 65536 equal rows", 8, 65537, Concat({{0x00}, Bytes(65536, 0x18)}),
         {0x15, 0x01, 0x1B, 0x2E, 0x00, 0x01, 0xFF, 0xFF, 0x18, 0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0x18}},
        {"rows a short buffer lacks are white", 8, 1000, {0x80, 0x80},
         Concat({Line(2), {0x15, 0xFF, 0x15, 0xFF, 0x15, 0xFF, 0x15, 0xE9}})},
        {"the widest", 2040, 1, Concat({Bytes(254, 0), {0x01}}), {0x1B, 0x2E, 0xFE, 0x01, 0x01, 0x00, 0x01}},
    });
}

}  // namespace
