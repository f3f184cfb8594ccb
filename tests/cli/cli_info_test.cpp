#include "cli_runner.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// 16 by 24 dots with black dots in the first and last column of every row, so
// that no writer can drop white margins and every type reads back whole.
std::vector<std::uint8_t> FramedDots()
{
    std::vector<std::uint8_t> bits;
    for (std::uint8_t y = 0; y < 24; ++y) {
        bits.push_back(static_cast<std::uint8_t>(0x80 | y));
        bits.push_back(static_cast<std::uint8_t>((y * 37) | 0x01));
    }
    return bits;
}

class CliInfo : public ::testing::Test {
protected:
    ScratchDir m_scratch;
};

TEST_F(CliInfo, PrintsTypeSizeInDotsAndFileSizeForEveryType)
{
    for (std::uint32_t type = 0; type < kPictureTypeCount; ++type) {
        SCOPED_TRACE(PictureTypeName(type));
        const std::string path = m_scratch.File("picture-" + std::to_string(type));
        WritePictureFile(static_cast<PictureType>(type), path, 16, 24, FramedDots());

        const CliRun run = RunCli({"info", path}, m_scratch.Path());
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, "type: " + std::string(PictureTypeName(type)) + "\nwidth: 16\nheight: 24\nsize: " +
                               std::to_string(std::filesystem::file_size(path)) + "\n");
    }
}

TEST_F(CliInfo, ReadsTheBundledSampleLogo)
{
    const CliRun run = RunCli({"info", VELLUMIO_SAMPLE_LOGO}, m_scratch.Path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "type: BITMAP\nwidth: 300\nheight: 80\nsize: " +
                           std::to_string(std::filesystem::file_size(VELLUMIO_SAMPLE_LOGO)) + "\n");
}

TEST_F(CliInfo, FailuresPrintTheProgramsMessageAndExitOne)
{
    const std::string missing = m_scratch.File("missing.bmp");
    const std::string unknown = m_scratch.File("unknown.bin");
    WriteWholeFile(unknown, {'h', 'e', 'l', 'l', 'o'});
    const std::string fourBit = m_scratch.File("four-bit.bmp");
    std::vector<std::uint8_t> header(62, 0);
    header[0] = 'B';
    header[1] = 'M';
    header[28] = 4;
    WriteWholeFile(fourBit, header);

    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {missing, "Error - File Open : " + missing},
        {unknown, "Picture type not supported."},
        {fourBit, "Error - Bmp File is not monochrome"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const CliRun run = RunCli({"info", c.path}, m_scratch.Path());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.message + "\n");
    }
}

}  // namespace
