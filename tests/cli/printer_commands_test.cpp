#include "cli_test_support.h"
#include "comm_settings.h"
#include "printer_process.h"

#include <QSettings>

#include <cstdlib>
#include <memory>

namespace {

constexpr std::string_view kLevelZero = "total: unknown\nlogo: unknown\nremaining: 524288 bytes\n";
constexpr std::string_view kLevelOne = "total: 1280 KB\nlogo: 512 KB\nremaining: 524288 bytes\n";

// The printer commands are tried against a virtual printer of their own, and
// no ports added from outside are listed, so that no run reaches a real port.
class PrinterCli : public CliTest {
protected:
    void SetUp() override
    {
        ::unsetenv("VELLUMIO_SERIAL_PORTS");
        ::unsetenv("VELLUMIO_PARALLEL_PORTS");
        ::unsetenv("VELLUMIO_UPLOAD_STALL_MS");
    }

    // The virtual printer with `options`, on a terminal or on TCP at `listen` ("127.0.0.1:0").
    void StartPrinter(const std::vector<std::string>& options = {}, const std::string& listen = "")
    {
        m_printer =
            listen.empty() ? std::make_unique<PrinterProcess>(options) : PrinterProcess::OverTcp(listen, options);
        ASSERT_TRUE(m_printer->Started()) << m_printer->Error();
    }

    CliRun RunOnPrinter(std::vector<std::string> args)
    {
        args.insert(args.end(), {"--port", m_printer->PortName()});
        return Run(args);
    }

    // A printed page once it is out; empty if none comes. A page appears
    // whole, by a rename, and each change in the folder wakes the wait.
    std::string WaitForPaper(const std::string& name)
    {
        const std::filesystem::path page = m_printer->PaperFolder() / name;
        WaitForPath(page, std::chrono::seconds(3));
        return ReadWholeFile(page);
    }

