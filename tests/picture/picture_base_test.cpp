#include "bmp_picture.h"
#include "logo_picture.h"
#include "picture_factory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A folder of its own per test, removed with everything in it afterwards.
class PictureBaseFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vellumio-base-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }
    std::vector<std::string> FolderContents() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path m_dir;
};

TEST(PictureRowArithmetic, BytesAndDwordsPerRowRoundUp)
{
    constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();
    const struct {
        std::uint32_t dots, bytes, dwords;
    } cases[] = {
        {0, 0, 0},    {1, 1, 1},     {8, 1, 1},       {9, 2, 1},           {31, 4, 1},
        {32, 4, 1},   {33, 5, 2},    {1000, 125, 32}, {2040, 255, 64},     {kMax, 536870912, 134217728},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CPicture::BytesPerRow(c.dots), c.bytes) << c.dots;
        EXPECT_EQ(CPicture::DwordsPerRow(c.dots), c.dwords) << c.dots;
    }
}

TEST(PictureTypes, NamesAndClassesFollowTheSortedList)
{
    const char* names[] = {"BITMAP", "EPSON GFX", "LOGO", "RASTER GFX", "RASTER GFX EXT"};
    for (std::uint32_t type = 0; type < kPictureTypeCount; ++type) {
        EXPECT_EQ(PictureTypeName(type), names[type]);
        const auto picture = CreatePicture(type, "name");
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->GetType(), type);
        EXPECT_EQ(picture->GetFileName(), "name");
        EXPECT_EQ(PictureTypeFromText(names[type]), type);
        EXPECT_EQ(PictureTypeFromText(std::to_string(type)), type);
    }
    EXPECT_EQ(PictureTypeName(kPictureTypeCount), "");
    EXPECT_EQ(CreatePicture(kPictureTypeCount, ""), nullptr);

    EXPECT_EQ(PictureTypeFromText("raster-gfx_ext"), PT_RASTER_GFX_EXT);
    EXPECT_EQ(PictureTypeFromText("Epson_Gfx"), PT_EPSON_GFX);
    for (const char* refused : {"", "5", "-1", "03", "RASTER", "BITMAPS", " LOGO"})
        EXPECT_EQ(PictureTypeFromText(refused), std::nullopt) << '"' << refused << '"';
}

// CropFrom builds into whatever object it is called on; a bitmap serves.
struct Crop {
    CBmpPicture picture{""};
    std::string message;
    PictureResult result;

    Crop(std::uint32_t srcWidth, std::uint32_t srcHeight, std::int32_t x, std::int32_t y, std::uint32_t width,
         std::uint32_t height, const Bytes& src)
        : result(picture.CropFrom(srcWidth, srcHeight, x, y, width, height, src, message))
    {
    }
    Bytes Bits() const { return Bytes(picture.GetBits().begin(), picture.GetBits().end()); }
    Bytes FirstBytes(std::size_t count) const
    {
        return Bytes(picture.GetBits().begin(), picture.GetBits().begin() + static_cast<std::ptrdiff_t>(count));
    }
};

TEST(PictureCropFrom, HeightIsPaddedToWholeBandsOf24WhiteRows)
{
    const Crop crop(16, 25, 0, 0, 16, 25, Bytes(2 * 25, 0xFF));
    ASSERT_EQ(crop.result, PR_OK);
    EXPECT_EQ(crop.picture.GetSize(), 48u * 2);
    Bytes expected(48 * 2, 0);
    std::fill_n(expected.begin(), 25 * 2, 0xFF);
    EXPECT_EQ(crop.Bits(), expected);
    EXPECT_EQ(crop.picture.GetWidth(), 16u);
    EXPECT_EQ(crop.picture.GetHeight(), 25u);
}

TEST(PictureCropFrom, ZeroWidthOrHeightGivesAnEmptyBuffer)
{
    for (const auto& [width, height] : {std::pair{16u, 0u}, std::pair{0u, 24u}}) {
        const Crop crop(16, 24, 0, 0, width, height, Bytes(2 * 24, 0xFF));
        EXPECT_EQ(crop.result, PR_OK);
        EXPECT_EQ(crop.picture.GetSize(), 0u);
        EXPECT_TRUE(crop.picture.GetBits().empty());
    }
}

TEST(PictureCropFrom, OwnSizeAndNoOffsetReproducesTheSource)
{
    Bytes source;
    for (int i = 0; i < 2 * 24; ++i)
        source.push_back(static_cast<std::uint8_t>(i * 53 + 7));
    const Crop crop(16, 24, 0, 0, 16, 24, source);
    ASSERT_EQ(crop.result, PR_OK);
    EXPECT_EQ(crop.Bits(), source);
}

