#include "epson_gfx_picture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A dot matrix laid out as the dot buffer is.
struct Dots {
    Dots(std::uint32_t w, std::uint32_t h) : width(w), height(h), rowBytes(CPicture::BytesPerRow(w)), bits(rowBytes * h)
    {
    }

    void Set(std::uint32_t x, std::uint32_t y) { bits[y * rowBytes + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8)); }
    bool Get(std::uint32_t x, std::uint32_t y) const { return (bits[y * rowBytes + x / 8] & (0x80 >> (x % 8))) != 0; }

    std::uint32_t width;
    std::uint32_t height;
    std::size_t rowBytes;
    Bytes bits;
};

bool DotOf(const CPicture& picture, std::uint64_t x, std::uint64_t y)
{
    if (x >= picture.GetWidth() || y >= picture.GetHeight())
        return false;
    const std::size_t rowBytes = CPicture::BytesPerRow(picture.GetWidth());
    return (picture.GetBits()[y * rowBytes + x / 8] & (0x80 >> (x % 8))) != 0;
}

std::unique_ptr<CEpsonGfxPicture> Decoded(const Bytes& image)
{
    auto picture = std::make_unique<CEpsonGfxPicture>("");
    picture->SetFileImage(image);
    std::string message;
    EXPECT_EQ(picture->Parse(message), PR_OK) << message;
    EXPECT_TRUE(picture->Decode(message)) << message;
    return picture;
}

struct Written {
    PictureResult result;
    std::uint32_t width;
    std::uint32_t height;
    std::string message;
    Bytes bytes;
};

Written WriteEpson(const Bytes& bits, std::uint32_t width, std::uint32_t height)
{
    const auto path =
        std::filesystem::temp_directory_path() / ("epson_gfx_test_" + std::to_string(::getpid()) + ".gfx");
    CEpsonGfxPicture picture(path.string());
    Written out{PR_OK, width, height, {}, {}};
    EXPECT_EQ(picture.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, out.message), PR_OK);
    picture.SetBits(bits);
    out.result = picture.Write(out.width, out.height, out.message);
    std::ifstream in(path, std::ios::binary);
    out.bytes.assign(std::istreambuf_iterator<char>(in), {});
    std::filesystem::remove(path);
    return out;
}

Written WriteEpson(const Dots& dots)
{
    return WriteEpson(dots.bits, dots.width, dots.height);
}

constexpr const char* kNotEpson = "Error - File Format is not Epson Graphics (1B 2A)";

}  // namespace

// ---- Recognition and refusal ----

TEST(EpsonGfxRecognition, RefusesWhatHoldsNoBitImageCommand)
{
    CEpsonGfxPicture none("");
    std::string message;
    EXPECT_EQ(none.Parse(message), PR_NO_IMAGE);

    for (const Bytes& image : {Bytes{}, Bytes{0x1B}, Bytes{0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0xFF}, Bytes{0x2A, 0x1B}}) {
        CEpsonGfxPicture picture("");
        picture.SetFileImage(image);
        message.clear();
        EXPECT_EQ(picture.Parse(message), PR_WRONG_FORMAT);
        EXPECT_EQ(message, kNotEpson);
    }
}

TEST(EpsonGfxRecognition, CommandMustBeginWithinTheFirst128Bytes)
{
    const Bytes command = {0x1B, 0x2A, 0x01, 0x01, 0x00, 0x80, 0x0A};
    CEpsonGfxPicture at127("");
    at127.SetFileImage(Concat({Bytes(127, 0x00), command}));
    std::string message;
    EXPECT_EQ(at127.Parse(message), PR_OK);
    EXPECT_EQ(at127.GetHeaderOffset(), 127u);

    CEpsonGfxPicture at128("");
    at128.SetFileImage(Concat({Bytes(128, 0x00), command}));
    EXPECT_EQ(at128.Parse(message), PR_WRONG_FORMAT);
    EXPECT_EQ(message, kNotEpson);
}

