#include "printer_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class PrinterTransfer : public PrinterCliTest {
protected:
    // A 16 x 16 picture, whose LOGO image is its own size, as a BMP file.
    std::string WriteLogo(const std::string& name)
    {
        const std::string path = m_scratch.File(name);
        WritePictureFile(PT_BITMAP, path, 16, 16, PatternDots(16, 16));
        return path;
    }
};

TEST_F(PrinterTransfer, DownloadIsVerifiedInTheFirstAndLastSlotAndUploadGivesTheDotsBack)
{
    StartPrinter();
    const std::string picture = m_scratch.File("wide.bmp");
    WritePictureFile(PT_BITMAP, picture, 20, 12, PatternDots(20, 12));
    const auto expected = CroppedDots(20, 12, PatternDots(20, 12), 2, -2, 16, 16);

    for (const std::string slot : {"0", "255"}) {
        SCOPED_TRACE("slot " + slot);
        const CliRun download = RunOnPrinter(
            {"download", slot, picture, "--width", "16", "--height", "16", "--offset-x", "2", "--offset-y", "-2"});
        EXPECT_EQ(download.exitCode, 0) << download.err;
        EXPECT_EQ(download.out, "slot: " + slot + "\nwidth: 16\nheight: 16\nbytes: 36\n" +
                                    ChecksumLine(16, 16, expected));
        EXPECT_NE(download.err.find("download: 100%"), std::string::npos) << download.err;

        const std::string uploaded = m_scratch.File("slot-" + slot + ".bmp");
        const CliRun upload = RunOnPrinter({"upload", slot, uploaded});
        EXPECT_EQ(upload.exitCode, 0) << upload.err;
        EXPECT_EQ(upload.out, "width: 16\nheight: 16\n");
        const ReadBack back = ReadPictureFile(uploaded);
        EXPECT_EQ(back.type, PT_BITMAP);
        EXPECT_EQ(back.bits, expected);
    }
}

// A reply cut into one-byte pieces, and one that runs on past its bitmap,
// still give exactly the bitmap announced.
TEST_F(PrinterTransfer, UploadIsReassembledFromAnyPiecesAndStopsAtTheAnnouncedSize)
{
    for (const std::string fault : {"--byte-by-byte", "--overlong-upload"}) {
        SCOPED_TRACE(fault);
        StartPrinter({fault});
        ASSERT_EQ(RunOnPrinter({"download", "7", WriteLogo("logo.bmp")}).exitCode, 0);
        const std::string uploaded = m_scratch.File("uploaded.bmp");
        const CliRun upload = RunOnPrinter({"upload", "7", uploaded});
        EXPECT_EQ(upload.exitCode, 0) << upload.err;
        EXPECT_EQ(ReadPictureFile(uploaded).bits, PatternDots(16, 16));
    }
}

TEST_F(PrinterTransfer, EmptySlotIsReportedAndNoFileWritten)
{
    StartPrinter();
    const std::string uploaded = m_scratch.File("none.bmp");
    const CliRun upload = RunOnPrinter({"upload", "3", uploaded});
    EXPECT_EQ(upload.exitCode, 1);
    EXPECT_EQ(upload.err, "There is not logo at this location\n");
    EXPECT_FALSE(std::filesystem::exists(uploaded));
}

TEST_F(PrinterTransfer, PrintPutsTheLogoOnPaperInTheChosenSize)
{
    StartPrinter();
    ASSERT_EQ(RunOnPrinter({"download", "12", WriteLogo("logo.bmp")}).exitCode, 0);

    EXPECT_EQ(RunOnPrinter({"print", "12", "--size", "3"}).exitCode, 0);
    const auto doubled = WaitForPbm(Printer().PaperFolder() / "logo-12-1.pbm", 3000ms);
    ASSERT_TRUE(doubled);
    EXPECT_EQ(doubled->width, 32u);
    EXPECT_EQ(doubled->height, 32u);

    EXPECT_EQ(RunOnPrinter({"print", "12"}).exitCode, 0);
    const auto normal = WaitForPbm(Printer().PaperFolder() / "logo-12-2.pbm", 3000ms);
    ASSERT_TRUE(normal);
    EXPECT_EQ(normal->width, 16u);
}

TEST_F(PrinterTransfer, EraseIsAcknowledgedAndLeavesTheSlotsEmpty)
{
    StartPrinter();
    ASSERT_EQ(RunOnPrinter({"download", "1", WriteLogo("logo.bmp")}).exitCode, 0);

    const CliRun erase = RunOnPrinter({"erase"});
    EXPECT_EQ(erase.exitCode, 0) << erase.err;
    EXPECT_EQ(RunOnPrinter({"upload", "1", m_scratch.File("gone.bmp")}).err, "There is not logo at this location\n");
}

}  // namespace
