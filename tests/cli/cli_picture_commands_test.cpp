#include "cli_test_support.h"

#include <fstream>

namespace {

constexpr std::uint32_t kWidth = 16;
constexpr std::uint32_t kHeight = 24;
constexpr std::string_view kConvertUsage =
    "usage: vellumio-cli convert IN OUT --type T [--width W] [--height H] [--offset-x X] [--offset-y Y]\n";

class CliPictureCommands : public CliTest {
protected:
    void SetUp() override { WriteFramedBmp(m_in, kWidth, kHeight); }

    CliRun Convert(std::vector<std::string> options)
    {
        options.insert(options.begin(), {"convert", m_in, m_out});
        return Run(options);
    }

    std::string m_in = File("in.bmp");
    std::string m_out = File("out.bmp");
};

// Refused arguments print the usage, exit with 2 and write nothing.
TEST_F(CliPictureCommands, ArgumentsAreCheckedAtTheLimitsOfTheirRanges)
{
    const struct {
        std::vector<std::string> args;
        std::string_view usage;  // empty where the arguments are taken
    } cases[] = {
        {{"transmogrify"}, "usage: vellumio-cli COMMAND"},
        {{"info", m_in, m_in}, "usage: vellumio-cli info FILE\n"},
        {{"convert", m_in, m_out, "extra", "--type", "0"}, kConvertUsage},
        {{"convert", m_in, m_out, "--type", "5"}, kConvertUsage},
        {{"convert", m_in, m_out, "--type", "0", "--width", "1001"}, kConvertUsage},
        {{"convert", m_in, m_out, "--type", "0", "--height", "4294967304"}, kConvertUsage},  // 8 if cut to 32 bits
        {{"convert", m_in, m_out, "--type", "0", "--offset-x", "2147483648"}, kConvertUsage},
        {{"convert", "--help"}, ""},
        {{"convert", m_in, m_out, "--type", "0", "--width", "1000", "--height", "0"}, ""},
        {{"convert", m_in, m_out, "--type=0", "--width=+7", "--offset-x", "-2147483648", "--offset-y=2147483647"}, ""},
        {{"convert", "--type", "0", "--", m_in, File("--out.bmp")}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const CliRun run = Run(c.args);
        EXPECT_EQ(run.exitCode, c.usage.empty() ? 0 : 2);
        if (!c.usage.empty()) {
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find(c.usage), std::string::npos) << run.err;
            EXPECT_FALSE(std::filesystem::exists(m_out));
        }
    }
    EXPECT_TRUE(std::filesystem::exists(File("--out.bmp")));
}

TEST_F(CliPictureCommands, ConvertWritesEveryTypeByNumberOrNameWithTheSameDotsAndInfoDescribesIt)
{
    const struct {
        std::string typeArgument;
        PictureType type;
    } cases[] = {
        {"0", PT_BITMAP}, {"Epson Gfx", PT_EPSON_GFX}, {"2", PT_LOGO}, {"raster_gfx", PT_RASTER_GFX},
        {"raster-gfx_EXT", PT_RASTER_GFX_EXT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typeArgument);
        const CliRun run = Convert({"--type", c.typeArgument});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out + run.err, "");
        EXPECT_EQ(ReadDots(m_out), FramedDots(kWidth, kHeight));
        EXPECT_EQ(Run({"info", m_out}).out, "type: " + std::string(PictureTypeName(c.type)) +
                                                "\nwidth: 16\nheight: 24\nsize: " +
                                                std::to_string(std::filesystem::file_size(m_out)) + "\n");
    }
}

TEST_F(CliPictureCommands, ConvertCutsShiftsAndReplacesTheOutputFile)
{
    std::ofstream(m_out) << std::string(5000, 'U');
    ASSERT_EQ(Convert({"--type=0", "--width=8", "--height=5", "--offset-x=-3", "--offset-y=2"}).exitCode, 0);
    // Output dot (x, y) is input dot (x - 3, y + 2).
    Dots expected;
    for (std::uint32_t y = 0; y < 5; ++y)
        expected.push_back(FramedDots(kWidth, kHeight)[(y + 2) * 2] >> 3);
    EXPECT_EQ(ReadDots(m_out), expected);
    EXPECT_LT(std::filesystem::file_size(m_out), 5000u);

    // Offsets beyond the picture give a white picture of the chosen size.
    ASSERT_EQ(Convert({"--type", "0", "--offset-x", "2147483647", "--offset-y", "-2147483648"}).exitCode, 0);
    EXPECT_EQ(ReadDots(m_out), Dots(2 * kHeight, 0));
}

// Sizes a format cannot take are rounded and said so; failures leave no output.
TEST_F(CliPictureCommands, MessagesAndExitStatus)
{
    const std::string missing = File("missing.bmp");
    std::ofstream(File("unknown.bin")) << "hello";
    const std::string unwritable = File("no-such-folder/out.bmp");
    const std::string noSuchFile = "\nNo such file or directory";
    const std::string adjusted = " been adjusted to be compatible with selected output format";
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    } cases[] = {
        {{"convert", m_in, File("a.gfx"), "--type", "RASTER GFX", "--width", "10"}, 0, "Picture Width has" + adjusted},
        {{"convert", m_in, File("b.log"), "--type", "LOGO", "--width", "10", "--height", "20"}, 0,
         "Picture Width & Height have" + adjusted},
        {{"convert", m_in, File("c.gfx"), "--type", "EPSON GFX", "--height", "20"}, 0, "Picture Height has" + adjusted},
        {{"info", missing}, 1, "Error - File Open : " + missing + noSuchFile},
        {{"info", File("unknown.bin")}, 1, "Picture type not supported."},
        {{"convert", missing, m_out, "--type", "0"}, 1, "Error - File Open : " + missing + noSuchFile},
        {{"convert", m_in, unwritable, "--type", "0"}, 1, "Error - File Open : " + unwritable + noSuchFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const CliRun run = Run(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out + run.err, c.message + "\n");
    }
    EXPECT_FALSE(std::filesystem::exists(m_out));
}

}  // namespace
