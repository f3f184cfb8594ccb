#include "bmp_picture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A folder of its own per test, removed with everything in it afterwards.
class BmpWriting : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                ("vellumio-bmp-" + std::string(test->name()) + "-" + std::to_string(::getpid()));
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

void WriteWholeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Le16At(Bytes& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Le32At(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A bitmap put together field by field, independently of the writer.
struct BmpFile {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bitsPerPixel = 1;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;
    std::uint32_t palette0 = 0x00FFFFFF;
    std::uint32_t palette1 = 0x00000000;
    Bytes storedRows;  // bottom row first, each padded to 4 bytes

    Bytes Build() const
    {
        const std::size_t paletteAt = 14 + headerSize;
        const std::size_t rowsAt = paletteAt + 8;
        Bytes bytes(rowsAt, 0);
        bytes[0] = 'B';
        bytes[1] = 'M';
        Le32At(bytes, 2, static_cast<std::uint32_t>(rowsAt + storedRows.size()));
        Le32At(bytes, 10, static_cast<std::uint32_t>(rowsAt));
        Le32At(bytes, 14, headerSize);
        Le32At(bytes, 18, width);
        Le32At(bytes, 22, height);
        Le16At(bytes, 26, 1);
        Le16At(bytes, 28, bitsPerPixel);
        Le32At(bytes, 30, compression);
        Le32At(bytes, 34, static_cast<std::uint32_t>(storedRows.size()));
        Le32At(bytes, paletteAt, palette0);
        Le32At(bytes, paletteAt + 4, palette1);
        bytes.insert(bytes.end(), storedRows.begin(), storedRows.end());
        return bytes;
    }
};

PictureResult ParseBytes(CBmpPicture& picture, const Bytes& bytes, std::string& message)
{
    picture.SetFileImage(bytes);
    return picture.Parse(message);
}

// Parse and Decode of in-memory bytes; the dots, or nothing when refused.
std::optional<Bytes> DecodeBytes(const Bytes& bytes, std::uint32_t* width = nullptr, std::uint32_t* height = nullptr)
{
    CBmpPicture picture("");
    std::string message;
    if (ParseBytes(picture, bytes, message) != PR_OK || !picture.Decode(message))
        return std::nullopt;
    if (width)
        *width = picture.GetWidth();
    if (height)
        *height = picture.GetHeight();
    return Bytes(picture.GetBits().begin(), picture.GetBits().end());
}

PictureResult SaveBmp(const std::string& path, std::uint32_t width, std::uint32_t height, const Bytes& bits,
                      std::string& message)
{
    CBmpPicture picture(path);
    const PictureResult opened = picture.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message);
    if (opened != PR_OK)
        return opened;
    picture.SetBits(bits);
    return picture.Write(width, height, message);
}

Bytes Pattern(std::size_t count, std::uint8_t seed)
{
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 37 + seed * 101 + 11);
    return bytes;
}

TEST(BmpRecognition, RefusesWhatIsNotABitmap)
{
    CBmpPicture picture("");
    std::string message;
    EXPECT_EQ(picture.Parse(message), PR_NO_IMAGE);

    BmpFile file{.width = 8, .height = 1, .storedRows = {0, 0, 0, 0}};
    Bytes bytes = file.Build();
    bytes[1] = 'A';
    EXPECT_EQ(ParseBytes(picture, bytes, message), PR_WRONG_FORMAT);
    EXPECT_EQ(message, "Error - File Format is not BMP");

    for (const Bytes& tooShort : {Bytes{}, Bytes{'B'}}) {
        message.clear();
        EXPECT_EQ(ParseBytes(picture, tooShort, message), PR_WRONG_FORMAT);
        EXPECT_EQ(message, "Error - File Format is not BMP");
    }
}

