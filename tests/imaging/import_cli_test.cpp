// vellumio-cli import, run as a script would run it.
#include "cli_test_support.h"

#include <QImage>

namespace {

class ImportCliTest : public CliTest {
protected:
    // A colour gradient with a transparent left edge.
    std::string WritePhoto(const std::string& name, int width, int height) const
    {
        QImage image(width, height, QImage::Format_ARGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, qRgba(x * 255 / width, y * 255 / height, 60, x < 10 ? 0 : 255));
        const std::string path = File(name);
        EXPECT_TRUE(image.save(QString::fromStdString(path)));
        return path;
    }
};

TEST_F(ImportCliTest, EveryMethodWritesThePaperWidth)
{
    const std::string photo = WritePhoto("photo.png", 800, 600);
    for (const char* method : {"threshold", "floyd-steinberg", "atkinson", "bayer"}) {
        const CliRun run = Run({"import", photo, File("out.bmp"), "--type", "bitmap", "--paper", "80mm",
                                "--dither", method});
        EXPECT_EQ(run.exitCode, 0) << method << ": " << run.err;
        EXPECT_EQ(run.out, "width: 576\nheight: 432\n") << method;
        const CliRun info = Run({"info", File("out.bmp")});
        EXPECT_NE(info.out.find("width: 576\nheight: 432\n"), std::string::npos) << info.out;
    }
    const CliRun tuned = Run({"import", photo, File("out.gfx"), "--type", "1", "--width", "100", "--dither",
                              "threshold", "--threshold", "90", "--brightness", "-10", "--contrast", "20",
                              "--gamma", "1.5", "--invert"});
    EXPECT_EQ(tuned.exitCode, 0) << tuned.err;
    EXPECT_EQ(tuned.out, "width: 100\nheight: 96\n");
    EXPECT_EQ(tuned.err, "Picture Height has been adjusted to be compatible with selected output format\n");
}

TEST_F(ImportCliTest, BadArgumentsAndUnreadablePictures)
{
    const std::string photo = WritePhoto("photo.png", 40, 30);
    for (const std::vector<std::string>& extra : std::vector<std::vector<std::string>>{
             {"--width", "0"},
             {"--width", "2041"},
             {"--paper", "100mm"},
             {"--width", "300", "--paper", "58mm"},
             {"--dither", "spray"},
             {"--gamma", "0.05"},
         }) {
        std::vector<std::string> args{"import", photo, File("out.bmp"), "--type", "0"};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliRun run = Run(args);
        EXPECT_EQ(run.exitCode, 2) << extra.front() << " " << extra.back();
        EXPECT_NE(run.err.find("usage: vellumio-cli import"), std::string::npos) << run.err;
    }
    EXPECT_EQ(Run({"import", photo, File("out.bmp")}).exitCode, 2);

    std::ofstream(File("words.png")) << "no picture here";
    const CliRun unreadable = Run({"import", File("words.png"), File("out.bmp"), "--type", "0"});
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_EQ(unreadable.err, "Error - Picture not readable : " + File("words.png") + "\nUnsupported image format\n");
    EXPECT_FALSE(std::filesystem::exists(File("out.bmp")));
}

}  // namespace