    std::unique_ptr<PrinterProcess> m_printer;
};

// Every command on a terminal and over TCP, by IPv4 and IPv6, in the first and
// last slots; upload replies cut into one-byte pieces or running on past the
// bitmap give the bitmap. The logo sent is what "convert" writes as LOGO for
// the same options, and it comes back whole.
TEST_F(PrinterCli, EveryCommandOnATerminalAndOverTcp)
{
    const std::vector<std::string> geometry{"--width", "16", "--height", "16", "--offset-x", "2", "--offset-y", "-2"};
    const std::string picture = WriteFramedBmp(File("in.bmp"), 20, 12);
    const std::string expected = File("expected.log");
    std::vector<std::string> convert{"convert", picture, expected, "--type", "LOGO"};
    convert.insert(convert.end(), geometry.begin(), geometry.end());
    ASSERT_EQ(Run(convert).exitCode, 0);

    const struct {
        std::string listen;
        std::string slot;
        std::vector<std::string> printer;
    } cases[] = {
        {"", "0", {"--byte-by-byte"}},
        {"", "255", {"--overlong-upload"}},
        {"127.0.0.1:0", "7", {}},
        {"[::1]:0", "5", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.listen + " " + c.slot);
        StartPrinter(c.printer, c.listen);
        EXPECT_EQ(RunOnPrinter({"upload", c.slot, File("none.bmp")}).err, "There is not logo at this location\n");
        std::vector<std::string> download{"download", c.slot, picture};
        download.insert(download.end(), geometry.begin(), geometry.end());
        const CliRun sent = RunOnPrinter(download);
        EXPECT_EQ(sent.exitCode, 0) << sent.err;
        // 0 minus the sum of the 36 bytes of the logo.
        EXPECT_EQ(sent.out, "slot: " + c.slot + "\nwidth: 16\nheight: 16\nbytes: 36\nchecksum: FBBC\n");
        EXPECT_NE(sent.err.find("download: 100%"), std::string::npos) << sent.err;

        const CliRun upload = RunOnPrinter({"upload", c.slot, File("uploaded.bmp")});
        EXPECT_EQ(upload.exitCode, 0) << upload.err;
        EXPECT_EQ(upload.out, "width: 16\nheight: 16\n");
        EXPECT_EQ(ReadDots(File("uploaded.bmp")), ReadDots(expected));
        EXPECT_EQ(RunOnPrinter({"print", c.slot, "--size", "3"}).exitCode, 0);
        EXPECT_TRUE(WaitForPaper("logo-" + c.slot + "-1.pbm").starts_with("P4\n32 32\n"));
        EXPECT_EQ(RunOnPrinter({"print", c.slot}).exitCode, 0);
        EXPECT_TRUE(WaitForPaper("logo-" + c.slot + "-2.pbm").starts_with("P4\n16 16\n"));
        EXPECT_EQ(RunOnPrinter({"memory", "--protocol-level", "1"}).out,
                  "total: 1280 KB\nlogo: 512 KB\nremaining: 524252 bytes\n");
        EXPECT_EQ(RunOnPrinter({"erase"}).exitCode, 0);
        EXPECT_EQ(RunOnPrinter({"upload", c.slot, File("none.bmp")}).err, "There is not logo at this location\n");
    }
    EXPECT_FALSE(std::filesystem::exists(File("none.bmp")));
}

// Without the protocol level the sizes go up to 1024, with it to the
// printer's total of 1280 KB.
TEST_F(PrinterCli, MemoryFiguresAndTheSizesOffered)
{
    StartPrinter();
    EXPECT_NE(RunOnPrinter({"set-memory", "100"}).err.find("KB must be one of 0, 64,"), std::string::npos);
    EXPECT_EQ(RunOnPrinter({"set-memory", "1088"}).exitCode, 2);
    EXPECT_EQ(RunOnPrinter({"set-memory", "1344", "--protocol-level", "1"}).exitCode, 2);
    const CliRun set = RunOnPrinter({"set-memory", "1280", "--protocol-level", "1"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out, "total: 1280 KB\nlogo: 1280 KB\nremaining: 1310720 bytes\n");

    // At level 0 the printer itself may still refuse; the figures follow all the same.
    StartPrinter({"--total-memory", "512"});
    const CliRun refused = RunOnPrinter({"set-memory", "768"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "The command has been sent, but the printer has returned one error.\n");
    EXPECT_EQ(refused.out, kLevelZero);
}

// "ports" lists an added device by name; that name reaches the printer both
// as --port and as the stored port, and the command line overrides the store.
TEST_F(PrinterCli, ListedNameReachesThePrinterAsThePortOptionAndAsTheStoredPort)
{
    StartPrinter();
    ::setenv("VELLUMIO_SERIAL_PORTS", m_printer->PortName().c_str(), 1);
    const std::string ports = Run({"ports"}).out;
    // The machine's own serial ports come first, so the name is read, not assumed.
    const std::size_t listed = ports.find("  " + m_printer->PortName() + "\n");
    ASSERT_NE(listed, std::string::npos) << ports;
    const std::size_t lineStart = ports.rfind('\n', listed) + 1;  // 0 on the first line
    const std::string name = ports.substr(lineStart, listed - lineStart);
    ASSERT_TRUE(name.starts_with("COM")) << name;
    EXPECT_EQ(Run({"memory", "--port", name}).out, kLevelZero);

    // Stored where the desktop program keeps them ("QUORIX"/"Vellumio").
    QSettings store(QString::fromStdString(File("config/QUORIX/Vellumio.conf")), QSettings::IniFormat);
    CommSettings stored;
    stored.m_nPort = std::stoi(name.substr(3)) - 1;
    stored.m_nVersion = 1;
    stored.SaveSettings(store);
    store.sync();
    ASSERT_EQ(store.status(), QSettings::NoError);
    EXPECT_EQ(Run({"memory"}).out, kLevelOne);
    EXPECT_EQ(Run({"memory", "--protocol-level", "0"}).out, kLevelZero);
}

// Each fault ends the command with its message and exit status 1, never a hang.
TEST_F(PrinterCli, EveryFaultEndsTheCommandWithItsMessage)
{
    const std::string logo = WriteFramedBmp(File("logo.bmp"), 16, 16);
    const struct {
        std::vector<std::string> printer;
        std::vector<std::string> args;
        std::string_view message;
    } cases[] = {
        {{"--hangup-after", "2000"}, {"download", "0", WriteFramedBmp(File("big.bmp"), 576, 576)},  // of 41476 bytes
         "There is communication failure and the download has been stopped\n"},
        {{"--wrong-checksum"}, {"download", "9", logo},
         "The logo has been downloaded but the checksum returned from printer is wrong\n"},
        {{"--no-answer"}, {"download", "0", logo}, "The command has not been sent, there is communication failure.\n"},
        {{"--no-answer"}, {"upload", "0", File("out.bmp")}, "The printer has not answered the upload request.\n"},
        {{"--no-answer"}, {"erase"}, "The printer has not acknowledged the erase command.\n"},
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
        const CliRun run = RunOnPrinter(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.ends_with(c.message)) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(File("stalled.bmp")));

    // Nothing listens any more where the printer was; HOST:PORT names it as tcp://HOST:PORT does.
    StartPrinter({}, "127.0.0.1:0");
    const std::string gone = m_printer->PortName().substr(std::string("tcp://").size());
    m_printer.reset();
    const CliRun refused = Run({"erase", "--port", gone});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "Communication broken (" + gone + ")\nConnection refused\n");
}

}  // namespace
