#include "paper_tray.h"
#include "printed_logo.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

using printer::Bytes;

// 3 x 2 dots: row 0 is X.X, row 1 is .X.
const Bytes kRows{0xA0, 0x40};

TEST(PrintedLogo, DoubleWidthRepeatsEveryDot)
{
    const PrintedLogo printed = ScaleForPrint(1, 3, 2, kRows, printer::kSizeDoubleWidth);
    EXPECT_EQ(printed.width, 6u);
    EXPECT_EQ(printed.height, 2u);
    EXPECT_EQ(printed.rows, (Bytes{0xCC, 0x30}));
}

TEST(PrintedLogo, DoubleHeightRepeatsEveryRow)
{
    const PrintedLogo printed = ScaleForPrint(1, 3, 2, kRows, printer::kSizeDoubleHeight);
    EXPECT_EQ(printed.width, 3u);
    EXPECT_EQ(printed.height, 4u);
    EXPECT_EQ(printed.rows, (Bytes{0xA0, 0xA0, 0x40, 0x40}));
}

TEST(PrintedLogo, DoubleBothAcrossByteBoundaries)
{
    // 5 dots wide become 10: two bytes per row.
    const PrintedLogo printed = ScaleForPrint(1, 5, 1, Bytes{0x88}, printer::kSizeDoubleBoth);
    EXPECT_EQ(printed.width, 10u);
    EXPECT_EQ(printed.height, 2u);
    EXPECT_EQ(printed.rows, (Bytes{0xC0, 0xC0, 0xC0, 0xC0}));
}

TEST(PrintedLogo, PbmIsHeaderThenTheRows)
{
    const PrintedLogo printed = ScaleForPrint(1, 3, 2, kRows, printer::kSizeNormal);
    const std::string header = "P4\n3 2\n";
    Bytes expected(header.begin(), header.end());
    expected.insert(expected.end(), kRows.begin(), kRows.end());
    EXPECT_EQ(EncodePbm(printed), expected);
}

TEST(PaperTray, OneNumberedFilePerPrint)
{
    const auto folder = std::filesystem::temp_directory_path() / ("vellumio-tray-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    PaperTray tray(folder);

    const auto first = tray.Print(ScaleForPrint(7, 3, 2, kRows, printer::kSizeNormal));
    const auto second = tray.Print(ScaleForPrint(7, 3, 2, kRows, printer::kSizeDoubleWidth));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->filename(), "logo-7-1.pbm");
    EXPECT_EQ(second->filename(), "logo-7-2.pbm");

    std::ifstream in(*first, std::ios::binary);
    const Bytes written{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(written, EncodePbm(ScaleForPrint(7, 3, 2, kRows, printer::kSizeNormal)));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2) << "no temporary files left";
    std::filesystem::remove_all(folder);

    EXPECT_FALSE(tray.Print(ScaleForPrint(7, 3, 2, kRows, printer::kSizeNormal)).has_value());
}

}  // namespace