TEST(PictureCropFrom, NarrowerOutputKeepsTheSourceDotsBeyondItsWidth)
{
    // Width 12 of a 16-dot source: every bit of the last byte is filled, so
    // columns 12 to 15 carry the source's dots there.
    const Crop crop(16, 1, 0, 0, 12, 1, {0xAB, 0xCD});
    ASSERT_EQ(crop.result, PR_OK);
    Bytes expected(24 * 2, 0);
    expected[0] = 0xAB;
    expected[1] = 0xCD;
    EXPECT_EQ(crop.Bits(), expected);
}

TEST(PictureCropFrom, NegativeOffsetsAddWhiteBeforeThePicture)
{
    const Crop right(16, 2, -3, 0, 16, 2, {0xFF, 0x00, 0x81, 0x81});
    ASSERT_EQ(right.result, PR_OK);
    EXPECT_EQ(right.FirstBytes(4), Bytes({0x1F, 0xE0, 0x10, 0x30}));

    const Crop down(8, 2, 0, -1, 8, 3, {0xAA, 0x55});
    EXPECT_EQ(down.FirstBytes(3), Bytes({0x00, 0xAA, 0x55}));
    EXPECT_EQ(down.picture.GetOffsetX(), 0);
    EXPECT_EQ(down.picture.GetOffsetY(), -1);
}

TEST(PictureCropFrom, PositiveOffsetsCutTheFirstColumnsAndRows)
{
    const Crop crop(16, 3, 4, 1, 8, 2, {0x00, 0x00, 0x12, 0x34, 0xFE, 0xDC});
    ASSERT_EQ(crop.result, PR_OK);
    EXPECT_EQ(crop.FirstBytes(2), Bytes({0x23, 0xED}));
    EXPECT_EQ(crop.picture.GetOffsetX(), 4);
}

TEST(PictureCropFrom, OffsetsAtOrBeyondTheSourceGiveWhite)
{
    const Bytes black(2 * 24, 0xFF);
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    const std::pair<std::int32_t, std::int32_t> offsets[] = {{0, 24}, {16, 0}, {-16, 0}, {0, -24},
                                                             {kMin, kMin}, {kMax, kMax}, {kMax, kMin}};
    for (const auto& [x, y] : offsets) {
        const Crop crop(16, 24, x, y, 16, 24, black);
        ASSERT_EQ(crop.result, PR_OK);
        EXPECT_EQ(crop.Bits(), Bytes(2 * 24, 0)) << x << ", " << y;
    }
}

TEST(PictureCropFrom, OutputSizeFollowsTheRequestNotTheSource)
{
    const Crop crop(200, 50, 0, 0, 100, 30, Bytes(25 * 50, 0xFF));
    ASSERT_EQ(crop.result, PR_OK);
    EXPECT_EQ(crop.picture.GetSize(), 13u * 48);
    // Column 100 onwards of each row's last byte still holds source dots.
    EXPECT_EQ(crop.Bits()[12], 0xFF);
    EXPECT_EQ(crop.Bits()[13 * 30], 0x00);
}

TEST(PictureCropFrom, ASourceShorterThanItsSizeReadsAsWhite)
{
    const Crop crop(16, 4, 0, 0, 16, 4, {0xFF, 0xFF, 0x0F});
    ASSERT_EQ(crop.result, PR_OK);
    EXPECT_EQ(crop.FirstBytes(8), Bytes({0xFF, 0xFF, 0x0F, 0, 0, 0, 0, 0}));
}

TEST(PictureCropFrom, AHugeRequestIsRefusedBeforeAllocating)
{
    constexpr auto kMax = std::numeric_limits<std::uint32_t>::max();
    for (const auto& [width, height] : {std::pair{kMax, kMax}, std::pair{kMax, 24u}, std::pair{50000u, 50000u}}) {
        Crop crop(8, 1, 0, 0, width, height, {0xFF});
        EXPECT_EQ(crop.result, PR_NO_MEMORY);
        EXPECT_EQ(crop.message, "Error - Memory Allocation");
        EXPECT_FALSE(crop.picture.HasBits());
    }
}

TEST(PictureBuffers, SetBitsAndSetFileImageKeepCopies)
{
    CLogoPicture picture("");
    Bytes dots = {1, 2, 3};
    picture.SetBits(dots);
    Bytes image = {0x1D, 0x2A, 0, 0, 9};
    EXPECT_EQ(picture.SetFileImage(image), 5u);
    dots[0] = 0xEE;
    image[0] = 0xEE;
    EXPECT_EQ(Bytes(picture.GetBits().begin(), picture.GetBits().end()), Bytes({1, 2, 3}));
    EXPECT_EQ(Bytes(picture.GetFileImage().begin(), picture.GetFileImage().end()), Bytes({0x1D, 0x2A, 0, 0, 9}));
    EXPECT_EQ(picture.GetSize(), 5u);
    EXPECT_EQ(picture.GetWidth(), 0u);
}

