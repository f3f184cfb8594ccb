// vellumio-cli import, run as a script would run it.
#include "cli_test_support.h"

namespace {

// Any picture Qt reads will do: a bitmap of the size wanted.
using ImportCliTest = CliTest;

TEST_F(ImportCliTest, EveryMethodWritesThePaperWidth)
{
    const std::string picture = WriteFramedBmp(File("in.bmp"), 800, 600);
    for (const char* method : {"threshold", "floyd-steinberg", "atkinson", "bayer"}) {
        const CliRun run = Run({"import", picture, File("out.bmp"), "--type", "bitmap", "--paper", "80mm",
                                "--dither", method});
        EXPECT_EQ(run.exitCode, 0) << method << ": " << run.err;
        EXPECT_EQ(run.out, "width: 576\nheight: 432\n") << method;
        const CliRun info = Run({"info", File("out.bmp")});
        EXPECT_NE(info.out.find("width: 576\nheight: 432\n"), std::string::npos) << info.out;
    }
    const CliRun tuned = Run({"import", picture, File("out.gfx"), "--type", "1", "--width", "100", "--dither",
                              "threshold", "--threshold", "90", "--brightness", "-10", "--contrast", "20",
                              "--gamma", "1.5", "--invert"});
    EXPECT_EQ(tuned.exitCode, 0) << tuned.err;
    EXPECT_EQ(tuned.out, "width: 100\nheight: 96\n");
    EXPECT_EQ(tuned.err, "Picture Height has been adjusted to be compatible with selected output format\n");
}

TEST_F(ImportCliTest, BadArgumentsAndUnreadablePictures)
{
    const std::string picture = WriteFramedBmp(File("in.bmp"), 40, 30);
    for (const std::vector<std::string>& extra : std::vector<std::vector<std::string>>{
             {"--width", "0"},
             {"--width", "2041"},
             {"--paper", "100mm"},
             {"--width", "300", "--paper", "58mm"},
             {"--dither", "spray"},
             {"--gamma", "0.05"},
         }) {
        std::vector<std::string> args{"import", picture, File("out.bmp"), "--type", "0"};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliRun run = Run(args);
        EXPECT_EQ(run.exitCode, 2) << extra.front() << " " << extra.back();
        EXPECT_NE(run.err.find("usage: vellumio-cli import"), std::string::npos) << run.err;
    }
    EXPECT_EQ(Run({"import", picture, File("out.bmp")}).exitCode, 2);

    std::ofstream(File("words.png")) << "no picture here";
    const CliRun unreadable = Run({"import", File("words.png"), File("out.bmp"), "--type", "0"});
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_EQ(unreadable.err, "Error - Picture not readable : " + File("words.png") + "\nUnsupported image format\n");
    EXPECT_FALSE(std::filesystem::exists(File("out.bmp")));
}

}  // namespace