TEST(BmpRecognition, RefusesBitmapsItCannotUse)
{
    std::string message;
    CBmpPicture picture("");

    BmpFile fourBit{.width = 8, .height = 1, .bitsPerPixel = 4, .storedRows = Bytes(4)};
    EXPECT_EQ(ParseBytes(picture, fourBit.Build(), message), PR_INVALID);
    EXPECT_EQ(message, "Error - Bmp File is not monochrome");

    BmpFile runLength{.width = 8, .height = 1, .compression = 1, .storedRows = Bytes(4)};
    EXPECT_EQ(ParseBytes(picture, runLength.Build(), message), PR_INVALID);
    EXPECT_EQ(message, "Error - Bmp File Compression not supported");

    BmpFile topDown{.width = 8, .height = static_cast<std::uint32_t>(-2), .storedRows = Bytes(8)};
    EXPECT_EQ(ParseBytes(picture, topDown.Build(), message), PR_INVALID);
    EXPECT_EQ(message, "Error - Bmp File is stored top-down, not supported");
}

TEST(BmpRecognition, RefusesTruncatedFilesWithoutReadingPastThem)
{
    std::string message;
    CBmpPicture picture("");
    const Bytes whole = BmpFile{.width = 12, .height = 3, .storedRows = Pattern(12, 1)}.Build();

    // Cut inside the header fields Parse examines, and one byte short of the rows.
    for (std::size_t length : {std::size_t{2}, std::size_t{29}, std::size_t{30}, whole.size() - 1}) {
        message.clear();
        EXPECT_EQ(ParseBytes(picture, Bytes(whole.begin(), whole.begin() + length), message), PR_INVALID) << length;
        EXPECT_EQ(message, "Error - Bmp File is truncated") << length;
    }
    EXPECT_EQ(ParseBytes(picture, whole, message), PR_OK);

    // Sizes whose row arithmetic would wrap in 32 bits are too large to hold:
    // Decode refuses them as an allocation failure before allocating.
    Bytes huge = BmpFile{.width = 8, .height = 1, .storedRows = Bytes(4)}.Build();
    for (std::uint32_t width : {0xFFFFFFFFu, 0x80000000u}) {
        Le32At(huge, 18, width);
        Le32At(huge, 22, 0x7FFFFFFF);
        CBmpPicture hugePicture("");
        EXPECT_EQ(ParseBytes(hugePicture, huge, message), PR_OK);
        EXPECT_FALSE(hugePicture.Decode(message));
        EXPECT_EQ(message, "Error - Memory Allocation");
        EXPECT_FALSE(hugePicture.HasBits());
    }
    Le32At(huge, 22, 0xFFFFFFFF);
    EXPECT_EQ(ParseBytes(picture, huge, message), PR_INVALID);
    EXPECT_EQ(message, "Error - Bmp File is stored top-down, not supported");
}

TEST(BmpRecognition, ExaminesOnlyTheLowBytesOfDepthAndCompression)
{
    BmpFile file{.width = 16, .height = 2, .bitsPerPixel = 0x0101, .compression = 0x0100, .storedRows = Pattern(8, 2)};
    CBmpPicture picture("");
    std::string message;
    EXPECT_EQ(ParseBytes(picture, file.Build(), message), PR_OK);
    EXPECT_EQ(picture.Parse(message), PR_OK);
    EXPECT_EQ(picture.GetWidth(), 16u);
    EXPECT_EQ(picture.GetHeight(), 2u);
}

TEST(BmpDecoding, WidthZeroIsAnEmptyPicture)
{
    // The huge height must not cost a loop over rows that hold nothing.
    const Bytes bytes = BmpFile{.width = 0, .height = 0x7FFFFFFF, .storedRows = {}}.Build();
    CBmpPicture picture("");
    std::string message;
    ASSERT_EQ(ParseBytes(picture, bytes, message), PR_OK);
    ASSERT_TRUE(picture.Decode(message));
    EXPECT_EQ(picture.GetWidth(), 0u);
    EXPECT_TRUE(picture.HasBits());
    EXPECT_TRUE(picture.GetBits().empty());
}