TEST_F(PictureBaseFiles, OpeningAMissingFileNamesIt)
{
    const std::string missing = PathOf("missing.bmp");
    CBmpPicture picture(missing);
    std::string message;
    EXPECT_EQ(picture.OpenFile(FileAccess::Read, FileDisposition::OpenExisting, message), PR_OPEN_FAILED);
    EXPECT_EQ(message, "Error - File Open : " + missing);
    EXPECT_FALSE(picture.IsFileOpen());

    CBmpPicture folder(m_dir.string());
    EXPECT_EQ(folder.OpenFile(FileAccess::Read, FileDisposition::OpenExisting, message), PR_OPEN_FAILED);
    EXPECT_EQ(message, "Error - File Open : " + m_dir.string());
}

TEST_F(PictureBaseFiles, OpeningForReadingLoadsTheWholeFile)
{
    const Bytes content = {'B', 'M', 0, 1, 2, 3, 0xFF};
    WriteAll(PathOf("a.bmp"), content);
    CBmpPicture picture(PathOf("a.bmp"));
    std::string message;
    ASSERT_EQ(picture.OpenFile(FileAccess::Read, FileDisposition::OpenExisting, message), PR_OK) << message;
    EXPECT_TRUE(picture.IsFileOpen());
    EXPECT_EQ(picture.GetSize(), content.size());
    EXPECT_EQ(Bytes(picture.GetFileImage().begin(), picture.GetFileImage().end()), content);

    WriteAll(PathOf("empty"), {});
    CBmpPicture empty(PathOf("empty"));
    EXPECT_EQ(empty.OpenFile(FileAccess::Read, FileDisposition::OpenExisting, message), PR_OK);
    EXPECT_EQ(empty.GetSize(), 0u);
}

TEST_F(PictureBaseFiles, OpeningForWritingNeverReadsNorTouchesTheOldFile)
{
    const Bytes old = {'o', 'l', 'd'};
    WriteAll(PathOf("out.bmp"), old);
    {
        CBmpPicture writer(PathOf("out.bmp"));
        std::string message;
        ASSERT_EQ(writer.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message), PR_OK) << message;
        EXPECT_TRUE(writer.IsFileOpen());
        EXPECT_FALSE(writer.HasFileImage());
        EXPECT_EQ(writer.GetSize(), 0u);
    }
    // A save abandoned before Write leaves the old file and nothing else.
    EXPECT_EQ(ReadAll(PathOf("out.bmp")), old);
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"out.bmp"});

    for (const std::string& bad : {PathOf("no-such-folder/out.bmp"), std::string()}) {
        CBmpPicture writer(bad);
        std::string message;
        EXPECT_EQ(writer.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message), PR_OPEN_FAILED);
        EXPECT_EQ(message, "Error - File Open : " + bad);
    }
}

// Lowers the largest file this process may write, as a full disk would stop it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lowered = m_old;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
};

TEST_F(PictureBaseFiles, AFailedSaveLeavesTheOldFileExactlyAsItWas)
{
    const Bytes old(100, 0x42);
    WriteAll(PathOf("logo.bmp"), old);

    CBmpPicture writer(PathOf("logo.bmp"));
    std::string message;
    ASSERT_EQ(writer.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message), PR_OK);
    writer.SetBits(Bytes(125 * 100, 0xFF));
    std::uint32_t width = 1000;
    std::uint32_t height = 100;
    PictureResult written;
    {
        const FileSizeLimit limit(4096);
        written = writer.Write(width, height, message);
    }
    EXPECT_EQ(written, PR_WRITE_FAILED);
    EXPECT_EQ(message, "Error - File Write");
    EXPECT_FALSE(writer.IsFileOpen());
    EXPECT_EQ(ReadAll(PathOf("logo.bmp")), old);
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"logo.bmp"});
}

TEST_F(PictureBaseFiles, ASuccessfulSaveReplacesTheOldFile)
{
    WriteAll(PathOf("logo.bmp"), Bytes(5000, 0x42));
    CBmpPicture writer(PathOf("logo.bmp"));
    std::string message;
    ASSERT_EQ(writer.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message), PR_OK);
    writer.SetBits(Bytes(2 * 3, 0xFF));
    std::uint32_t width = 10;
    std::uint32_t height = 3;
    ASSERT_EQ(writer.Write(width, height, message), PR_OK) << message;
    EXPECT_EQ(fs::file_size(PathOf("logo.bmp")), 74u);
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"logo.bmp"});
}

}  // namespace
