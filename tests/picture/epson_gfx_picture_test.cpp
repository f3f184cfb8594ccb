#include "picture_test_support.h"

using namespace picture_test;

namespace {

constexpr const char* kNotEpson = "Error - File Format is not Epson Graphics (1B 2A)";
constexpr SizeRule kEpsonSizes = {
    1, 24, "Picture Height has been adjusted to be compatible with selected output format"};

// A mode-1 column whose top dot covers rows 0 to 2 of column 0.
const Bytes kDot = {0x1B, 0x2A, 0x01, 0x01, 0x00, 0x80};

// Rows of one byte each, the first `black` of them 0x80.
Bytes Column(std::size_t black, std::size_t height)
{
    return Concat({Bytes(black, 0x80), Bytes(height - black, 0)});
}

// More dots than may be held from a few bytes: decode_limits_test.cpp; the
// search for the command, shared with RASTER GFX EXT, is tested there.
TEST(EpsonGfxRecognition, RefusesStreamsWithoutABitImageOrTooLargeToHold)
{
    ExpectRefused(PT_EPSON_GFX, {
        {"empty, as a white picture is written", {}, PR_WRONG_FORMAT, kNotEpson},
        {"a raster line", {0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0xFF}, PR_WRONG_FORMAT, kNotEpson},
        {"the letter first", {0x2A, 0x1B}, PR_WRONG_FORMAT, kNotEpson},
        {"16843010 feeds of 255 rows, more than 32 bits hold",
         Concat({{0x1B, 0x2A, 0x01, 0x00, 0x00}, Concat({{0x15, 0xFF}}, 16843010)}), PR_NO_MEMORY, kNoMemory},
    });
}

// The walk through the other commands is the one RASTER GFX EXT streams take
// and is tested there; here, what the bit-image command draws and skips.
TEST(EpsonGfxDecoding, BitImagesDrawAtTheWalksPosition)
{
    ExpectRead(PT_EPSON_GFX, {
        {"a second command follows the first",
         {0x1B, 0x2A, 0x00, 0x01, 0x00, 0x80, 0x1B, 0x2A, 0x00, 0x01, 0x00, 0x40, 0x0A}, 4, 24,
         Concat({Bytes(3, 0xC0), Bytes(3, 0x30), Bytes(18, 0)})},
        {"feeds start again at column 0", Concat({kDot, {0x15, 0x02}, kDot, {0x1B, 0x4A, 0x03}, kDot, {0x0A}}), 1, 29,
         Column(8, 29)},
        {"ESC $ places and widens",
         {0x1B, 0x24, 0x05, 0x00, 0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x1B, 0x24, 0x10, 0x00, 0x0A}, 16, 24,
         Concat({{0x04, 0x00}}, 24)},
        // Unknown modes carry 0A bytes that must not be read as feeds.
        // Mode 32: three bytes a column, each column two dots wide.
        {"mode 32", {0x1B, 0x2A, 0x20, 0x02, 0x00, 0x80, 0x00, 0x01, 0x00, 0x00, 0x80, 0x0A}, 4, 24,
         Concat({{0xC0}, Bytes(15, 0), {0x30}, Bytes(6, 0), {0xC0}})},
        {"modes 3, 39 and 72 skipped by 1, 3 and 6 bytes a column",
         Concat({{0x1B, 0x2A, 0x03, 0x02, 0x00, 0x0A, 0x0A, 0x1B, 0x2A, 0x27, 0x01, 0x00, 0x0A, 0x0A, 0x0A},
                 {0x1B, 0x2A, 0x48, 0x01, 0x00}, Bytes(6, 0x0A), kDot, {0x0A}}),
         1, 24, Column(3, 24)},
        {"dots below the last feed dropped", {0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x15, 0x0C}, 1, 12,
         Bytes(12, 0x80)},
        // A command cut off by the end of the file ends the walk.
        {"cut in its data", Concat({kDot, {0x0A, 0x1B, 0x2A, 0x21, 0x02, 0x00, 0xFF, 0xFF}}), 1, 24, Column(3, 24)},
        {"cut in its header", Concat({kDot, {0x0A, 0x1B, 0x2A, 0x21, 0x02}}), 1, 24, Column(3, 24)},
        {"cut in unknown data", Concat({kDot, {0x0A, 0x1B, 0x2A, 0x03, 0x05, 0x00, 0x0A}}), 1, 24, Column(3, 24)},
    });
}

// 24-dot double-density bands; white rows become feeds, white columns a
// position, and the height is raised to whole bands.
TEST(EpsonGfxWriting, WritesBandsFeedsAndPositions)
{
    ExpectWritten(PT_EPSON_GFX, kEpsonSizes, {
        {"a black column 20 high", 8, 20, Bytes(20, 0x80), {0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xF0, 0x0A}},
        {"white rows and columns first", 8, 34, DotMatrix::Dots(8, 34, {{3, 10}}),
         {0x1B, 0x4A, 0x0A, 0x1B, 0x24, 0x03, 0x00, 0x1B, 0x2A, 0x21, 0x01, 0x00, 0x80, 0x00, 0x00, 0x0A}},
        {"300 white rows", 8, 324, DotMatrix::Dots(8, 324, {{0, 300}}),
         {0x1B, 0x4A, 0xFF, 0x1B, 0x4A, 0x2D, 0x1B, 0x2A, 0x21, 0x01, 0x00, 0x80, 0x00, 0x00, 0x0A}},
        {"a gap inside a band", 6, 24, DotMatrix::Dots(6, 24, {{0, 0}, {1, 8}, {4, 23}}),
         {0x1B, 0x2A, 0x21, 0x02, 0x00, 0x80, 0x00, 0x00, 0x00, 0x80, 0x00, 0x1B, 0x24, 0x04, 0x00, 0x1B, 0x2A, 0x21,
          0x01, 0x00, 0x00, 0x00, 0x01, 0x0A}},
        {"the widest position", 65535, 1, DotMatrix::Dots(65535, 1, {{65534, 0}}),
         {0x1B, 0x24, 0xFE, 0xFF, 0x1B, 0x2A, 0x21, 0x01, 0x00, 0x80, 0x00, 0x00, 0x0A}},
        {"rows a short buffer lacks are white", 8, 48, {0x80}, {0x1B, 0x2A, 0x21, 0x01, 0x00, 0x80, 0x00, 0x00, 0x0A}},
        {"white all over", 16, 25, Bytes(50, 0), {}},
        {"the tallest that can be raised", 8, 0xFFFFFFF0u, {}, {}},
    });
}

}  // namespace
