#include "picture_factory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A monochrome bitmap, bottom row first, palette white then black.
Bytes Bitmap(std::uint32_t width, std::uint32_t height, const Bytes& pixelRows, std::uint8_t bitsPerPixel = 1)
{
    Bytes file = {'B', 'M'};
    const auto le32 = [&file](std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8)
            file.push_back(static_cast<std::uint8_t>(value >> shift));
    };
    const auto le16 = [&file](std::uint16_t value) {
        file.push_back(static_cast<std::uint8_t>(value));
        file.push_back(static_cast<std::uint8_t>(value >> 8));
    };
    le32(62 + static_cast<std::uint32_t>(pixelRows.size()));
    le32(0);
    le32(62);
    le32(40);
    le32(width);
    le32(height);
    le16(1);
    le16(bitsPerPixel);
    le32(0);
    le32(static_cast<std::uint32_t>(pixelRows.size()));
    le32(8000);
    le32(8000);
    le32(2);
    le32(2);
    file.insert(file.end(), {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00});
    file.insert(file.end(), pixelRows.begin(), pixelRows.end());
    return file;
}

// 65535 dots wide (8192 bytes a row) and 1400 line feeds of 24 rows: more
// than 256 MiB of dots from a file of less than 2 KB.
Bytes EpsonClaimingOver256MiB()
{
    Bytes stream = {0x1B, 0x2A, 0x00, 0x00, 0x00, 0x1B, 0x24, 0xFF, 0xFF};
    stream.insert(stream.end(), 1400, 0x0A);
    return stream;
}

class PictureProbe : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vellumio-probe-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Store(const Bytes& bytes)
    {
        const std::string path = (m_dir / ("file-" + std::to_string(m_files++))).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    fs::path m_dir;
    int m_files = 0;
};

