#include "printer_test_support.h"

namespace {

using PrinterTransfer = PrinterCliTest;

// The logo sent is what "convert" writes as LOGO for the same options; it comes back whole.
TEST_F(PrinterTransfer, DownloadIsVerifiedInTheFirstAndLastSlotAndUploadGivesTheDotsBack)
{
    StartPrinter();
    const std::string picture = WriteLogo(20, 12);
    const std::string expected = File("expected.log");
    const auto withGeometry = [](std::vector<std::string> args) {
        args.insert(args.end(), {"--width", "16", "--height", "16", "--offset-x", "2", "--offset-y", "-2"});
        return args;
    };
    ASSERT_EQ(Run(withGeometry({"convert", picture, expected, "--type", "LOGO"})).exitCode, 0);
    // 0 minus the sum of the 36 bytes of that logo.
    const std::string checksum = "FBBC";

    for (const std::string slot : {"0", "255"}) {
        SCOPED_TRACE("slot " + slot);
        const CliRun sent = RunOnPrinter(withGeometry({"download", slot, picture}));
        EXPECT_EQ(sent.exitCode, 0) << sent.err;
        EXPECT_EQ(sent.out, "slot: " + slot + "\nwidth: 16\nheight: 16\nbytes: 36\nchecksum: " + checksum + "\n");
        EXPECT_NE(sent.err.find("download: 100%"), std::string::npos) << sent.err;

        const CliRun upload = RunOnPrinter({"upload", slot, File("uploaded.bmp")});
        EXPECT_EQ(upload.exitCode, 0) << upload.err;
        EXPECT_EQ(upload.out, "width: 16\nheight: 16\n");
        EXPECT_EQ(ReadDots(File("uploaded.bmp")), ReadDots(expected));
    }
}

// Replies cut into one-byte pieces or running on past the bitmap give the bitmap.
TEST_F(PrinterTransfer, UploadIsReassembledFromAnyPiecesAndStopsAtTheAnnouncedSize)
{
    for (const std::string fault : {"--byte-by-byte", "--overlong-upload"}) {
        SCOPED_TRACE(fault);
        StartPrinter({fault});
        ASSERT_EQ(RunOnPrinter({"download", "7", WriteLogo(16, 16)}).exitCode, 0);
        EXPECT_EQ(RunOnPrinter({"upload", "7", File("uploaded.bmp")}).exitCode, 0);
        EXPECT_EQ(ReadDots(File("uploaded.bmp")), FramedDots(16, 16));
    }
}

TEST_F(PrinterTransfer, PrintPutsTheLogoOnPaperAndEraseEmptiesTheSlots)
{
    StartPrinter();
    const std::string uploaded = File("none.bmp");
    const CliRun empty = RunOnPrinter({"upload", "12", uploaded});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err, "There is not logo at this location\n");
    EXPECT_FALSE(std::filesystem::exists(uploaded));

    ASSERT_EQ(RunOnPrinter({"download", "12", WriteLogo(16, 16)}).exitCode, 0);
    EXPECT_EQ(RunOnPrinter({"print", "12", "--size", "3"}).exitCode, 0);
    EXPECT_TRUE(WaitForPaper("logo-12-1.pbm").starts_with("P4\n32 32\n"));
    EXPECT_EQ(RunOnPrinter({"print", "12"}).exitCode, 0);
    EXPECT_TRUE(WaitForPaper("logo-12-2.pbm").starts_with("P4\n16 16\n"));

    EXPECT_EQ(RunOnPrinter({"erase"}).exitCode, 0);
    EXPECT_EQ(RunOnPrinter({"upload", "12", uploaded}).err, "There is not logo at this location\n");
}

using PrinterMemory = PrinterCliTest;

constexpr std::string_view kLevelZero = "total: unknown\nlogo: unknown\nremaining: 524288 bytes\n";