TEST(EpsonGfxRecognition, WalkStartsAtTheFirstByteNotAtTheCommand)
{
    const auto picture = Decoded({0x1B, 0x4A, 0x05, 0x1B, 0x2A, 0x01, 0x01, 0x00, 0x80, 0x0A});
    EXPECT_EQ(picture->GetHeaderOffset(), 3u);
    EXPECT_EQ(picture->GetHeight(), 29u);
    EXPECT_TRUE(DotOf(*picture, 0, 5));
    EXPECT_FALSE(DotOf(*picture, 0, 4));
}

// ---- Decoding ----

TEST(EpsonGfxDecoding, Mode0DotsAreTwoColumnsWideAndThreeRowsHigh)
{
    const auto picture = Decoded({0x1B, 0x2A, 0x00, 0x02, 0x00, 0x80, 0x80, 0x0A});
    ASSERT_EQ(picture->GetWidth(), 4u);
    ASSERT_EQ(picture->GetHeight(), 24u);
    const Bytes expected = Concat({Bytes(3, 0xF0), Bytes(21, 0x00)});
    EXPECT_EQ(Bytes(picture->GetBits().begin(), picture->GetBits().end()), expected);
    EXPECT_FALSE(picture->HasFileImage());

    // A second command on the line starts 2n columns after the first.
    const auto two = Decoded({0x1B, 0x2A, 0x00, 0x01, 0x00, 0x80, 0x1B, 0x2A, 0x00, 0x01, 0x00, 0x40, 0x0A});
    ASSERT_EQ(two->GetWidth(), 4u);
    const Bytes expectedTwo = Concat({Bytes(3, 0xC0), Bytes(3, 0x30), Bytes(18, 0x00)});
    EXPECT_EQ(Bytes(two->GetBits().begin(), two->GetBits().end()), expectedTwo);
}

// Every mode against the dot rules drawn one dot at a time, at positions
// that are not byte aligned and with column counts that are not multiples of 8.
TEST(EpsonGfxDecoding, EveryModeDrawsItsDotsWhereTheRulesPlaceThem)
{
    struct Mode {
        std::uint8_t m;
        unsigned bytesPerColumn;
        unsigned dotsPerColumn;
    };
    std::mt19937 random(7);
    for (const Mode mode : {Mode{0, 1, 2}, Mode{1, 1, 1}, Mode{32, 3, 2}, Mode{33, 3, 1}}) {
        for (unsigned columns : {1u, 7u, 8u, 9u, 21u, 300u}) {
            const std::uint16_t start = static_cast<std::uint16_t>(random() % 20);
            Bytes data(columns * mode.bytesPerColumn);
            for (auto& byte : data)
                byte = static_cast<std::uint8_t>(random());
            const Bytes image = Concat({{0x1B, 0x24, static_cast<std::uint8_t>(start), 0x00},
                                        {0x1B, 0x2A, mode.m, static_cast<std::uint8_t>(columns),
                                         static_cast<std::uint8_t>(columns >> 8)},
                                        data,
                                        {0x0A}});
            const auto picture = Decoded(image);
            ASSERT_EQ(picture->GetWidth(), start + columns * mode.dotsPerColumn);
            ASSERT_EQ(picture->GetHeight(), 24u);

            Dots expected(picture->GetWidth(), 24);
            for (unsigned c = 0; c < columns; ++c) {
                for (unsigned b = 0; b < 8 * mode.bytesPerColumn; ++b) {
                    if ((data[c * mode.bytesPerColumn + b / 8] & (0x80 >> (b % 8))) == 0)
                        continue;
                    for (unsigned dx = 0; dx < mode.dotsPerColumn; ++dx) {
                        const unsigned x = start + c * mode.dotsPerColumn + dx;
                        if (mode.bytesPerColumn == 1)
                            for (unsigned dy = 0; dy < 3; ++dy)
                                expected.Set(x, 3 * b + dy);
                        else
                            expected.Set(x, b);
                    }
                }
            }
            EXPECT_EQ(Bytes(picture->GetBits().begin(), picture->GetBits().end()), expected.bits)
                << "mode " << int(mode.m) << ", " << columns << " columns from " << start;
        }
    }
}