// Each file would also be accepted by every format probed after the one that
// must win, so only the order decides.
TEST_F(PictureProbe, TheFirstFormatInProbingOrderThatKnowsTheFileWins)
{
    const struct {
        const char* what;
        Bytes bytes;
        PictureType type;
        std::uint32_t width, height;
    } cases[] = {
        {"raster rows that also hold LOGO, EPSON and EXT commands",
         {0x11, 0x1D, 0x2A, 0x00, 0x00, 0x1B, 0x2A, 0x21, 0x00, 0x00, 0x1B, 0x2E,  //
          0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
         PT_RASTER_GFX, 88, 2},
        {"a bitmap whose dots spell LOGO and EPSON commands",
         Bitmap(64, 1, {0x1D, 0x2A, 0x00, 0x00, 0x1B, 0x2A, 0x01, 0x00}), PT_BITMAP, 64, 1},
        {"a logo after an EPSON band", {0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x0A, 0x1D, 0x2A, 0x00, 0x00},
         PT_LOGO, 0, 0},
        {"an EPSON band before an EXT line",
         {0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x0A, 0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0xFF},
         PT_EPSON_GFX, 1, 24},
        {"an EXT line alone", {0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0xFF}, PT_RASTER_GFX_EXT, 8, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = Store(c.bytes);
        const OpenedPicture opened = OpenPictureFile(path);
        ASSERT_NE(opened.picture, nullptr) << opened.message;
        EXPECT_EQ(opened.message, "");
        EXPECT_EQ(opened.picture->GetType(), c.type);
        EXPECT_EQ(opened.picture->GetWidth(), c.width);
        EXPECT_EQ(opened.picture->GetHeight(), c.height);
        // Opened means decoded: the dots are there, the file and its image are gone.
        EXPECT_EQ(opened.picture->GetBits().size(), DotBufferBytes(c.width, c.height));
        EXPECT_FALSE(opened.picture->IsFileOpen());
        EXPECT_FALSE(opened.picture->HasFileImage());
        EXPECT_EQ(opened.picture->GetSize(), c.bytes.size());
        EXPECT_EQ(opened.picture->GetFileName(), path);
    }
}

TEST_F(PictureProbe, AFormatThatKnowsButRefusesTheFileEndsTheProbing)
{
    const struct {
        const char* what;
        Bytes bytes;
        std::string message;
    } cases[] = {
        {"a single raster row before a logo", {0x11, 0x1D, 0x2A, 0x00, 0x00},
         "Error - File Format is not Raster Graphics (11)"},
        {"a 4-bit bitmap holding a logo", Bitmap(8, 1, {0x1D, 0x2A, 0x00, 0x00}, 4),
         "Error - Bmp File is not monochrome"},
        {"a short logo holding an EPSON band",
         {0x1D, 0x2A, 0x02, 0x01, 0x1B, 0x2A, 0x21, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x0A},
         "Error - File Format is not valid Logo"},
        {"an EPSON stream claiming more dots than may be held", EpsonClaimingOver256MiB(),
         "Error - Memory Allocation"},
        {"a bitmap header claiming more dots than may be held", Bitmap(100000, 100000, {}),
         "Error - Memory Allocation"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const OpenedPicture opened = OpenPictureFile(Store(c.bytes));
        EXPECT_EQ(opened.picture, nullptr);
        EXPECT_EQ(opened.message, c.message);
    }
}

TEST_F(PictureProbe, AFileNoFormatKnowsIsNotSupported)
{
    for (const Bytes& bytes : {Bytes{}, Bytes{'h', 'e', 'l', 'l', 'o'}, Bytes{'B', 'A', 0, 0}, Bytes(300, 0x1B)}) {
        const OpenedPicture opened = OpenPictureFile(Store(bytes));
        EXPECT_EQ(opened.picture, nullptr);
        EXPECT_EQ(opened.message, "Picture type not supported.");
    }
}

TEST_F(PictureProbe, AFileThatCannotBeOpenedIsNamed)
{
    const std::string missing = (m_dir / "missing.gfx").string();
    const OpenedPicture opened = OpenPictureFile(missing);
    EXPECT_EQ(opened.picture, nullptr);
    EXPECT_EQ(opened.message, "Error - File Open : " + missing);
}

// Bytes handed in must behave exactly as the same bytes read from a file, for
// every format and whatever the outcome.
TEST_F(PictureProbe, FileImagesActLikeFiles)
{
    const Bytes samples[] = {
        {0x11, 0xAA, 0x11, 0xBB},
        {0x11, 0xAA, 0xBB},
        Bitmap(12, 2, {0xF0, 0x30, 0, 0, 0x0F, 0xFF, 0, 0}),
        Bitmap(8, 1, {0}, 4),
        {0x1B, 0x40, 0x00, 0x1D, 0x2A, 0x02, 0x01, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
        {0x1D, 0x2A, 0x02, 0x01, 0xFF},
        {0x1B, 0x2A, 0x00, 0x02, 0x00, 0x80, 0x80, 0x0A},
        {0x1B, 0x2E, 0x01, 0x01, 0x02, 0x00, 0xF0, 0x15, 0x01},
        {'n', 'o', 'n', 'e'},
    };
    for (const Bytes& sample : samples) {
        const std::string path = Store(sample);
        for (std::uint32_t type = 0; type < kPictureTypeCount; ++type) {
            SCOPED_TRACE(::testing::PrintToString(sample) + " as " + std::string(PictureTypeName(type)));
            const auto fromFile = CreatePicture(type, path);
            const auto fromBytes = CreatePicture(type, "");
            std::string fileMessage;
            std::string bytesMessage;
            ASSERT_EQ(fromFile->OpenFile(FileAccess::Read, FileDisposition::OpenExisting, fileMessage), PR_OK);
            EXPECT_EQ(fromBytes->SetFileImage(sample), sample.size());

            const PictureResult fileParsed = fromFile->Parse(fileMessage);
            EXPECT_EQ(fromBytes->Parse(bytesMessage), fileParsed);
            EXPECT_EQ(bytesMessage, fileMessage);
            EXPECT_EQ(fromBytes->GetWidth(), fromFile->GetWidth());
            EXPECT_EQ(fromBytes->GetHeight(), fromFile->GetHeight());
            EXPECT_EQ(fromBytes->GetHeaderOffset(), fromFile->GetHeaderOffset());
            EXPECT_EQ(fromBytes->GetSize(), fromFile->GetSize());
            if (fileParsed != PR_OK)
                continue;
            ASSERT_TRUE(fromFile->Decode(fileMessage)) << fileMessage;
            ASSERT_TRUE(fromBytes->Decode(bytesMessage)) << bytesMessage;
            EXPECT_TRUE(std::ranges::equal(fromBytes->GetBits(), fromFile->GetBits()));
        }
    }
}

TEST(PictureProbeParse, WithoutAFileImageEveryFormatAnswersNoImage)
{
    for (std::uint32_t type = 0; type < kPictureTypeCount; ++type) {
        const auto picture = CreatePicture(type, "");
        std::string message;
        EXPECT_EQ(picture->Parse(message), PR_NO_IMAGE) << PictureTypeName(type);
    }
}

}  // namespace
