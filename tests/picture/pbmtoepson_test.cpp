// Streams made by netpbm's pbmtoepson, a tool no one here wrote, must decode
// to the PBM's dots the way the printer draws them.
#include "epson_gfx_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A PBM picture held as its raw (P4) rows, which are laid out as a dot buffer.
struct Pbm {
    std::uint32_t width;
    std::uint32_t height;
    Bytes rows;

    bool Get(std::uint32_t x, std::uint32_t y) const
    {
        return (rows[y * CPicture::BytesPerRow(width) + x / 8] & (0x80 >> (x % 8))) != 0;
    }
};

Pbm RandomPbm(std::uint32_t width, std::uint32_t height, std::mt19937& random)
{
    const std::size_t rowBytes = CPicture::BytesPerRow(width);
    Pbm pbm{width, height, Bytes(rowBytes * height)};
    for (std::uint32_t y = 0; y < height; ++y) {
        // A whole white stripe between dark ones, where the tool writes only a feed.
        if (height > 16 && y >= 8 && y < 16)
            continue;
        for (std::uint32_t x = 0; x < width; ++x)
            if (random() % 5 < 2)
                pbm.rows[y * rowBytes + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    pbm.rows[0] |= 0x80;
    return pbm;
}

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "pbmtoepson_test.XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    std::filesystem::path File(const char* name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

Bytes RunPbmtoepson(const Pbm& pbm, int dpi)
{
    TempDir dir;
    const auto path = dir.File("in.pbm");
    {
        std::ofstream out(path, std::ios::binary);
        out << "P4\n" << pbm.width << ' ' << pbm.height << '\n';
        out.write(reinterpret_cast<const char*>(pbm.rows.data()), static_cast<std::streamsize>(pbm.rows.size()));
    }
    const std::string command =
        "'" + std::string(PBMTOEPSON_EXECUTABLE) + "' -dpi " + std::to_string(dpi) + " '" + path.string() + "'";
    Bytes stream;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return stream;
    std::uint8_t buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        stream.insert(stream.end(), buffer, buffer + n);
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return stream;
}

bool DotOf(const CPicture& picture, std::uint32_t x, std::uint32_t y)
{
    const std::size_t rowBytes = CPicture::BytesPerRow(picture.GetWidth());
    return (picture.GetBits()[y * rowBytes + x / 8] & (0x80 >> (x % 8))) != 0;
}

}  // namespace

// pbmtoepson writes ESC A 8 (8-row line spacing), then per 8-row stripe of
// the PBM one ESC "*" command in the chosen mode holding the stripe's columns
// up to its last dark one, and 0A; it ends with 0C ESC @. Read as this format
// reads them, each PBM dot (x, y) becomes rows 3y to 3y + 2 of column x
// (mode 1, -dpi 120) or of columns 2x and 2x + 1 (mode 0, -dpi 60); each
// stripe takes one 24-row band, and every other dot is white.
TEST(PbmtoepsonStreams, DecodeToThePbmDotsAsModes0And1DrawThem)
{
    if (std::string_view(PBMTOEPSON_EXECUTABLE).empty())
        GTEST_SKIP() << "pbmtoepson is not installed";

    struct Density {
        int dpi;
        std::uint8_t mode;
        std::uint32_t dotsPerColumn;
    };
    struct Size {
        std::uint32_t width;
        std::uint32_t height;
    };
    std::mt19937 random(3);
    for (const Size size : {Size{1, 1}, Size{5, 10}, Size{13, 7}, Size{17, 8}, Size{30, 17}, Size{8, 64},
                            Size{300, 9}, Size{41, 33}}) {
        const Pbm pbm = RandomPbm(size.width, size.height, random);
        std::uint32_t lastDarkColumn = 0;
        for (std::uint32_t y = 0; y < pbm.height; ++y)
            for (std::uint32_t x = 0; x < pbm.width; ++x)
                if (pbm.Get(x, y))
                    lastDarkColumn = std::max(lastDarkColumn, x);

        for (const Density density : {Density{60, 0, 2}, Density{120, 1, 1}}) {
            SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height) + " at " +
                         std::to_string(density.dpi) + " dpi");
            const Bytes stream = RunPbmtoepson(pbm, density.dpi);
            const Bytes bitImage = {0x1B, 0x2A, density.mode};
            ASSERT_NE(std::search(stream.begin(), stream.end(), bitImage.begin(), bitImage.end()), stream.end());

            CEpsonGfxPicture picture("");
            picture.SetFileImage(stream);
            std::string message;
            ASSERT_EQ(picture.Parse(message), PR_OK) << message;
            ASSERT_TRUE(picture.Decode(message)) << message;
            ASSERT_EQ(picture.GetWidth(), density.dotsPerColumn * (lastDarkColumn + 1));
            ASSERT_EQ(picture.GetHeight(), 24 * ((pbm.height + 7) / 8));

            for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
                for (std::uint32_t x = 0; x < picture.GetWidth(); ++x) {
                    const std::uint32_t pbmX = x / density.dotsPerColumn;
                    const std::uint32_t pbmY = y / 3;
                    const bool expected = pbmY < pbm.height && pbm.Get(pbmX, pbmY);
                    ASSERT_EQ(DotOf(picture, x, y), expected) << "at " << x << "," << y;
                }
        }
    }
}