TEST(EpsonGfxDecoding, FeedsAndPositionsMoveTheWalk)
{
    // 0A 0D is one line feed; 0C with x at 0 adds nothing, after dots a band.
    EXPECT_EQ(Decoded({0x1B, 0x2A, 0x01, 0x01, 0x00, 0x80, 0x0A, 0x0D})->GetHeight(), 24u);
    EXPECT_EQ(Decoded({0x1B, 0x2A, 0x01, 0x01, 0x00, 0x80, 0x0A, 0x0C})->GetHeight(), 24u);
    EXPECT_EQ(Decoded({0x1B, 0x2A, 0x01, 0x01, 0x00, 0x80, 0x0C})->GetHeight(), 24u);
    EXPECT_EQ(Decoded({0x1B, 0x2A, 0x01, 0x01, 0x00, 0x80, 0x0D, 0x0C})->GetHeight(), 0u);

    // 15 k and ESC J k move down k rows and back to column 0.
    const auto fed = Decoded({0x1B, 0x2A, 0x01, 0x01, 0x00, 0x80, 0x15, 0x02, 0x1B, 0x2A, 0x01, 0x01, 0x00,
                              0x80, 0x1B, 0x4A, 0x03, 0x1B, 0x2A, 0x01, 0x01, 0x00, 0x80, 0x0A});
    EXPECT_EQ(fed->GetWidth(), 1u);
    EXPECT_EQ(fed->GetHeight(), 29u);
    for (unsigned y : {0u, 2u, 4u, 5u, 7u})
        EXPECT_TRUE(DotOf(*fed, 0, y)) << y;
    for (unsigned y : {8u, 9u, 10u})
        EXPECT_FALSE(DotOf(*fed, 0, y)) << y;

    // ESC $ sets the column and widens the picture even without dots there.
    const auto placed = Decoded({0x1B, 0x24, 0x05, 0x00, 0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xFF,
                                 0x1B, 0x24, 0x10, 0x00, 0x0A});
    EXPECT_EQ(placed->GetWidth(), 16u);
    for (unsigned y = 0; y < 24; ++y) {
        EXPECT_TRUE(DotOf(*placed, 5, y));
        EXPECT_FALSE(DotOf(*placed, 4, y));
        EXPECT_FALSE(DotOf(*placed, 6, y));
    }
}

TEST(EpsonGfxDecoding, OtherCommandsAreSkippedWithTheirParameters)
{
    // ESC 3 takes one parameter byte (here 0A, not a line feed), any other ESC
    // and GS one letter, and any other byte stands alone.
    const auto picture = Decoded({0x1B, 0x33, 0x0A, 0x1B, 0x40, 0x1D, 0x0A, 0x1B, 0x41, 0x08, 0x1B, 0x0A,
                                  0x1B, 0x2A, 0x01, 0x01, 0x00, 0x80, 0x0A});
    EXPECT_EQ(picture->GetHeight(), 24u);
    EXPECT_EQ(picture->GetWidth(), 1u);
    EXPECT_TRUE(DotOf(*picture, 0, 0));
}

