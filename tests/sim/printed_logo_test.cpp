#include "paper_tray.h"
#include "printed_logo.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Print size bytes: 1 doubles the width, 2 the height, 3 both.
TEST(PrintedLogo, SizeModesRepeatDotsAndRows)
{
    const struct { std::uint32_t width, height; Bytes rows; std::uint8_t mode; PrintedLogo expected; } cases[] = {
        // X.X over .X.
        {3, 2, {0xA0, 0x40}, 1, {0, 6, 2, {0xCC, 0x30}}},
        {3, 2, {0xA0, 0x40}, 2, {0, 3, 4, {0xA0, 0xA0, 0x40, 0x40}}},
        // Five dots wide become ten, across a byte boundary.
        {5, 1, {0x88}, 3, {0, 10, 2, {0xC0, 0xC0, 0xC0, 0xC0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << int{c.mode});
        const PrintedLogo printed = ScaleForPrint(0, c.width, c.height, c.rows, c.mode);
        EXPECT_EQ(printed.width, c.expected.width);
        EXPECT_EQ(printed.height, c.expected.height);
        EXPECT_EQ(printed.rows, c.expected.rows);
    }
}

TEST(PaperTray, OneNumberedPbmFilePerPrint)
{
    const auto folder = std::filesystem::temp_directory_path() / ("vellumio-tray-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    PaperTray tray(folder);
    const PrintedLogo logo = ScaleForPrint(7, 3, 2, Bytes{0xA0, 0x40}, 0);
    const auto first = tray.Print(logo);
    const auto second = tray.Print(logo);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->filename(), "logo-7-1.pbm");
    EXPECT_EQ(second->filename(), "logo-7-2.pbm");
    std::ifstream in(*first, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "P4\n3 2\n\xA0\x40");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2) << "no temporary files left";

    std::filesystem::remove_all(folder);
    EXPECT_FALSE(tray.Print(logo).has_value());
}

}  // namespace