TEST(BmpDecoding, BothPaletteOrdersGiveTheSameDots)
{
    // Width 12: picture row 0 is AB C-, row 1 is 12 3-; the low nibble of
    // each last byte and the padding carry noise.
    const Bytes whiteBlack = {0x12, 0x3F, 0x77, 0x77, 0xAB, 0xCF, 0x77, 0x77};
    Bytes blackWhite(whiteBlack);
    for (auto& byte : blackWhite)
        byte = static_cast<std::uint8_t>(~byte);

    const auto usual = DecodeBytes(BmpFile{.width = 12,
                                           .height = 2,
                                           .palette0 = 0x00000000,
                                           .palette1 = 0x00FFFFFF,
                                           .storedRows = blackWhite}
                                       .Build());
    const auto written = DecodeBytes(BmpFile{.width = 12, .height = 2, .storedRows = whiteBlack}.Build());
    const Bytes expected = {0xAB, 0xC0, 0x12, 0x30};
    EXPECT_EQ(usual, expected);
    EXPECT_EQ(written, expected);

    // Equal entries: taken as they stand.
    const auto equal = DecodeBytes(BmpFile{.width = 12,
                                           .height = 2,
                                           .palette0 = 0x00808080,
                                           .palette1 = 0x00808080,
                                           .storedRows = whiteBlack}
                                       .Build());
    EXPECT_EQ(equal, expected);
}

TEST(BmpDecoding, StoredRowLengthsFollowTheWidth)
{
    // Width 32: 4-byte rows with no padding; width 33: 8-byte rows.
    const Bytes rows32 = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(DecodeBytes(BmpFile{.width = 32, .height = 2, .storedRows = rows32}.Build()),
              (Bytes{5, 6, 7, 8, 1, 2, 3, 4}));

    const Bytes rows33 = {1, 2, 3, 4, 0xFF, 9, 9, 9, 5, 6, 7, 8, 0x80, 9, 9, 9};
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    EXPECT_EQ(DecodeBytes(BmpFile{.width = 33, .height = 2, .storedRows = rows33}.Build(), &width, &height),
              (Bytes{5, 6, 7, 8, 0x80, 1, 2, 3, 4, 0x80}));
    EXPECT_EQ(width, 33u);
    EXPECT_EQ(height, 2u);
}

TEST(BmpDecoding, ClassicHeaderIgnoresThePixelOffsetField)
{
    Bytes bytes = BmpFile{.width = 8, .height = 1, .storedRows = {0x5A, 0, 0, 0}}.Build();
    Le32At(bytes, 10, 1000);
    EXPECT_EQ(DecodeBytes(bytes), Bytes{0x5A});
}

TEST(BmpDecoding, LongerHeadersReadPaletteAndRowsWhereTheySay)
{
    for (std::uint32_t headerSize : {108u, 124u}) {
        BmpFile file{.width = 10,
                     .height = 2,
                     .headerSize = headerSize,
                     .palette0 = 0x00000000,
                     .palette1 = 0x00FFFFFF,
                     .storedRows = {0x00, 0x3F, 0, 0, 0xBF, 0x7F, 0, 0}};
        Bytes bytes = file.Build();
        // A gap between palette and rows, as the pixel-offset field allows.
        const std::size_t rowsAt = 14 + headerSize + 8;
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(rowsAt), {0xEE, 0xEE});
        Le32At(bytes, 10, static_cast<std::uint32_t>(rowsAt + 2));
        EXPECT_EQ(DecodeBytes(bytes), (Bytes{0x40, 0x80, 0xFF, 0xC0})) << headerSize;

        bytes.resize(bytes.size() - 1);
        CBmpPicture picture("");
        std::string message;
        EXPECT_EQ(ParseBytes(picture, bytes, message), PR_INVALID);
        EXPECT_EQ(message, "Error - Bmp File is truncated");
    }
}

TEST_F(BmpWriting, WritesWidth10Height3ByteForByte)
{
    // Rows top to bottom; the low 6 bits of each second byte lie beyond the
    // width and are written as they stand.
    const Bytes bits = {0xC0, 0x40, 0x81, 0xFF, 0xFF, 0xC3};
    std::string message;
    const std::string path = PathOf("out.bmp");
    CBmpPicture picture(path);
    ASSERT_EQ(picture.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message), PR_OK);
    picture.SetBits(bits);
    std::uint32_t width = 10;
    std::uint32_t height = 3;
    ASSERT_EQ(picture.Write(width, height, message), PR_OK);
    EXPECT_EQ(width, 10u);
    EXPECT_EQ(height, 3u);
    EXPECT_EQ(picture.GetSize(), 74u);
    EXPECT_FALSE(picture.HasFileImage());
    EXPECT_FALSE(picture.IsFileOpen());

    const Bytes expected = {
        'B', 'M', 74, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,                   // file header
        40, 0, 0, 0, 10, 0, 0, 0, 3, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0,    // size, W, H, planes, depth, none
        12, 0, 0, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,  // pixel bytes, 8000 dpm, 2 colours
        0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0,                                   // white, black
        0xFF, 0xC3, 0, 0, 0x81, 0xFF, 0, 0, 0xC0, 0x40, 0, 0,             // bottom row first
    };
    EXPECT_EQ(ReadWholeFile(path), expected);
    EXPECT_EQ(BuildBmpFileImage(10, 3, bits), expected);
}