TEST(EpsonGfxDecoding, OtherModesAreSkippedByTheirDataLengthWithoutDrawing)
{
    // Each unknown command carries 0A bytes that must not be read as feeds.
    for (const Bytes& unknown : {Bytes{0x1B, 0x2A, 0x03, 0x02, 0x00, 0x0A, 0x0A},
                                 Bytes{0x1B, 0x2A, 0x27, 0x01, 0x00, 0x0A, 0x0A, 0x0A},
                                 Bytes{0x1B, 0x2A, 0x48, 0x01, 0x00, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A}}) {
        const auto picture = Decoded(Concat({unknown, {0x1B, 0x2A, 0x01, 0x01, 0x00, 0x80, 0x0A}}));
        EXPECT_EQ(picture->GetWidth(), 1u);
        EXPECT_EQ(picture->GetHeight(), 24u);
        EXPECT_TRUE(DotOf(*picture, 0, 0));
    }
}

TEST(EpsonGfxDecoding, CommandCutOffByTheEndOfTheFileEndsTheWalk)
{
    const Bytes band = {0x1B, 0x2A, 0x01, 0x01, 0x00, 0x80, 0x0A};
    for (const Bytes& tail : {Bytes{0x1B, 0x2A, 0x21, 0x02, 0x00, 0xFF, 0xFF, 0xFF}, Bytes{0x1B, 0x2A, 0x21, 0x02},
                              Bytes{0x1B, 0x2A, 0x03, 0x05, 0x00, 0x0A}, Bytes{0x15}, Bytes{0x1B, 0x4A},
                              Bytes{0x1B, 0x24, 0x40}, Bytes{0x1B, 0x33}, Bytes{0x1B}, Bytes{0x1D}}) {
        const auto picture = Decoded(Concat({band, tail}));
        EXPECT_EQ(picture->GetWidth(), 1u);
        EXPECT_EQ(picture->GetHeight(), 24u);
    }
}

TEST(EpsonGfxDecoding, DotsBelowTheLastFeedAreDropped)
{
    const auto picture = Decoded({0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x15, 0x0C});
    ASSERT_EQ(picture->GetWidth(), 1u);
    ASSERT_EQ(picture->GetHeight(), 12u);
    EXPECT_EQ(Bytes(picture->GetBits().begin(), picture->GetBits().end()), Bytes(12, 0x80));
}

// ---- Size limits ----

TEST(EpsonGfxSizeLimits, PictureBeyondTheBufferLimitIsRefusedBeforeAllocating)
{
    // 131070 dots wide (16384 bytes a row) by 683 bands: just over 256 MiB.
    const Bytes image = Concat({{0x1B, 0x2A, 0x20, 0xFF, 0xFF}, Bytes(3 * 0xFFFF, 0x00), Bytes(683, 0x0A)});
    CEpsonGfxPicture picture("");
    picture.SetFileImage(image);
    std::string message;
    ASSERT_EQ(picture.Parse(message), PR_OK);
    EXPECT_EQ(picture.GetWidth(), 131070u);
    EXPECT_EQ(picture.GetHeight(), 683u * 24);
    EXPECT_FALSE(picture.Decode(message));
    EXPECT_EQ(message, "Error - Memory Allocation");
    EXPECT_FALSE(picture.HasBits());
}

TEST(EpsonGfxSizeLimits, HeightBeyond32BitsIsRefusedNotWrapped)
{
    // 16843010 feeds of 255 rows: 4294967550 rows, more than 32 bits hold.
    Bytes image = {0x1B, 0x2A, 0x01, 0x00, 0x00};
    image.resize(image.size() + 2 * 16843010, 0xFF);
    for (std::size_t at = 5; at < image.size(); at += 2)
        image[at] = 0x15;
    CEpsonGfxPicture picture("");
    picture.SetFileImage(image);
    std::string message;
    ASSERT_EQ(picture.Parse(message), PR_OK);
    EXPECT_EQ(picture.GetWidth(), 0u);
    EXPECT_EQ(picture.GetHeight(), 0xFFFFFFFFu);
    EXPECT_FALSE(picture.Decode(message));
    EXPECT_EQ(message, "Error - Memory Allocation");
}

// ---- Writing ----

