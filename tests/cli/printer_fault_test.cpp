#include "printer_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

constexpr const char* kCommunicationFailure = "The command has not been sent, there is communication failure.\n";

class PrinterFault : public PrinterCliTest {
protected:
    std::string WriteLogo(std::uint32_t width, std::uint32_t height)
    {
        const std::string path = m_scratch.File("logo.bmp");
        WritePictureFile(PT_BITMAP, path, width, height, PatternDots(width, height));
        return path;
    }
};

TEST_F(PrinterFault, HangUpMidDownloadStopsIt)
{
    // 41476 bytes, of which the printer takes 2000 before it hangs up.
    StartPrinter({"--hangup-after", "2000"});
    const CliRun run = RunOnPrinter({"download", "0", WriteLogo(576, 576)});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.ends_with("There is communication failure and the download has been stopped\n")) << run.err;
    EXPECT_EQ(run.out, "");
}

TEST_F(PrinterFault, WrongChecksumFailsTheDownload)
{
    StartPrinter({"--wrong-checksum"});
    const CliRun run = RunOnPrinter({"download", "9", WriteLogo(16, 16)});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.ends_with("The logo has been downloaded but the checksum returned from printer is wrong\n"))
        << run.err;
}

// Every command that waits for an answer gives up after the read time-out.
TEST_F(PrinterFault, SilentPrinterEndsEveryQuestionAfterTheReadTimeout)
{
    StartPrinter({"--no-answer"});
    const std::vector<std::string> quick = {"--read-timeout", "300"};
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"download", "0", WriteLogo(16, 16)}, kCommunicationFailure},
        {{"upload", "0", m_scratch.File("out.bmp")}, "The printer has not answered the upload request.\n"},
        {{"erase"}, "The printer has not acknowledged the erase command.\n"},
        {{"memory", "--protocol-level", "1"}, kCommunicationFailure},
        {{"set-memory", "64"}, kCommunicationFailure},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front());
        std::vector<std::string> args = c.args;
        args.insert(args.end(), quick.begin(), quick.end());
        const CliRun run = RunOnPrinter(args, 5000ms);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.ends_with(c.message)) << run.err;
    }
}

TEST_F(PrinterFault, StalledUploadIsGivenUpAfterFiveSeconds)
{
    StartPrinter({"--stall-upload"});
    ASSERT_EQ(RunOnPrinter({"download", "4", WriteLogo(64, 64)}).exitCode, 0);
    const std::string uploaded = m_scratch.File("stalled.bmp");
    const CliRun run = RunOnPrinter({"upload", "4", uploaded}, 10000ms);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.ends_with("The upload has stopped: the printer has sent nothing for 5 seconds.\n")) << run.err;
    EXPECT_FALSE(std::filesystem::exists(uploaded));
}

}  // namespace