TEST_F(BmpWriting, MissingDotsAreWhiteAndHugeImagesAreRefused)
{
    const Bytes image = BuildBmpFileImage(16, 2, Bytes{0xAA});
    ASSERT_EQ(image.size(), 62u + 8u);
    EXPECT_EQ(Bytes(image.begin() + 62, image.end()), (Bytes{0, 0, 0, 0, 0xAA, 0, 0, 0}));

    EXPECT_TRUE(BuildBmpFileImage(100000, 100000, {}).empty());
    EXPECT_EQ(BuildBmpFileImage(0, 0x7FFFFFFF, {}).size(), 62u);
}

TEST_F(BmpWriting, FailedSavesLeaveNoFileBehind)
{
    std::string message;
    const std::string unreachable = PathOf("missing-folder/out.bmp");
    CBmpPicture picture(unreachable);
    EXPECT_EQ(picture.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message), PR_OPEN_FAILED);
    EXPECT_EQ(message, "Error - File Open : " + unreachable);
    EXPECT_FALSE(fs::exists(unreachable));

    // A save that fails after the open leaves the old file as it was.
    const std::string existing = PathOf("old.bmp");
    const Bytes old = {1, 2, 3};
    WriteWholeFile(existing, old);
    EXPECT_EQ(SaveBmp(existing, 100000, 100000, {}, message), PR_NO_MEMORY);
    EXPECT_EQ(message, "Error - Memory Allocation");
    EXPECT_EQ(ReadWholeFile(existing), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);

    EXPECT_EQ(SaveBmp(existing, 8, 1, {0x81}, message), PR_OK);
    EXPECT_EQ(ReadWholeFile(existing).size(), 66u);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(BmpWriting, WrittenFilesReadBackWithTheSameDots)
{
    const std::uint32_t height = 5;
    for (std::uint32_t width : {1u, 7u, 8u, 12u, 31u, 32u, 33u, 100u}) {
        const std::size_t rowBytes = CPicture::BytesPerRow(width);
        const Bytes bits = Pattern(rowBytes * height, static_cast<std::uint8_t>(width));
        const std::string path = PathOf("round.bmp");
        std::string message;
        ASSERT_EQ(SaveBmp(path, width, height, bits, message), PR_OK) << width;

        CBmpPicture picture(path);
        ASSERT_EQ(picture.OpenFile(FileAccess::Read, FileDisposition::OpenExisting, message), PR_OK);
        ASSERT_EQ(picture.Parse(message), PR_OK);
        ASSERT_EQ(picture.Parse(message), PR_OK);
        ASSERT_TRUE(picture.Decode(message));
        EXPECT_FALSE(picture.IsFileOpen());
        EXPECT_FALSE(picture.HasFileImage());
        EXPECT_EQ(picture.GetSize(), 62 + 4 * CPicture::DwordsPerRow(width) * height);
        EXPECT_EQ(picture.GetType(), PT_BITMAP);
        EXPECT_EQ(picture.GetWidth(), width);
        EXPECT_EQ(picture.GetHeight(), height);

        // Reading clears the bits beyond the width that writing kept.
        Bytes expected(bits);
        if (width % 8 != 0)
            for (std::size_t y = 0; y < height; ++y)
                expected[y * rowBytes + rowBytes - 1] &= static_cast<std::uint8_t>(0xFF << (8 - width % 8));
        EXPECT_EQ(Bytes(picture.GetBits().begin(), picture.GetBits().end()), expected) << width;
    }
}

}  // namespace
