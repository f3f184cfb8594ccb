#include "raster_gfx_picture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

class RasterGfxWriting : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                ("vellumio-raster-" + std::string(test->name()) + "-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    struct Saved {
        PictureResult result;
        std::uint32_t width;
        std::string message;
        Bytes file;
    };

    Saved Save(std::uint32_t width, std::uint32_t height, const Bytes& bits)
    {
        const std::string path = PathOf("out.gfx");
        fs::remove(path);
        CRasterGfxPicture picture(path);
        Saved saved{};
        saved.result = picture.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, saved.message);
        if (saved.result != PR_OK)
            return saved;
        picture.SetBits(bits);
        saved.result = picture.Write(width, height, saved.message);
        saved.width = width;
        std::ifstream in(path, std::ios::binary);
        saved.file = Bytes(std::istreambuf_iterator<char>(in), {});
        return saved;
    }

    fs::path m_dir;
};

struct Parsed {
    PictureResult result;
    std::string message;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    Bytes bits;
};

Parsed ParseAndDecode(const Bytes& bytes)
{
    CRasterGfxPicture picture("");
    Parsed parsed{};
    picture.SetFileImage(bytes);
    parsed.result = picture.Parse(parsed.message);
    if (parsed.result != PR_OK)
        return parsed;
    EXPECT_EQ(picture.Parse(parsed.message), PR_OK);
    EXPECT_TRUE(picture.Decode(parsed.message));
    parsed.width = picture.GetWidth();
    parsed.height = picture.GetHeight();
    parsed.bits.assign(picture.GetBits().begin(), picture.GetBits().end());
    return parsed;
}

TEST(RasterGfxRecognition, RefusesWhatIsNotRasterGraphics)
{
    CRasterGfxPicture picture("");
    std::string message;
    EXPECT_EQ(picture.Parse(message), PR_NO_IMAGE);
    EXPECT_EQ(picture.GetType(), PT_RASTER_GFX);

    for (const Bytes& bytes : {Bytes{}, Bytes{0x12, 0x11, 0x00, 0x11}, Bytes{'B', 'M'}}) {
        const Parsed parsed = ParseAndDecode(bytes);
        EXPECT_EQ(parsed.result, PR_WRONG_FORMAT);
        EXPECT_EQ(parsed.message, "Error - File Format is not Raster Graphics (11)");
    }
}

TEST(RasterGfxRecognition, RefusesFilesWithoutARowLength)
{
    // A single row: no second 0x11 at a row boundary.
    for (const Bytes& bytes : {Bytes{0x11}, Bytes{0x11, 0xAA, 0xBB}, Bytes{0x11, 0xAA, 0x11}}) {
        const Parsed parsed = ParseAndDecode(bytes);
        EXPECT_EQ(parsed.result, PR_INVALID);
        EXPECT_EQ(parsed.message, "Error - File Format is not Raster Graphics (11)");
    }

    // 200 bytes whose second 0x11 stands at 130, past the longest row.
    Bytes far(200, 0);
    far[0] = 0x11;
    far[130] = 0x11;
    EXPECT_EQ(ParseAndDecode(far).result, PR_INVALID);

    // 128 is still considered: two rows of 128 bytes.
    Bytes longest(256, 0);
    longest[0] = 0x11;
    longest[128] = 0x11;
    const Parsed parsed = ParseAndDecode(longest);
    EXPECT_EQ(parsed.result, PR_OK);
    EXPECT_EQ(parsed.width, 127u * 8);
    EXPECT_EQ(parsed.height, 2u);
}

TEST(RasterGfxRecognition, RowLengthIsTheFirstDividingCommand)
{
    // A data byte 0x11 at 2 divides 6 bytes and is taken as the row length.
    Parsed parsed = ParseAndDecode({0x11, 0xAA, 0x11, 0xBB, 0xCC, 0xDD});
    EXPECT_EQ(parsed.result, PR_OK);
    EXPECT_EQ(parsed.width, 8u);
    EXPECT_EQ(parsed.height, 3u);
    EXPECT_EQ(parsed.bits, (Bytes{0xAA, 0xBB, 0xDD}));

    // At 2 it does not divide 9 bytes; the search goes on to 3.
    parsed = ParseAndDecode({0x11, 0xAA, 0x11, 0x11, 0xCC, 0xDD, 0x11, 0xEE, 0xFF});
    EXPECT_EQ(parsed.result, PR_OK);
    EXPECT_EQ(parsed.width, 16u);
    EXPECT_EQ(parsed.bits, (Bytes{0xAA, 0x11, 0xCC, 0xDD, 0xEE, 0xFF}));

    // 11 11 ...: rows of length 1, no dots, as many rows as bytes.
    parsed = ParseAndDecode({0x11, 0x11, 0x42, 0x99, 0x00});
    EXPECT_EQ(parsed.result, PR_OK);
    EXPECT_EQ(parsed.width, 0u);
    EXPECT_EQ(parsed.height, 5u);
    EXPECT_TRUE(parsed.bits.empty());
}