TEST(EpsonGfxWriting, FullColumnWritesOneBitImageAndALineFeed)
{
    Dots dots(8, 24);
    for (unsigned y = 0; y < 24; ++y)
        dots.Set(0, y);
    const Written written = WriteEpson(dots);
    EXPECT_EQ(written.result, PR_OK);
    EXPECT_EQ(written.message, "");
    EXPECT_EQ(written.bytes, (Bytes{0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x0A}));

    Dots shorter(8, 20);
    for (unsigned y = 0; y < 20; ++y)
        shorter.Set(0, y);
    const Written adjusted = WriteEpson(shorter);
    EXPECT_EQ(adjusted.result, PR_ADJUSTED);
    EXPECT_EQ(adjusted.message, "Picture Height has been adjusted to be compatible with selected output format");
    EXPECT_EQ(adjusted.height, 24u);
    EXPECT_EQ(adjusted.width, 8u);
    EXPECT_EQ(adjusted.bytes, (Bytes{0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xF0, 0x0A}));
}

TEST(EpsonGfxWriting, WhiteRowsBecomeFeedsAndWhiteColumnsAPosition)
{
    Dots dots(8, 34);
    dots.Set(3, 10);
    const Written written = WriteEpson(dots);
    EXPECT_EQ(written.result, PR_ADJUSTED);
    EXPECT_EQ(written.height, 48u);
    EXPECT_EQ(written.bytes, (Bytes{0x1B, 0x4A, 0x0A, 0x1B, 0x24, 0x03, 0x00, 0x1B, 0x2A, 0x21, 0x01, 0x00, 0x80,
                                    0x00, 0x00, 0x0A}));
}

TEST(EpsonGfxWriting, LongWhiteRunIsSplitIntoFeedsOf255)
{
    Dots dots(8, 324);
    dots.Set(0, 300);
    const Written written = WriteEpson(dots);
    EXPECT_EQ(written.bytes, (Bytes{0x1B, 0x4A, 0xFF, 0x1B, 0x4A, 0x2D, 0x1B, 0x2A, 0x21, 0x01, 0x00, 0x80, 0x00,
                                    0x00, 0x0A}));
}

TEST(EpsonGfxWriting, GapInsideABandStartsANewCommandAfterAPosition)
{
    Dots dots(6, 24);
    dots.Set(0, 0);
    dots.Set(1, 8);
    dots.Set(4, 23);
    const Written written = WriteEpson(dots);
    EXPECT_EQ(written.bytes, (Bytes{0x1B, 0x2A, 0x21, 0x02, 0x00, 0x80, 0x00, 0x00, 0x00, 0x80, 0x00,
                                    0x1B, 0x24, 0x04, 0x00, 0x1B, 0x2A, 0x21, 0x01, 0x00, 0x00, 0x00, 0x01, 0x0A}));
}

TEST(EpsonGfxWriting, WhiteAllOverWritesAnEmptyFileThatReadsAsNotEpson)
{
    const Written written = WriteEpson(Dots(16, 48));
    EXPECT_EQ(written.result, PR_OK);
    EXPECT_TRUE(written.bytes.empty());

    CEpsonGfxPicture picture("");
    picture.SetFileImage(written.bytes);
    std::string message;
    EXPECT_EQ(picture.Parse(message), PR_WRONG_FORMAT);
    EXPECT_EQ(message, kNotEpson);
}

TEST(EpsonGfxWriting, RowsMissingFromAShortDotBufferAreWhite)
{
    Dots dots(8, 24);
    dots.Set(0, 0);
    const Bytes firstRowOnly(dots.bits.begin(), dots.bits.begin() + 1);
    const Written written = WriteEpson(firstRowOnly, 8, 48);
    EXPECT_EQ(written.result, PR_OK);
    EXPECT_EQ(written.bytes, (Bytes{0x1B, 0x2A, 0x21, 0x01, 0x00, 0x80, 0x00, 0x00, 0x0A}));
}

// ---- Size rules ----

