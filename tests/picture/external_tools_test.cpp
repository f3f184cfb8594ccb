// Files are exchanged with tools that no one here wrote, ImageMagick and
// netpbm's pbmtoepson, and compared through PBM, whose raw (P4) rows have the
// dot buffer's own layout. A test whose tool is missing is skipped.
#include "picture_test_support.h"

#include <cstdlib>

using namespace picture_test;

namespace {

void WritePbm(const std::string& path, const DotMatrix& dots)
{
    const std::string header = "P4\n" + std::to_string(dots.width) + ' ' + std::to_string(dots.height) + '\n';
    WriteFile(path, Concat({Bytes(header.begin(), header.end()), dots.bits}));
}

DotMatrix ReadPbm(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    DotMatrix dots;
    if (!(in >> magic >> dots.width >> dots.height) || magic != "P4")
        return {};
    in.get();  // the single blank before the raster
    dots.bits.resize(DotBufferBytes(dots.width, dots.height));
    in.read(reinterpret_cast<char*>(dots.bits.data()), static_cast<std::streamsize>(dots.bits.size()));
    return dots.Masked();
}

// The tool through the shell, every word quoted; `out` takes what it writes.
bool RunTool(std::initializer_list<std::string> words, const std::string& out = "/dev/null")
{
    std::string command;
    for (const std::string& word : words)
        command += "'" + word + "' ";
    return std::system((command + "> '" + out + "' 2>/dev/null").c_str()) == 0;
}

// Ours read as PBM by it, and its bitmaps of that PBM, with the 108-byte
// header it writes by default and the 40-byte one "BMP3:" asks for, read by us.
TEST(ImageMagickBmp, BitmapsGoBothWaysWithTheSameDots)
{
    if (std::string_view(IMAGEMAGICK_CONVERT_EXECUTABLE).empty())
        GTEST_SKIP() << "ImageMagick convert not found";
    const ScratchDir dir;
    for (std::uint32_t width : {10u, 33u, 100u}) {
        const DotMatrix dots{width, 9, Noise(DotBufferBytes(width, 9), width)};
        WriteFile(dir.Path("our.bmp"), WriteBits(PT_BITMAP, dots.bits, width, 9).file);
        ASSERT_TRUE(RunTool({IMAGEMAGICK_CONVERT_EXECUTABLE, dir.Path("our.bmp"), dir.Path("their.pbm")}));
        EXPECT_EQ(ReadPbm(dir.Path("their.pbm")), dots.Masked()) << width;
        for (const std::string format : {"", "BMP3:"}) {
            SCOPED_TRACE(format + std::to_string(width));
            ASSERT_TRUE(RunTool({IMAGEMAGICK_CONVERT_EXECUTABLE, dir.Path("their.pbm"), "-type", "bilevel",
                                 format + dir.Path("their.bmp")}));
            const Decoded decoded = DecodeBytes(PT_BITMAP, ReadFile(dir.Path("their.bmp")));
            ASSERT_EQ(decoded.result, PR_OK) << decoded.message;
            EXPECT_EQ(DotMatrix::Of(*decoded.picture), dots.Masked());
        }
    }
}

// pbmtoepson writes per 8-row stripe of the PBM one ESC "*" command in the
// chosen mode holding the stripe's columns up to its last dark one, and 0A.
// Read as this format reads them, each PBM dot (x, y) becomes rows 3y to
// 3y + 2 of column x (mode 1, -dpi 120) or of columns 2x and 2x + 1 (mode 0,
// -dpi 60); each stripe takes one 24-row band, and every other dot is white.
TEST(PbmtoepsonStreams, DecodeToThePbmDotsAsModes0And1DrawThem)
{
    if (std::string_view(PBMTOEPSON_EXECUTABLE).empty())
        GTEST_SKIP() << "pbmtoepson is not installed";
    const ScratchDir dir;
    for (const auto& [width, height] : {std::pair{1u, 1u}, std::pair{13u, 7u}, std::pair{17u, 8u},
                                        std::pair{30u, 17u}, std::pair{300u, 9u}, std::pair{41u, 33u}}) {
        const std::size_t rowBytes = CPicture::BytesPerRow(width);
        DotMatrix pbm = DotMatrix{width, height, Noise(rowBytes * height, width)}.Masked();
        // A whole white stripe between dark ones, where the tool writes only a feed.
        if (height > 16)
            std::fill_n(pbm.bits.begin() + static_cast<std::ptrdiff_t>(8 * rowBytes), 8 * rowBytes, 0);
        // The tool writes each stripe up to its last dark column.
        pbm.Set(width - 1, height - 1);
        WritePbm(dir.Path("in.pbm"), pbm);

        for (const auto& [dpi, dotsPerColumn] : {std::pair{60, 2u}, std::pair{120, 1u}}) {
            SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " at " + std::to_string(dpi) + " dpi");
            ASSERT_TRUE(RunTool({PBMTOEPSON_EXECUTABLE, "-dpi", std::to_string(dpi), dir.Path("in.pbm")},
                                dir.Path("out.gfx")));
            const Decoded decoded = DecodeBytes(PT_EPSON_GFX, ReadFile(dir.Path("out.gfx")));
            ASSERT_EQ(decoded.result, PR_OK) << decoded.message;
            const DotMatrix dots = DotMatrix::Of(*decoded.picture);
            ASSERT_EQ(dots.width, dotsPerColumn * width);
            ASSERT_EQ(dots.height, 24 * ((height + 7) / 8));
            for (std::uint32_t y = 0; y < dots.height; ++y)
                for (std::uint32_t x = 0; x < dots.width; ++x)
                    ASSERT_EQ(dots.Get(x, y), pbm.Get(x / dotsPerColumn, y / 3)) << "at " << x << "," << y;
        }
    }
}

}  // namespace
