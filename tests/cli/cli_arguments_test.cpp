#include "cli_runner.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr std::string_view kConvertUsage =
    "usage: vellumio-cli convert IN OUT --type T [--width W] [--height H] [--offset-x X] [--offset-y Y]\n";

class CliArguments : public ::testing::Test {
protected:
    void SetUp() override { WritePictureFile(PT_BITMAP, m_input, 8, 2, {0xF0, 0x0F}); }

    ScratchDir m_scratch;
    std::string m_input = m_scratch.File("input.bmp");
    std::string m_output = m_scratch.File("output.bmp");
};

TEST_F(CliArguments, BadConvertArgumentsPrintTheUsageLineAndExitTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {m_input},
        {m_input, m_output},
        {m_input, m_output, "extra", "--type", "0"},
        {m_input, m_output, "--type"},
        {m_input, m_output, "--type", "5"},
        {m_input, m_output, "--type", "-1"},
        {m_input, m_output, "--type", "RASTER"},
        {m_input, m_output, "--type", "0", "--type", "1"},
        {m_input, m_output, "--type", "0", "--width", "1001"},
        {m_input, m_output, "--type", "0", "--width", "-1"},
        {m_input, m_output, "--type", "0", "--width", "1.5"},
        {m_input, m_output, "--type", "0", "--width", ""},
        {m_input, m_output, "--type", "0", "--height", "12abc"},
        {m_input, m_output, "--type", "0", "--height", "4294967304"},
        {m_input, m_output, "--type", "0", "--offset-x", "2147483648"},
        {m_input, m_output, "--type", "0", "--offset-y", "-2147483649"},
        {m_input, m_output, "--type", "0", "--offset-y", "+-3"},
        {m_input, m_output, "--type", "0", "--depth", "1"},
        {m_input, m_output, "--type", "0", "-w", "8"},
    };
    for (const auto& options : cases) {
        std::vector<std::string> args = {"convert"};
        args.insert(args.end(), options.begin(), options.end());
        SCOPED_TRACE(::testing::PrintToString(args));
        const CliRun run = RunCli(args, m_scratch.Path());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.ends_with(kConvertUsage)) << run.err;
        EXPECT_FALSE(std::filesystem::exists(m_output));
    }
}

TEST_F(CliArguments, LimitsOfTheAcceptedRangesAreAccepted)
{
    const std::string dashed = m_scratch.File("--dashed.bmp");
    const std::vector<std::vector<std::string>> cases = {
        {"convert", m_input, m_output, "--type", "0", "--width", "0", "--height", "0"},
        {"convert", m_input, m_output, "--type", "0", "--width", "1000", "--height", "1000"},
        {"convert", m_input, m_output, "--type=0", "--width=+7", "--offset-x", "-2147483648", "--offset-y",
         "2147483647"},
        {"convert", "--type", "0", "--", m_input, dashed},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const CliRun run = RunCli(args, m_scratch.Path());
        EXPECT_EQ(run.exitCode, 0) << run.err;
    }
    EXPECT_TRUE(std::filesystem::exists(dashed));
}

TEST_F(CliArguments, InfoTakesExactlyOneFile)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{"info"}, {"info", m_input, m_input}}) {
        const CliRun run = RunCli(args, m_scratch.Path());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.ends_with("usage: vellumio-cli info FILE\n")) << run.err;
    }
}

TEST_F(CliArguments, NoOrUnknownCommandExitsTwo)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"transmogrify"}, {"--type"}}) {
        const CliRun run = RunCli(args, m_scratch.Path());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("usage: vellumio-cli COMMAND"), std::string::npos) << run.err;
    }
}

TEST_F(CliArguments, HelpListsCommandsAndExplainsEachOption)
{
    const CliRun overview = RunCli({"--help"}, m_scratch.Path());
    EXPECT_EQ(overview.exitCode, 0);
    EXPECT_NE(overview.out.find("\n  info "), std::string::npos);
    EXPECT_NE(overview.out.find("\n  convert "), std::string::npos);

    const CliRun convert = RunCli({"convert", "--help"}, m_scratch.Path());
    EXPECT_EQ(convert.exitCode, 0);
    EXPECT_TRUE(convert.out.starts_with(kConvertUsage));
    for (const char* option : {"--type", "--width", "--height", "--offset-x", "--offset-y", "Exit status"})
        EXPECT_NE(convert.out.find(option), std::string::npos) << option;
}

}  // namespace