// The virtual printer has 1280 KB in all and 512 KB for logos, all free; the
// total and logo figures are asked for only at a nonzero protocol level.
TEST_F(PrinterMemory, FiguresAndAnAcceptedSize)
{
    StartPrinter();
    EXPECT_EQ(RunOnPrinter({"memory"}).out, kLevelZero);
    EXPECT_EQ(RunOnPrinter({"memory", "--protocol-level", "1"}).out,
              "total: 1280 KB\nlogo: 512 KB\nremaining: 524288 bytes\n");
    const CliRun set = RunOnPrinter({"set-memory", "1280", "--protocol-level", "1"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out, "total: 1280 KB\nlogo: 1280 KB\nremaining: 1310720 bytes\n");
}

// Without the protocol level the sizes go up to 1024, with it to the total;
// at level 0 the printer itself may still refuse.
TEST_F(PrinterMemory, SizesThePrinterDoesNotOfferAreRefused)
{
    StartPrinter({"--total-memory", "512"});
    EXPECT_NE(RunOnPrinter({"set-memory", "100"}).err.find("KB must be one of 0, 64,"), std::string::npos);
    EXPECT_EQ(RunOnPrinter({"set-memory", "1280"}).exitCode, 2);
    EXPECT_EQ(RunOnPrinter({"set-memory", "576", "--protocol-level", "1"}).exitCode, 2);

    const CliRun refused = RunOnPrinter({"set-memory", "768"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "The command has been sent, but the printer has returned one error.\n");
    EXPECT_EQ(refused.out, kLevelZero);
}

using PrinterConnection = PrinterCliTest;

// "ports" lists an added device by name; that name reaches the printer both
// as --port and as the stored port, and the command line overrides the store.
TEST_F(PrinterConnection, ListedNameReachesThePrinterAsThePortOptionAndAsTheStoredPort)
{
    StartPrinter();
    ::setenv("VELLUMIO_SERIAL_PORTS", Port().c_str(), 1);
    const std::string ports = Run({"ports"}).out;
    // The machine's own serial ports come first, so the name is read, not assumed.
    const std::size_t listed = ports.find("  " + Port() + "\n");
    ASSERT_NE(listed, std::string::npos) << ports;
    const std::size_t lineStart = ports.rfind('\n', listed) + 1;  // 0 on the first line
    const std::string name = ports.substr(lineStart, listed - lineStart);
    ASSERT_TRUE(name.starts_with("COM")) << name;

    EXPECT_EQ(Run({"memory", "--port", name}).out, kLevelZero);
    CommSettings stored;
    stored.m_nPort = std::stoi(name.substr(3)) - 1;
    stored.m_nVersion = 1;
    StoreSettings(stored);
    EXPECT_EQ(Run({"memory"}).out, "total: 1280 KB\nlogo: 512 KB\nremaining: 524288 bytes\n");
    EXPECT_EQ(Run({"memory", "--protocol-level", "0"}).out, kLevelZero);
}

TEST_F(PrinterConnection, BadArgumentsAreRefusedBeforeAnyPortIsOpenedAndAPortThatFailsIsNamed)
{
    // Were the arguments taken, each run would end at the missing port.
    const std::string missing = File("no-such-device");
    for (const auto& args : std::vector<std::vector<std::string>>{{"download", "256", WriteLogo(8, 8)},
                                                                  {"print", "1", "--size", "4"},
                                                                  {"erase", "--baud", "1200"},
                                                                  {"erase", "--read-timeout", "0"},
                                                                  {"set-memory"}}) {
        SCOPED_TRACE(::testing::PrintToString(args));
        std::vector<std::string> withPort = args;
        withPort.insert(withPort.end(), {"--port", missing});
        const CliRun run = Run(withPort);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find("usage: vellumio-cli " + args.front()), std::string::npos) << run.err;
    }
    // COM999 lies past the end of the serial ports, of which none are ours.
    EXPECT_EQ(Run({"erase", "--port", missing}).err,
              "Communication broken (" + missing + ")\nNo such file or directory\n");
    EXPECT_EQ(Run({"erase", "--port", "COM999"}).err, "Communication broken (COM999)\n");
}

using PrinterFault = PrinterCliTest;

constexpr std::string_view kFailure = "The command has not been sent, there is communication failure.\n";

// Each fault ends the command with its message and exit status 1, never a hang.
TEST_F(PrinterFault, EveryFaultEndsTheCommandWithItsMessage)
{
    const std::string logo = WriteLogo(16, 16);
    const struct {
        std::vector<std::string> printer;
        std::vector<std::string> args;
        std::string_view message;
    } cases[] = {
        {{"--hangup-after", "2000"}, {"download", "0", WriteLogo(576, 576)},  // 2000 of 41476 bytes
         "There is communication failure and the download has been stopped\n"},
        {{"--wrong-checksum"}, {"download", "9", logo},
         "The logo has been downloaded but the checksum returned from printer is wrong\n"},
        {{"--no-answer"}, {"download", "0", logo}, kFailure},
        {{"--no-answer"}, {"upload", "0", File("out.bmp")}, "The printer has not answered the upload request.\n"},
        {{"--no-answer"}, {"erase"}, "The printer has not acknowledged the erase command.\n"},
        {{"--no-answer"}, {"memory", "--protocol-level", "1"}, kFailure},
        {{"--no-answer"}, {"set-memory", "64"}, kFailure},
        {{"--stall-upload"}, {"upload", "4", File("stalled.bmp")},
         "The upload has stopped: the printer has sent nothing for 5 seconds.\n"},
    };
    ::setenv("VELLUMIO_UPLOAD_STALL_MS", "300", 1);  // the stall without its five seconds
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        StartPrinter(c.printer);
        if (c.printer.front() == "--stall-upload") {
            ASSERT_EQ(RunOnPrinter({"download", "4", logo}).exitCode, 0);
        }
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--read-timeout", "300"});
        const CliRun run = RunOnPrinter(args, std::chrono::seconds(10));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.ends_with(c.message)) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(File("stalled.bmp")));
}

}  // namespace

