#include "logo_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

class LogoWriting : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                ("vellumio-logo-" + std::string(test->name()) + "-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
};

Bytes ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct Parsed {
    PictureResult result;
    std::string message;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t headerOffset = 0;
    Bytes bits;
};

Parsed ParseAndDecode(const Bytes& bytes)
{
    CLogoPicture picture("");
    Parsed parsed{};
    picture.SetFileImage(bytes);
    parsed.result = picture.Parse(parsed.message);
    if (parsed.result != PR_OK)
        return parsed;
    EXPECT_EQ(picture.Parse(parsed.message), PR_OK);
    parsed.headerOffset = picture.GetHeaderOffset();
    EXPECT_TRUE(picture.Decode(parsed.message));
    parsed.width = picture.GetWidth();
    parsed.height = picture.GetHeight();
    parsed.bits.assign(picture.GetBits().begin(), picture.GetBits().end());
    return parsed;
}

Bytes LogoFile(std::size_t leading, std::uint8_t x, std::uint8_t y, std::size_t dataBytes)
{
    Bytes bytes(leading, 0);
    bytes.insert(bytes.end(), {0x1D, 0x2A, x, y});
    bytes.resize(bytes.size() + dataBytes, 0);
    return bytes;
}

TEST(LogoRecognition, FindsTheCommandWithinTheFirst128Bytes)
{
    CLogoPicture picture("");
    std::string message;
    EXPECT_EQ(picture.Parse(message), PR_NO_IMAGE);
    EXPECT_EQ(picture.GetType(), PT_LOGO);

    Parsed parsed = ParseAndDecode(LogoFile(128, 1, 1, 8));
    EXPECT_EQ(parsed.result, PR_WRONG_FORMAT);
    EXPECT_EQ(parsed.message, "Error - File Format is not Logo (1D 2A)");
    EXPECT_EQ(ParseAndDecode({}).result, PR_WRONG_FORMAT);
    EXPECT_EQ(ParseAndDecode({0x1D}).result, PR_WRONG_FORMAT);

    parsed = ParseAndDecode(LogoFile(127, 1, 1, 8));
    EXPECT_EQ(parsed.result, PR_OK);
    EXPECT_EQ(parsed.headerOffset, 127u);
}

TEST(LogoRecognition, RefusesFilesShorterThanTheirDots)
{
    for (const Bytes& bytes : {LogoFile(0, 2, 1, 15), Bytes{0x1D, 0x2A}, Bytes{0x1D, 0x2A, 0x02}}) {
        const Parsed parsed = ParseAndDecode(bytes);
        EXPECT_EQ(parsed.result, PR_INVALID);
        EXPECT_EQ(parsed.message, "Error - File Format is not valid Logo");
    }

    // Bytes after the dots are ignored.
    Bytes longer = LogoFile(0, 2, 1, 20);
    std::fill(longer.end() - 4, longer.end(), 0xFF);
    const Parsed parsed = ParseAndDecode(longer);
    EXPECT_EQ(parsed.result, PR_OK);
    EXPECT_EQ(parsed.bits, Bytes(16, 0));
}

TEST(LogoRecognition, ZeroSizesAreAnEmptyPicture)
{
    for (const Bytes& bytes : {LogoFile(0, 0, 5, 0), LogoFile(0, 5, 0, 0)}) {
        const Parsed parsed = ParseAndDecode(bytes);
        EXPECT_EQ(parsed.result, PR_OK);
        EXPECT_EQ(std::uint64_t{parsed.width} * parsed.height, 0u);
        EXPECT_TRUE(parsed.bits.empty());
    }
}

TEST(LogoDecoding, ColumnsBecomeRows)
{
    // 1B 40 00 before the command. Columns 0 to 7 hold one dot on the
    // falling diagonal, columns 8 to 15 one on the rising diagonal.
    Bytes bytes = {0x1B, 0x40, 0x00, 0x1D, 0x2A, 0x02, 0x01};
    for (int x = 0; x < 8; ++x)
        bytes.push_back(static_cast<std::uint8_t>(0x80 >> x));
    for (int x = 0; x < 8; ++x)
        bytes.push_back(static_cast<std::uint8_t>(0x01 << x));

    const Parsed parsed = ParseAndDecode(bytes);
    ASSERT_EQ(parsed.result, PR_OK);
    EXPECT_EQ(parsed.headerOffset, 3u);
    EXPECT_EQ(parsed.width, 16u);
    EXPECT_EQ(parsed.height, 8u);
    Bytes expected;
    for (int y = 0; y < 8; ++y) {
        expected.push_back(static_cast<std::uint8_t>(0x80 >> y));
        expected.push_back(static_cast<std::uint8_t>(0x01 << y));
    }
    EXPECT_EQ(parsed.bits, expected);
}

