#include "bmp_picture.h"
#include "picture_test_support.h"

using namespace picture_test;

namespace {

constexpr const char* kTruncated = "Error - Bmp File is truncated";

// A bitmap of more than one bit a dot: picture_formats_test.cpp.
TEST(BmpRecognition, RefusesWhatItCannotUseWithoutReadingPastTheFile)
{
    const Bytes whole = BmpFile{.width = 12, .height = 3, .storedRows = Bytes(12, 0xFF)}.Build();
    const Bytes v4 = BmpFile{.width = 8, .height = 1, .headerSize = 108, .storedRows = Bytes(4)}.Build();
    const auto cut = [](const Bytes& bytes, std::size_t size) { return Bytes(bytes.begin(), bytes.begin() + size); };
    ExpectRefused(PT_BITMAP, {
        {"BA", Concat({{'B', 'A'}, Bytes(whole.begin() + 2, whole.end())}), PR_WRONG_FORMAT,
         "Error - File Format is not BMP"},
        {"B alone", {'B'}, PR_WRONG_FORMAT, "Error - File Format is not BMP"},
        {"run-length", BmpFile{.width = 8, .height = 1, .compression = 1, .storedRows = Bytes(4)}.Build(), PR_INVALID,
         "Error - Bmp File Compression not supported"},
        {"top-down", BmpFile{.width = 8, .height = 0xFFFFFFFE, .storedRows = Bytes(8)}.Build(), PR_INVALID,
         "Error - Bmp File is stored top-down, not supported"},
        {"cut before the depth", cut(whole, 28), PR_INVALID, kTruncated},
        {"cut before the compression", cut(whole, 30), PR_INVALID, kTruncated},
        {"a byte short of the rows", cut(whole, whole.size() - 1), PR_INVALID, kTruncated},
        {"V4 header a byte short", cut(v4, v4.size() - 1), PR_INVALID, kTruncated},
        // Row arithmetic that would wrap in 32 bits, whatever the file's length.
        {"width 2^32 - 1", BmpFile{.width = 0xFFFFFFFF, .height = 0x7FFFFFFF}.Build(), PR_NO_MEMORY, kNoMemory},
        {"width 2^31", BmpFile{.width = 0x80000000, .height = 0x7FFFFFFF}.Build(), PR_NO_MEMORY, kNoMemory},
    });
}

TEST(BmpDecoding, RowsComeBottomFirstAndLoseTheBitsBeyondTheWidth)
{
    // Width 12: picture row 0 is AB C-, row 1 is 12 3-; the low nibble of
    // each last byte and the padding carry noise.
    const Bytes whiteBlack = {0x12, 0x3F, 0x77, 0x77, 0xAB, 0xCF, 0x77, 0x77};
    const Bytes blackWhite = {0xED, 0xC0, 0x88, 0x88, 0x54, 0x30, 0x88, 0x88};
    const Bytes width12 = {0xAB, 0xC0, 0x12, 0x30};
    ExpectRead(PT_BITMAP, {
        {"palette black, white",
         BmpFile{.width = 12, .height = 2, .palette0 = 0, .palette1 = 0xFFFFFF, .storedRows = blackWhite}.Build(), 12,
         2, width12},
        {"equal palette entries",
         BmpFile{.width = 12, .height = 2, .palette0 = 1, .palette1 = 1, .storedRows = whiteBlack}.Build(), 12, 2,
         width12},
        {"palette white, black; only the low bytes of depth and compression count",
         BmpFile{.width = 12, .height = 2, .bitsPerPixel = 0x0101, .compression = 0x0100, .storedRows = whiteBlack}
             .Build(),
         12, 2, width12},
        {"width 32 has no padding", BmpFile{.width = 32, .height = 2, .storedRows = {1, 2, 3, 4, 5, 6, 7, 8}}.Build(),
         32, 2, {5, 6, 7, 8, 1, 2, 3, 4}},
        {"width 33 has 8-byte rows",
         BmpFile{.width = 33, .height = 2, .storedRows = {1, 2, 3, 4, 0xFF, 9, 9, 9, 5, 6, 7, 8, 0x80, 9, 9, 9}}
             .Build(),
         33, 2, {5, 6, 7, 8, 0x80, 1, 2, 3, 4, 0x80}},
        // Without columns the huge height must not cost a loop over the rows.
        {"no columns", BmpFile{.width = 0, .height = 0x7FFFFFFF}.Build(), 0, 0x7FFFFFFF, {}},
        {"the 40-byte header ignores the pixel offset",
         BmpFile{.width = 8, .height = 1, .storedRows = {0x5A, 0, 0, 0}, .pixelAt = 1000}.Build(), 8, 1, {0x5A}},
        {"a V4 header: palette after it, rows where the pixel offset says",
         BmpFile{.width = 10, .height = 2, .headerSize = 108, .palette0 = 0, .palette1 = 0xFFFFFF,
                 .storedRows = {0x00, 0x3F, 0, 0, 0xBF, 0x7F, 0, 0}, .gap = 2}.Build(),
         10, 2, {0x40, 0x80, 0xFF, 0xC0}},
    });
}

// Write writes what BuildBmpFileImage, which imports go through, gives; the
// rows a short buffer lacks are white.
TEST(BmpWriting, WritesWidth10Height3ByteForByte)
{
    // Rows top to bottom; the low 6 bits of each second byte lie beyond the
    // width and are written as they stand.
    const Bytes bits = {0xC0, 0x40, 0x81, 0xFF, 0xFF, 0xC3};
    const Bytes expected = {
        'B', 'M', 74, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,                           // file header
        40, 0, 0, 0, 10, 0, 0, 0, 3, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0,             // size, W, H, planes, depth, none
        12, 0, 0, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,  // pixel bytes, 8000 dpm, 2 colours
        0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0,                                          // white, black
        0xFF, 0xC3, 0, 0, 0x81, 0xFF, 0, 0, 0xC0, 0x40, 0, 0,                     // bottom row first
    };
    ExpectWritten(PT_BITMAP, {1, 1, ""}, {{"10 by 3", 10, 3, bits, expected}});

    const Bytes image = BuildBmpFileImage(16, 2, Bytes{0xAA});
    ASSERT_EQ(image.size(), 70u);
    EXPECT_EQ(Bytes(image.begin() + 62, image.end()), (Bytes{0, 0, 0, 0, 0xAA, 0, 0, 0}));
    // Without columns the huge height must not cost a loop over the rows.
    EXPECT_EQ(BuildBmpFileImage(0, 0x7FFFFFFF, {}).size(), 62u);
}

}  // namespace