namespace {

using NetworkPrinterCli = PrinterCliTest;

// The printer on TCP, by IPv4 and IPv6, takes every command as on a line.
TEST_F(NetworkPrinterCli, EveryCommandOverTcp)
{
    for (const std::string listen : {"127.0.0.1:0", "[::1]:0"}) {
        SCOPED_TRACE(listen);
        StartTcpPrinter(listen);
        const CliRun sent = RunOnPrinter({"download", "5", WriteLogo(16, 16)});
        EXPECT_EQ(sent.exitCode, 0) << sent.err;
        EXPECT_EQ(RunOnPrinter({"upload", "5", File("uploaded.bmp")}).exitCode, 0);
        EXPECT_EQ(ReadDots(File("uploaded.bmp")), FramedDots(16, 16));
        EXPECT_EQ(RunOnPrinter({"print", "5"}).exitCode, 0);
        EXPECT_TRUE(WaitForPaper("logo-5-1.pbm").starts_with("P4\n16 16\n"));
        EXPECT_EQ(RunOnPrinter({"memory", "--protocol-level", "1"}).out,
                  "total: 1280 KB\nlogo: 512 KB\nremaining: 524252 bytes\n");
        EXPECT_EQ(RunOnPrinter({"erase"}).exitCode, 0);
    }
    // HOST:PORT names the same printer.
    const std::string bare = Port().substr(std::string("tcp://").size());
    EXPECT_EQ(Run({"memory", "--port", bare}).exitCode, 0);
}

TEST_F(NetworkPrinterCli, APeerThatHangsUpOrIsNotThereIsReported)
{
    StartTcpPrinter("127.0.0.1:0", {"--hangup-after", "2000"});
    const CliRun cut = RunOnPrinter({"download", "0", WriteLogo(576, 576), "--read-timeout", "1000"});
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_TRUE(cut.err.ends_with("There is communication failure and the download has been stopped\n")) << cut.err;

    // The printer has gone: nothing listens at its port any more.
    const std::string gone = Port();
    m_printer.reset();
    const CliRun refused = Run({"erase", "--port", gone});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "Communication broken (" + gone.substr(6) + ")\nConnection refused\n");
}

}  // namespace