TEST(RasterGfxDecoding, DecodesTheDescribedExamples)
{
    Parsed parsed = ParseAndDecode({0x11, 0xAA, 0x11, 0xBB});
    EXPECT_EQ(parsed.width, 8u);
    EXPECT_EQ(parsed.height, 2u);
    EXPECT_EQ(parsed.bits, (Bytes{0xAA, 0xBB}));

    // The first byte of later rows is not examined.
    parsed = ParseAndDecode({0x11, 0xAA, 0xBB, 0x11, 0xCC, 0xDD, 0x00, 0xEE, 0xFF});
    EXPECT_EQ(parsed.result, PR_OK);
    EXPECT_EQ(parsed.width, 16u);
    EXPECT_EQ(parsed.height, 3u);
    EXPECT_EQ(parsed.bits, (Bytes{0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}));
}

TEST_F(RasterGfxWriting, RoundsTheWidthUpToWholeBytes)
{
    // Bits beyond width 10 go out as they stand.
    Saved saved = Save(10, 2, {0xB0, 0xB1, 0xB2, 0xB3});
    EXPECT_EQ(saved.result, PR_ADJUSTED);
    EXPECT_EQ(saved.message, "Picture Width has been adjusted to be compatible with selected output format");
    EXPECT_EQ(saved.width, 16u);
    EXPECT_EQ(saved.file, (Bytes{0x11, 0xB0, 0xB1, 0x11, 0xB2, 0xB3}));

    saved = Save(16, 2, {0xB0, 0xB1, 0xB2, 0xB3});
    EXPECT_EQ(saved.result, PR_OK);
    EXPECT_EQ(saved.message, "");
    EXPECT_EQ(saved.width, 16u);
    EXPECT_EQ(saved.file, (Bytes{0x11, 0xB0, 0xB1, 0x11, 0xB2, 0xB3}));

    // Rows missing from a short dot buffer are white.
    saved = Save(8, 3, {0x7E});
    EXPECT_EQ(saved.result, PR_OK);
    EXPECT_EQ(saved.file, (Bytes{0x11, 0x7E, 0x11, 0x00, 0x11, 0x00}));
}

TEST_F(RasterGfxWriting, RefusesWhatNoBufferCanHold)
{
    Saved saved = Save(100000, 100000, {});
    EXPECT_EQ(saved.result, PR_NO_MEMORY);
    EXPECT_EQ(saved.message, "Error - Memory Allocation");
    saved = Save(0xFFFFFFFF, 0, {});
    EXPECT_EQ(saved.result, PR_NO_MEMORY);
    EXPECT_TRUE(fs::is_empty(m_dir));
}

TEST_F(RasterGfxWriting, WrittenFilesReadBack)
{
    for (std::uint32_t width : {8u, 16u, 1000u, 1016u}) {
        const std::uint32_t height = 7;
        Bytes bits(width / 8 * height);
        // No 0x11 among the dots: one in the first row could stand where a
        // row boundary is looked for.
        for (std::size_t i = 0; i < bits.size(); ++i) {
            const auto dots = static_cast<std::uint8_t>(i * 13 + width);
            bits[i] = dots == 0x11 ? 0x10 : dots;
        }
        const Saved saved = Save(width, height, bits);
        ASSERT_EQ(saved.result, PR_OK);

        CRasterGfxPicture picture(PathOf("out.gfx"));
        std::string message;
        ASSERT_EQ(picture.OpenFile(FileAccess::Read, FileDisposition::OpenExisting, message), PR_OK);
        ASSERT_EQ(picture.Parse(message), PR_OK) << width;
        ASSERT_TRUE(picture.Decode(message));
        EXPECT_EQ(picture.GetSize(), (width / 8 + 1) * height);
        EXPECT_EQ(picture.GetWidth(), width);
        EXPECT_EQ(picture.GetHeight(), height);
        EXPECT_EQ(Bytes(picture.GetBits().begin(), picture.GetBits().end()), bits) << width;
    }
}

}  // namespace
