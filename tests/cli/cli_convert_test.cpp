#include "cli_runner.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr std::uint32_t kWidth = 16;
constexpr std::uint32_t kHeight = 24;

// Black dots in the first and last column of every row keep every writer
// from dropping white margins, so each type reads back with the same dots.
std::vector<std::uint8_t> FramedDots()
{
    std::vector<std::uint8_t> bits;
    for (std::uint8_t y = 0; y < kHeight; ++y) {
        bits.push_back(static_cast<std::uint8_t>(0x80 | (y << 1)));
        bits.push_back(static_cast<std::uint8_t>((y * 37) | 0x01));
    }
    return bits;
}

class CliConvert : public ::testing::Test {
protected:
    void SetUp() override { WritePictureFile(PT_BITMAP, m_input, kWidth, kHeight, FramedDots()); }

    CliRun Convert(const std::string& output, std::vector<std::string> options)
    {
        std::vector<std::string> args = {"convert", m_input, output};
        args.insert(args.end(), options.begin(), options.end());
        return RunCli(args, m_scratch.Path());
    }

    ScratchDir m_scratch;
    std::string m_input = m_scratch.File("input.bmp");
};

TEST_F(CliConvert, WritesEveryTypeByNumberOrNameWithTheSameDots)
{
    const struct {
        std::string typeArgument;
        PictureType type;
    } cases[] = {
        {"0", PT_BITMAP},        {"1", PT_EPSON_GFX},           {"2", PT_LOGO},
        {"3", PT_RASTER_GFX},    {"4", PT_RASTER_GFX_EXT},      {"bitmap", PT_BITMAP},
        {"Epson Gfx", PT_EPSON_GFX}, {"LOGO", PT_LOGO},         {"raster_gfx", PT_RASTER_GFX},
        {"raster-gfx_EXT", PT_RASTER_GFX_EXT},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typeArgument);
        const std::string output = m_scratch.File("output-" + std::to_string(index++));
        const CliRun run = Convert(output, {"--type", c.typeArgument});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "");
        const ReadBack back = ReadPictureFile(output);
        EXPECT_EQ(back.type, c.type);
        EXPECT_EQ(back.width, kWidth);
        EXPECT_EQ(back.height, kHeight);
        EXPECT_EQ(back.bits, FramedDots());
    }
}

TEST_F(CliConvert, SizeAdjustmentIsReportedAndStillSucceeds)
{
    const struct {
        std::string type;
        std::string width;
        std::string height;
        std::string message;
        std::uint32_t widthWritten;
        std::uint32_t heightWritten;
    } cases[] = {
        {"RASTER GFX", "10", "24", "Picture Width has been adjusted to be compatible with selected output format", 16,
         24},
        {"RASTER GFX EXT", "10", "24",
         "Picture Width has been adjusted to be compatible with selected output format", 16, 24},
        {"LOGO", "10", "20",
         "Picture Width & Height have been adjusted to be compatible with selected output format", 16, 24},
        {"EPSON GFX", "16", "20",
         "Picture Height has been adjusted to be compatible with selected output format", 16, 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        const std::string output = m_scratch.File("adjusted-" + c.type);
        const CliRun run = Convert(output, {"--type", c.type, "--width", c.width, "--height", c.height});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.message + "\n");
        ASSERT_TRUE(std::filesystem::exists(output));
    }
    // The reading side of the size rules: LOGO keeps the rounded size.
    const ReadBack logo = ReadPictureFile(m_scratch.File("adjusted-LOGO"));
    EXPECT_EQ(logo.width, 16u);
    EXPECT_EQ(logo.height, 24u);
}

TEST_F(CliConvert, CutsAndShiftsByWidthHeightAndOffsets)
{
    const std::string output = m_scratch.File("cut.bmp");
    const CliRun run =
        Convert(output, {"--type", "BITMAP", "--width", "8", "--height", "5", "--offset-x", "-3", "--offset-y=2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const ReadBack back = ReadPictureFile(output);
    ASSERT_EQ(back.width, 8u);
    ASSERT_EQ(back.height, 5u);
    const auto source = FramedDots();
    for (std::uint32_t y = 0; y < 5; ++y)
        EXPECT_EQ(back.bits[y], source[(y + 2) * 2] >> 3) << "row " << y;
}

TEST_F(CliConvert, OffsetsBeyondThePictureGiveAWhiteOutputOfTheChosenSize)
{
    const std::string output = m_scratch.File("white.bmp");
    const CliRun run = Convert(output, {"--type", "0", "--offset-x", "2147483647", "--offset-y", "-2147483648"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const ReadBack back = ReadPictureFile(output);
    EXPECT_EQ(back.width, kWidth);
    EXPECT_EQ(back.height, kHeight);
    EXPECT_EQ(back.bits, std::vector<std::uint8_t>(2 * kHeight, 0));
}

TEST_F(CliConvert, FailuresPrintTheMessageExitOneAndLeaveNoOutput)
{
    const std::string unwritable = m_scratch.File("no-such-folder/out.bmp");
    CliRun run = Convert(unwritable, {"--type", "0"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Error - File Open : " + unwritable + "\n");

    const std::string missingInput = m_scratch.File("missing.bmp");
    const std::string output = m_scratch.File("never.bmp");
    run = RunCli({"convert", missingInput, output, "--type", "0"}, m_scratch.Path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Error - File Open : " + missingInput + "\n");
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(CliConvert, ReplacesAnExistingOutputFile)
{
    const std::string output = m_scratch.File("existing.log");
    WriteWholeFile(output, std::vector<std::uint8_t>(5000, 0x55));
    const CliRun run = Convert(output, {"--type", "LOGO"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(std::filesystem::file_size(output), 4u + kWidth * kHeight / 8);
    EXPECT_EQ(ReadPictureFile(output).bits, FramedDots());
}

}  // namespace
