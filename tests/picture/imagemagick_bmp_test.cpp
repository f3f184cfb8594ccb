#include "bmp_picture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

// Bitmaps are exchanged with ImageMagick, which no one here wrote, and
// compared through PBM, whose P4 rows have the dot buffer's own layout.
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Dots {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    Bytes bits;

    bool operator==(const Dots&) const = default;
};

// Clears the bits beyond the width, which carry no meaning.
Dots Masked(Dots dots)
{
    const std::size_t rowBytes = CPicture::BytesPerRow(dots.width);
    if (dots.width % 8 != 0)
        for (std::size_t y = 0; y < dots.height && (y + 1) * rowBytes <= dots.bits.size(); ++y)
            dots.bits[y * rowBytes + rowBytes - 1] &= static_cast<std::uint8_t>(0xFF << (8 - dots.width % 8));
    return dots;
}

// Dots beyond the width included, as an output picture may carry them.
Dots TestPicture(std::uint32_t width, std::uint32_t height)
{
    Dots dots{width, height, Bytes(CPicture::BytesPerRow(width) * std::size_t{height})};
    for (std::size_t i = 0; i < dots.bits.size(); ++i)
        dots.bits[i] = static_cast<std::uint8_t>((i * 73 + 5) ^ (i >> 3));
    return dots;
}

bool DotAt(const Dots& dots, std::uint32_t x, std::uint32_t y)
{
    const std::size_t at = y * std::size_t{CPicture::BytesPerRow(dots.width)} + x / 8;
    return (dots.bits[at] & (0x80 >> (x % 8))) != 0;
}

std::string PlainPbm(const Dots& dots)
{
    std::string text = "P1\n# made by the test\n" + std::to_string(dots.width) + " " + std::to_string(dots.height) + "\n";
    for (std::uint32_t y = 0; y < dots.height; ++y) {
        for (std::uint32_t x = 0; x < dots.width; ++x)
            text += DotAt(dots, x, y) ? "1 " : "0 ";
        text += "\n";
    }
    return text;
}

// ImageMagick writes PBM as P4: a text header, then the raster.
std::optional<Dots> ReadRawPbm(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    Dots dots;
    if (!(in >> magic >> dots.width >> dots.height) || magic != "P4")
        return std::nullopt;
    in.get();  // the single blank before the raster
    dots.bits.resize(CPicture::BytesPerRow(dots.width) * std::size_t{dots.height});
    if (!in.read(reinterpret_cast<char*>(dots.bits.data()), static_cast<std::streamsize>(dots.bits.size())))
        return std::nullopt;
    return Masked(dots);
}

class ImageMagickBmp : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::string_view(IMAGEMAGICK_CONVERT_EXECUTABLE).empty())
            GTEST_SKIP() << "ImageMagick convert not found";
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                ("vellumio-im-" + std::string(test->name()) + "-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        if (!m_dir.empty())
            fs::remove_all(m_dir);
    }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    static bool Convert(const std::string& options, const std::string& from, const std::string& to)
    {
        const std::string command = std::string("'") + IMAGEMAGICK_CONVERT_EXECUTABLE + "' '" + from + "' " + options +
                                    " '" + to + "' 2>/dev/null";
        return std::system(command.c_str()) == 0;
    }

    fs::path m_dir;
};

TEST_F(ImageMagickBmp, ItsOneBitBitmapsDecodeToThePbmDots)
{
    const Dots original = TestPicture(37, 11);
    const std::string pbm = PathOf("in.pbm");
    std::ofstream(pbm) << PlainPbm(original);

    // Its default bitmap has a 108-byte header; "BMP3:" asks for the 40-byte one.
    for (const std::string format : {"", "BMP3:"}) {
        const std::string bmp = PathOf("theirs.bmp");
        ASSERT_TRUE(Convert("-type bilevel", pbm, format + bmp)) << format;

        CBmpPicture picture(bmp);
        std::string message;
        ASSERT_EQ(picture.OpenFile(FileAccess::Read, FileDisposition::OpenExisting, message), PR_OK) << message;
        ASSERT_EQ(picture.Parse(message), PR_OK) << format << message;
        ASSERT_TRUE(picture.Decode(message));
        const Dots decoded{picture.GetWidth(), picture.GetHeight(),
                           Bytes(picture.GetBits().begin(), picture.GetBits().end())};
        EXPECT_EQ(decoded, Masked(original)) << format;
    }
}

TEST_F(ImageMagickBmp, OurBitmapsReadAsTheSameDots)
{
    for (std::uint32_t width : {10u, 32u, 33u, 100u}) {
        const Dots original = TestPicture(width, 9);
        const std::string bmp = PathOf("ours.bmp");
        const std::string pbm = PathOf("theirs.pbm");
        {
            CBmpPicture picture(bmp);
            std::string message;
            ASSERT_EQ(picture.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message), PR_OK);
            picture.SetBits(original.bits);
            std::uint32_t w = original.width;
            std::uint32_t h = original.height;
            ASSERT_EQ(picture.Write(w, h, message), PR_OK);
        }
        ASSERT_TRUE(Convert("", bmp, pbm)) << width;
        const auto read = ReadRawPbm(pbm);
        ASSERT_TRUE(read.has_value()) << width;
        EXPECT_EQ(*read, Masked(original)) << width;
    }
}

}  // namespace