TEST_F(LogoWriting, RoundsBothSizesAndWhitensTheMargin)
{
    // 24 black rows, as an output picture carries them, with dots beyond
    // width 10 too: only the requested 10 by 20 dots are taken.
    const std::string path = PathOf("out.log");
    CLogoPicture picture(path);
    std::string message;
    ASSERT_EQ(picture.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message), PR_OK);
    picture.SetBits(Bytes(2 * 24, 0xFF));
    std::uint32_t width = 10;
    std::uint32_t height = 20;
    EXPECT_EQ(picture.Write(width, height, message), PR_ADJUSTED);
    EXPECT_EQ(message, "Picture Width & Height have been adjusted to be compatible with selected output format");
    EXPECT_EQ(width, 16u);
    EXPECT_EQ(height, 24u);
    EXPECT_EQ(picture.GetSize(), 52u);

    Bytes expected = {0x1D, 0x2A, 0x02, 0x03};
    for (int x = 0; x < 16; ++x) {
        const Bytes column = x < 10 ? Bytes{0xFF, 0xFF, 0xF0} : Bytes{0, 0, 0};
        expected.insert(expected.end(), column.begin(), column.end());
    }
    EXPECT_EQ(ReadWholeFile(path), expected);

    CLogoPicture exact(path);
    message.clear();
    ASSERT_EQ(exact.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message), PR_OK);
    exact.SetBits(Bytes(2 * 24, 0xFF));
    EXPECT_EQ(exact.Write(width, height, message), PR_OK);
    EXPECT_EQ(message, "");
    Bytes allBlack = {0x1D, 0x2A, 0x02, 0x03};
    allBlack.resize(52, 0xFF);
    EXPECT_EQ(ReadWholeFile(path), allBlack);
}

TEST_F(LogoWriting, BuildFileImageGivesTheBytesWriteWrites)
{
    Bytes bits(3 * 13);
    for (std::size_t i = 0; i < bits.size(); ++i)
        bits[i] = static_cast<std::uint8_t>(i * 29 + 7);
    const std::string path = PathOf("same.log");
    std::string message;

    CLogoPicture writer(path);
    ASSERT_EQ(writer.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message), PR_OK);
    writer.SetBits(bits);
    std::uint32_t width = 21;
    std::uint32_t height = 13;
    ASSERT_EQ(writer.Write(width, height, message), PR_ADJUSTED);

    CLogoPicture builder("");
    builder.SetBits(bits);
    std::uint32_t builtWidth = 21;
    std::uint32_t builtHeight = 13;
    Bytes data;
    std::uint32_t count = 0;
    std::string builtMessage;
    EXPECT_EQ(builder.BuildFileImage(builtWidth, builtHeight, builtMessage, data, count), PR_ADJUSTED);
    EXPECT_EQ(builtMessage, message);
    EXPECT_EQ(builtWidth, 24u);
    EXPECT_EQ(builtHeight, 16u);
    EXPECT_EQ(count, data.size());
    EXPECT_EQ(data, ReadWholeFile(path));
    EXPECT_TRUE(builder.HasFileImage());
}

TEST_F(LogoWriting, RefusesSizesTheHeaderCannotHold)
{
    const std::string tooLarge = "Error - Picture too large for LOGO format (at most 2040 x 2040 dots)";
    for (auto [requestedWidth, requestedHeight] : {std::pair{2041u, 8u}, std::pair{8u, 2041u}}) {
        CLogoPicture picture("");
        std::uint32_t width = requestedWidth;
        std::uint32_t height = requestedHeight;
        std::string message;
        Bytes data;
        std::uint32_t count = 0;
        EXPECT_EQ(picture.BuildFileImage(width, height, message, data, count), PR_INVALID);
        EXPECT_EQ(message, tooLarge);
        EXPECT_TRUE(data.empty());
        EXPECT_EQ(width, requestedWidth);
        EXPECT_EQ(picture.Write(width, height, message), PR_INVALID);
        EXPECT_EQ(message, tooLarge);
    }

    CLogoPicture largest("");
    largest.SetBits(Bytes(255 * 2040, 0xFF));
    std::uint32_t width = 2040;
    std::uint32_t height = 2040;
    std::string message;
    Bytes data;
    std::uint32_t count = 0;
    ASSERT_EQ(largest.BuildFileImage(width, height, message, data, count), PR_OK);
    EXPECT_EQ(count, 4u + 255u * 2040u);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 4), (Bytes{0x1D, 0x2A, 0xFF, 0xFF}));
    EXPECT_EQ(std::count(data.begin() + 4, data.end(), 0xFF), 255 * 2040);
}

TEST_F(LogoWriting, WrittenFilesReadBackWithTheSameDots)
{
    for (std::uint32_t size : {8u, 24u, 200u}) {
        Bytes bits(size / 8 * size);
        for (std::size_t i = 0; i < bits.size(); ++i)
            bits[i] = static_cast<std::uint8_t>(i * 53 + size);
        const std::string path = PathOf("round.log");
        std::string message;
        {
            CLogoPicture writer(path);
            ASSERT_EQ(writer.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message), PR_OK);
            writer.SetBits(bits);
            std::uint32_t width = size;
            std::uint32_t height = size;
            ASSERT_EQ(writer.Write(width, height, message), PR_OK);
        }
        CLogoPicture reader(path);
        ASSERT_EQ(reader.OpenFile(FileAccess::Read, FileDisposition::OpenExisting, message), PR_OK);
        ASSERT_EQ(reader.Parse(message), PR_OK);
        ASSERT_EQ(reader.Parse(message), PR_OK);
        ASSERT_TRUE(reader.Decode(message));
        EXPECT_EQ(reader.GetWidth(), size);
        EXPECT_EQ(reader.GetHeight(), size);
        EXPECT_EQ(Bytes(reader.GetBits().begin(), reader.GetBits().end()), bits) << size;
    }
}

}  // namespace