TEST(EpsonGfxSizeRules, HeightIsRaisedToWholeBandsAndWidthKept)
{
    struct Case {
        std::uint32_t height;
        std::uint32_t written;
    };
    for (const Case c : {Case{1, 24}, Case{23, 24}, Case{24, 24}, Case{25, 48}, Case{48, 48}, Case{0, 0}}) {
        Dots dots(13, c.height);
        if (c.height != 0)
            dots.Set(12, c.height - 1);
        const Written written = WriteEpson(dots);
        EXPECT_EQ(written.height, c.written);
        EXPECT_EQ(written.width, 13u);
        if (c.height == c.written) {
            EXPECT_EQ(written.result, PR_OK);
            EXPECT_EQ(written.message, "");
        } else {
            EXPECT_EQ(written.result, PR_ADJUSTED);
            EXPECT_EQ(written.message, "Picture Height has been adjusted to be compatible with selected output format");
        }
    }
}

TEST(EpsonGfxSizeRules, WidestPositionFitsSixteenBitsAndWiderIsRefused)
{
    Dots dots(65535, 1);
    dots.Set(65534, 0);
    const Written widest = WriteEpson(dots);
    EXPECT_EQ(widest.result, PR_ADJUSTED);
    EXPECT_EQ(widest.bytes, (Bytes{0x1B, 0x24, 0xFE, 0xFF, 0x1B, 0x2A, 0x21, 0x01, 0x00, 0x80, 0x00, 0x00, 0x0A}));

    const Written wider = WriteEpson(Dots(65536, 24));
    EXPECT_EQ(wider.result, PR_INVALID);
    EXPECT_EQ(wider.message, "Error - Picture too wide for EPSON GFX format (at most 65535 dots)");
    EXPECT_TRUE(wider.bytes.empty());
}

TEST(EpsonGfxSizeRules, HeightThatCannotBeRaisedWithin32BitsIsRefused)
{
    const Written written = WriteEpson(Bytes{}, 8, 0xFFFFFFF1u);
    EXPECT_EQ(written.result, PR_INVALID);
    EXPECT_EQ(written.message, "Error - Picture too tall for EPSON GFX format (at most 4294967280 dots)");
    EXPECT_EQ(written.height, 0xFFFFFFF1u);

    // The tallest that can be raised: the rows an empty buffer lacks are white.
    const Written tallest = WriteEpson(Bytes{}, 8, 0xFFFFFFF0u);
    EXPECT_EQ(tallest.result, PR_OK);
    EXPECT_TRUE(tallest.bytes.empty());
}

// ---- Round trips ----

TEST(EpsonGfxRoundTrip, WrittenPicturesReadBackWithTheSameDots)
{
    std::mt19937 random(11);
    for (std::uint32_t width : {1u, 7u, 8u, 9u, 30u, 67u}) {
        for (std::uint32_t height : {1u, 23u, 24u, 25u, 61u}) {
            Dots dots(width, height);
            for (std::uint32_t y = 0; y < height; ++y) {
                if (random() % 4 == 0)
                    continue;  // leave white rows and runs of them
                for (std::uint32_t x = 0; x < width; ++x)
                    if (random() % 3 == 0)
                        dots.Set(x, y);
            }
            const Written written = WriteEpson(dots);
            ASSERT_TRUE(written.result == PR_OK || written.result == PR_ADJUSTED);
            if (written.bytes.empty())
                continue;
            const auto picture = Decoded(written.bytes);
            EXPECT_LE(picture->GetWidth(), width);
            // A band starts at its first dark row, so it may reach below the written height.
            EXPECT_LE(picture->GetHeight(), height + 23);
            for (std::uint32_t y = 0; y < height; ++y)
                for (std::uint32_t x = 0; x < width; ++x)
                    ASSERT_EQ(DotOf(*picture, x, y), dots.Get(x, y)) << width << "x" << height << " at " << x << "," << y;
        }
    }
}
