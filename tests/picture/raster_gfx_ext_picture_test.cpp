#include "raster_gfx_ext_picture.h"

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

Bytes Repeated(const Bytes& part, std::size_t times)
{
    Bytes out;
    out.reserve(part.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes BitsOf(const CPicture& picture)
{
    return Bytes(picture.GetBits().begin(), picture.GetBits().end());
}

std::unique_ptr<CRasterGfxExtPicture> Decoded(const Bytes& image)
{
    auto picture = std::make_unique<CRasterGfxExtPicture>("");
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

Written WriteExt(const Bytes& bits, std::uint32_t width, std::uint32_t height)
{
    const auto path =
        std::filesystem::temp_directory_path() / ("raster_ext_test_" + std::to_string(::getpid()) + ".gfx");
    CRasterGfxExtPicture picture(path.string());
    Written out{PR_OK, width, height, {}, {}};
    EXPECT_EQ(picture.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, out.message), PR_OK);
    picture.SetBits(bits);
    out.result = picture.Write(out.width, out.height, out.message);
    std::ifstream in(path, std::ios::binary);
    out.bytes.assign(std::istreambuf_iterator<char>(in), {});
    std::filesystem::remove(path);
    return out;
}

// Rows given as their bytes, top first.
Written WriteRows(std::uint32_t width, std::initializer_list<Bytes> rows)
{
    return WriteExt(Concat(rows), width, static_cast<std::uint32_t>(rows.size()));
}

constexpr const char* kNotExtended = "Error - File Format is not Extended Raster Graphics (1B 2E)";
constexpr const char* kWidthAdjusted = "Picture Width has been adjusted to be compatible with selected output format";

}  // namespace

// ---- Recognition and refusal ----

TEST(RasterGfxExtRecognition, RefusesWhatHoldsNoRasterLine)
{
    CRasterGfxExtPicture none("");
    std::string message;
    EXPECT_EQ(none.Parse(message), PR_NO_IMAGE);

    for (const Bytes& image : {Bytes{}, Bytes{0x1B}, Bytes{0x15, 0x05}, Bytes{0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xFF}}) {
        CRasterGfxExtPicture picture("");
        picture.SetFileImage(image);
        message.clear();
        EXPECT_EQ(picture.Parse(message), PR_WRONG_FORMAT);
        EXPECT_EQ(message, kNotExtended);
    }
}

TEST(RasterGfxExtRecognition, CommandMustBeginWithinTheFirst128Bytes)
{
    const Bytes line = {0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0x80};
    CRasterGfxExtPicture at127("");
    at127.SetFileImage(Concat({Bytes(127, 0x00), line}));
    std::string message;
    EXPECT_EQ(at127.Parse(message), PR_OK);
    EXPECT_EQ(at127.GetHeaderOffset(), 127u);

    CRasterGfxExtPicture at128("");
    at128.SetFileImage(Concat({Bytes(128, 0x00), line}));
    EXPECT_EQ(at128.Parse(message), PR_WRONG_FORMAT);
    EXPECT_EQ(message, kNotExtended);
}

TEST(RasterGfxExtRecognition, WalkStartsAtTheFirstByteNotAtTheCommand)
{
    const auto picture = Decoded({0x15, 0x02, 0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0xFF});
    EXPECT_EQ(picture->GetHeaderOffset(), 2u);
    EXPECT_EQ(picture->GetHeight(), 3u);
    EXPECT_EQ(BitsOf(*picture), (Bytes{0x00, 0x00, 0xFF}));
}

// ---- Decoding ----

TEST(RasterGfxExtDecoding, LineFillsItsBytesInEveryRowItRepeatsOver)
{
    const auto picture = Decoded({0x1B, 0x2E, 0x01, 0x02, 0x03, 0x00, 0xAA, 0xBB});
    ASSERT_EQ(picture->GetWidth(), 24u);
    ASSERT_EQ(picture->GetHeight(), 3u);
    EXPECT_EQ(BitsOf(*picture), Repeated({0x00, 0xAA, 0xBB}, 3));
    EXPECT_FALSE(picture->HasFileImage());

    const auto written = Decoded({0x1B, 0x2E, 0x01, 0x01, 0x02, 0x00, 0xF0, 0x15, 0x01});
    ASSERT_EQ(written->GetWidth(), 16u);
    ASSERT_EQ(written->GetHeight(), 3u);
    EXPECT_EQ(BitsOf(*written), (Bytes{0x00, 0xF0, 0x00, 0xF0, 0x00, 0x00}));
}

TEST(RasterGfxExtDecoding, FeedsMoveDownAndPositionsWiden)
{
    const Bytes line = {0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0x80};
    // 0A 0D is one line feed of 24 rows.
    EXPECT_EQ(Decoded(Concat({line, {0x0A, 0x0D}}))->GetHeight(), 25u);
    // 0C adds 24 rows only when a position is pending.
    EXPECT_EQ(Decoded(Concat({line, {0x1B, 0x24, 0x05, 0x00, 0x0C}}))->GetHeight(), 25u);
    EXPECT_EQ(Decoded(Concat({line, {0x0C}}))->GetHeight(), 1u);
    EXPECT_EQ(Decoded(Concat({line, {0x1B, 0x24, 0x05, 0x00, 0x0D, 0x0C}}))->GetHeight(), 1u);
    EXPECT_EQ(Decoded(Concat({line, {0x15, 0x07, 0x1B, 0x4A, 0x03}}))->GetHeight(), 11u);

    const auto wide = Decoded(Concat({{0x1B, 0x24, 0x20, 0x00}, line}));
    EXPECT_EQ(wide->GetWidth(), 32u);
    EXPECT_EQ(wide->GetHeight(), 1u);
    EXPECT_EQ(BitsOf(*wide), (Bytes{0x80, 0x00, 0x00, 0x00}));
}

TEST(RasterGfxExtDecoding, OtherCommandsAreSkippedWithTheirParameters)
{
    // ESC "*" is only a two-byte command here, so the 0A after it is a feed;
    // the 0A after ESC 3 and after GS is a parameter.
    const auto picture = Decoded({0x1B, 0x33, 0x0A, 0x1D, 0x0A, 0x1B, 0x40, 0x1B, 0x2E, 0x00, 0x01, 0x01,
                                  0x00, 0x80, 0x1B, 0x2A, 0x0A});
    EXPECT_EQ(picture->GetWidth(), 8u);
    EXPECT_EQ(picture->GetHeight(), 25u);
}

TEST(RasterGfxExtDecoding, CommandCutOffByTheEndOfTheFileEndsTheWalk)
{
    const Bytes line = {0x1B, 0x2E, 0x00, 0x01, 0x02, 0x00, 0x80};
    for (const Bytes& tail : {Bytes{0x1B, 0x2E, 0x00, 0x02, 0x01, 0x00, 0xFF}, Bytes{0x1B, 0x2E, 0x00},
                              Bytes{0x15}, Bytes{0x1B, 0x4A}, Bytes{0x1B, 0x24, 0x40}, Bytes{0x1B}}) {
        const auto picture = Decoded(Concat({line, tail}));
        EXPECT_EQ(picture->GetWidth(), 8u);
        EXPECT_EQ(picture->GetHeight(), 2u);
    }
}

// ---- Size limits ----

TEST(RasterGfxExtSizeLimits, PictureBeyondTheBufferLimitIsRefusedBeforeAllocating)
{
    // 2040 dots (255 bytes a row) by 17 * 65535 rows: just over 256 MiB.
    CRasterGfxExtPicture picture("");
    picture.SetFileImage(Repeated({0x1B, 0x2E, 0xFE, 0x01, 0xFF, 0xFF, 0x01}, 17));
    std::string message;
    ASSERT_EQ(picture.Parse(message), PR_OK);
    EXPECT_EQ(picture.GetWidth(), 2040u);
    EXPECT_EQ(picture.GetHeight(), 17u * 65535);
    EXPECT_FALSE(picture.Decode(message));
    EXPECT_EQ(message, "Error - Memory Allocation");
    EXPECT_FALSE(picture.HasBits());
}

TEST(RasterGfxExtSizeLimits, HeightBeyond32BitsIsRefusedNotWrapped)
{
    // 65538 empty lines of 65535 rows: more rows than 32 bits hold.
    CRasterGfxExtPicture picture("");
    picture.SetFileImage(Repeated({0x1B, 0x2E, 0x00, 0x00, 0xFF, 0xFF}, 65538));
    std::string message;
    ASSERT_EQ(picture.Parse(message), PR_OK);
    EXPECT_EQ(picture.GetWidth(), 0u);
    EXPECT_EQ(picture.GetHeight(), 0xFFFFFFFFu);
    EXPECT_FALSE(picture.Decode(message));
    EXPECT_EQ(message, "Error - Memory Allocation");
}

// ---- Writing ----

TEST(RasterGfxExtWriting, EqualRowsShareOneLineAndWhiteRowsOneCommand)
{
    const Written written = WriteRows(16, {{0x00, 0xF0}, {0x00, 0xF0}, {0x00, 0x00}});
    EXPECT_EQ(written.result, PR_OK);
    EXPECT_EQ(written.message, "");
    EXPECT_EQ(written.bytes, (Bytes{0x1B, 0x2E, 0x01, 0x01, 0x02, 0x00, 0xF0, 0x15, 0x01}));

    const Written margins = WriteRows(32, {{0x00, 0x0F, 0xF0, 0x00}});
    EXPECT_EQ(margins.bytes, (Bytes{0x1B, 0x2E, 0x01, 0x02, 0x01, 0x00, 0x0F, 0xF0}));
}

TEST(RasterGfxExtWriting, WhiteRowsComeOutBeforeTheLineThatFollowsThem)
{
    const Written written = WriteRows(8, {{0x00}, {0x81}, {0x81}, {0x00}, {0x42}});
    EXPECT_EQ(written.bytes, (Bytes{0x15, 0x01, 0x1B, 0x2E, 0x00, 0x01, 0x02, 0x00, 0x81, 0x15, 0x01, 0x1B,
                                    0x2E, 0x00, 0x01, 0x01, 0x00, 0x42}));
    EXPECT_EQ(BitsOf(*Decoded(written.bytes)), (Bytes{0x00, 0x81, 0x81, 0x00, 0x42}));
}

TEST(RasterGfxExtWriting, ThreeHundredEqualRowsWriteOneCommand)
{
    const Written written = WriteExt(Bytes(300, 0x3C), 8, 300);
    EXPECT_EQ(written.bytes, (Bytes{0x1B, 0x2E, 0x00, 0x01, 0x2C, 0x01, 0x3C}));
}

TEST(RasterGfxExtWriting, MoreThan255WhiteRowsWriteSeveralCommandsAndKeepTheirHeight)
{
    Bytes bits(602, 0x00);
    bits.front() = 0x80;
    bits.back() = 0x80;
    const Written written = WriteExt(bits, 8, 602);
    const Bytes line = {0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0x80};
    EXPECT_EQ(written.bytes, Concat({line, {0x15, 0xFF, 0x15, 0xFF, 0x15, 0x5A}, line}));

    const auto picture = Decoded(written.bytes);
    EXPECT_EQ(picture->GetHeight(), 602u);
    EXPECT_EQ(BitsOf(*picture), bits);

    // Trailing white rows too.
    const Written trailing = WriteExt(Bytes(256, 0x00), 8, 256);
    EXPECT_EQ(trailing.bytes, (Bytes{0x15, 0xFF, 0x15, 0x01}));
}

TEST(RasterGfxExtWriting, MoreThan65535EqualRowsStartANewLine)
{
    const Written written = WriteExt(Bytes(65546, 0x18), 8, 65546);
    EXPECT_EQ(written.bytes, (Bytes{0x1B, 0x2E, 0x00, 0x01, 0xFF, 0xFF, 0x18, 0x1B, 0x2E, 0x00, 0x01, 0x0B,
                                    0x00, 0x18}));
    EXPECT_EQ(Decoded(written.bytes)->GetHeight(), 65546u);

    // White rows waiting before the long run still come first.
    const Written afterWhite = WriteExt(Concat({{0x00}, Bytes(65536, 0x18)}), 8, 65537);
    EXPECT_EQ(afterWhite.bytes, (Bytes{0x15, 0x01, 0x1B, 0x2E, 0x00, 0x01, 0xFF, 0xFF, 0x18, 0x1B, 0x2E, 0x00,
                                       0x01, 0x01, 0x00, 0x18}));
}

TEST(RasterGfxExtWriting, WhiteAllOverHoldsNoLineAndReadsAsNotExtendedRaster)
{
    const Written written = WriteExt(Bytes(6, 0x00), 16, 3);
    EXPECT_EQ(written.result, PR_OK);
    EXPECT_EQ(written.bytes, (Bytes{0x15, 0x03}));

    CRasterGfxExtPicture picture("");
    picture.SetFileImage(written.bytes);
    std::string message;
    EXPECT_EQ(picture.Parse(message), PR_WRONG_FORMAT);
    EXPECT_EQ(message, kNotExtended);
}

TEST(RasterGfxExtWriting, RowsMissingFromAShortDotBufferAreWhite)
{
    const Written written = WriteExt(Bytes{0x80, 0x80}, 8, 1000);
    EXPECT_EQ(written.result, PR_OK);
    EXPECT_EQ(written.bytes, (Bytes{0x1B, 0x2E, 0x00, 0x01, 0x02, 0x00, 0x80, 0x15, 0xFF, 0x15, 0xFF, 0x15,
                                    0xFF, 0x15, 0xE9}));
}

// ---- Size rules ----

TEST(RasterGfxExtSizeRules, WidthIsRaisedToWholeBytesAndHeightKept)
{
    const Written adjusted = WriteRows(10, {{0xFF, 0xC0}, {0x00, 0x40}});
    EXPECT_EQ(adjusted.result, PR_ADJUSTED);
    EXPECT_EQ(adjusted.message, kWidthAdjusted);
    EXPECT_EQ(adjusted.width, 16u);
    EXPECT_EQ(adjusted.height, 2u);

    const Written exact = WriteRows(16, {{0xFF, 0xC0}, {0x00, 0x40}});
    EXPECT_EQ(exact.result, PR_OK);
    EXPECT_EQ(exact.message, "");
    EXPECT_EQ(exact.width, 16u);
}

TEST(RasterGfxExtSizeRules, WhiteRightColumnsAreNotWritten)
{
    const Written written = WriteRows(24, {{0x01, 0x80, 0x00}, {0x00, 0x01, 0x00}});
    const auto picture = Decoded(written.bytes);
    EXPECT_EQ(picture->GetWidth(), 16u);
    EXPECT_EQ(BitsOf(*picture), (Bytes{0x01, 0x80, 0x00, 0x01}));
}

TEST(RasterGfxExtSizeRules, WidthBeyond255BytesIsRefused)
{
    Bytes widest(255, 0x00);
    widest.back() = 0x01;
    const Written fits = WriteExt(widest, 2040, 1);
    EXPECT_EQ(fits.result, PR_OK);
    EXPECT_EQ(fits.bytes, (Bytes{0x1B, 0x2E, 0xFE, 0x01, 0x01, 0x00, 0x01}));

    const Written wider = WriteExt(Bytes(256, 0xFF), 2041, 1);
    EXPECT_EQ(wider.result, PR_INVALID);
    EXPECT_EQ(wider.message, "Error - Picture too wide for RASTER GFX EXT format (at most 2040 dots)");
    EXPECT_TRUE(wider.bytes.empty());
}

// ---- Round trips ----

TEST(RasterGfxExtRoundTrip, WrittenPicturesReadBackWithTheSameDots)
{
    std::mt19937 random(5);
    for (std::uint32_t rowBytes : {1u, 2u, 5u, 17u}) {
        for (std::uint32_t height : {1u, 2u, 40u, 700u}) {
            // Runs of equal rows, white rows and rows with white margins.
            Bytes bits;
            while (bits.size() < std::size_t{rowBytes} * height) {
                Bytes row(rowBytes, 0x00);
                if (random() % 3 != 0) {
                    const std::uint32_t first = random() % rowBytes;
                    const std::uint32_t last = first + random() % (rowBytes - first);
                    for (std::uint32_t i = first; i <= last; ++i)
                        row[i] = static_cast<std::uint8_t>(random());
                    row[first] |= 0x01;
                }
                const std::size_t run = 1 + random() % 300;
                for (std::size_t i = 0; i < run; ++i)
                    bits.insert(bits.end(), row.begin(), row.end());
            }
            bits.resize(std::size_t{rowBytes} * height);

            const Written written = WriteExt(bits, 8 * rowBytes, height);
            ASSERT_EQ(written.result, PR_OK);
            CRasterGfxExtPicture picture("");
            picture.SetFileImage(written.bytes);
            std::string message;
            if (picture.Parse(message) == PR_WRONG_FORMAT) {
                EXPECT_EQ(bits, Bytes(bits.size(), 0x00));
                continue;
            }
            ASSERT_TRUE(picture.Decode(message));
            ASSERT_EQ(picture.GetHeight(), height);
            const std::size_t decodedBytes = CPicture::BytesPerRow(picture.GetWidth());
            ASSERT_LE(decodedBytes, rowBytes);
            for (std::uint32_t y = 0; y < height; ++y)
                for (std::uint32_t i = 0; i < rowBytes; ++i)
                    ASSERT_EQ(i < decodedBytes ? picture.GetBits()[y * decodedBytes + i] : 0, bits[y * rowBytes + i])
                        << rowBytes << " bytes by " << height << " at row " << y << " byte " << i;
        }
    }
}
