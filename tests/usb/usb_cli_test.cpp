#include <cstdio>
#include <cstdlib>
#include <numeric>

#include "cli/cli_test_support.h"
#include "usb_test_support.h"

namespace {

using Ioctls = std::vector<std::string>;

constexpr std::string_view kLevelZero = "total: unknown\nlogo: unknown\nremaining: 524288 bytes\n";

// vellumio-cli in a child process: it inherits umockdev's preload and the
// testbed's location, so its libusb sees the fake printer and its usbfs
// calls come to this process's handler. Settings live in the test's folder.
class UsbCli : public CliTest {
protected:
    void SetUp() override
    {
        ::setenv("XDG_CONFIG_HOME", File("config").c_str(), 1);
        ::setenv("HOME", m_scratch.c_str(), 1);
    }
    CliRun RunOnUsb(std::vector<std::string> args)
    {
        args.insert(args.end(), {"--port", "USB", "--read-timeout", "500"});
        return Run(args, std::chrono::seconds(10));
    }

    UsbTestbed m_testbed;
};

TEST_F(UsbCli, MemoryAndDownloadReachTheUsbPrinter)
{
    FakeUsbPrinter printer(m_testbed);
    const CliRun memory = RunOnUsb({"memory"});
    EXPECT_EQ(memory.exitCode, 0) << memory.err;
    EXPECT_EQ(memory.out, kLevelZero);

    const CliRun sent = RunOnUsb({"download", "5", WriteFramedBmp(File("logo.bmp"), 16, 16)});
    EXPECT_EQ(sent.exitCode, 0) << sent.err;
    // The checksum printed is the one of the image the printer stored.
    const auto stored = printer.Slot(5).value_or(std::vector<std::uint8_t>{});
    ASSERT_EQ(stored.size(), 36u);
    char checksum[5];
    std::snprintf(checksum, sizeof checksum, "%04X",
                  static_cast<std::uint16_t>(-std::accumulate(stored.begin(), stored.end(), 0u)));
    EXPECT_EQ(sent.out, "slot: 5\nwidth: 16\nheight: 16\nbytes: 36\nchecksum: " + std::string(checksum) + "\n");
    EXPECT_NE(sent.err.find("download: 100%"), std::string::npos) << sent.err;
    // Each run claimed the interface and let it go again.
    const FakeUsbPrinter::Seen seen = printer.State();
    EXPECT_EQ(std::count(seen.ioctls.begin(), seen.ioctls.end(), "CLAIMINTERFACE 0"), 2);
    EXPECT_EQ(std::count(seen.ioctls.begin(), seen.ioctls.end(), "RELEASEINTERFACE 0"), 2);
    EXPECT_EQ(seen.driver, "");
}

// --switch-driver answers the question; without it nothing is switched.
TEST_F(UsbCli, TheKernelDriverIsTakenOverOnlyWhenAskedAndGivenBackAtExit)
{
    FakeUsbPrinter printer(m_testbed, {.usblpBound = true});
    const CliRun declined = RunOnUsb({"memory"});
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_NE(declined.err.find("switch from \"usblp\""), std::string::npos) << declined.err;
    EXPECT_EQ(printer.State().ioctls, (Ioctls{"GET_CAPABILITIES", "GETDRIVER 0"}));

    const CliRun switched = RunOnUsb({"memory", "--switch-driver"});
    EXPECT_EQ(switched.exitCode, 0) << switched.err;
    EXPECT_EQ(switched.out, kLevelZero);
    const Ioctls seen = printer.State().ioctls;
    EXPECT_EQ(Ioctls(seen.begin() + 2, seen.end()), (Ioctls{
                                                       "GET_CAPABILITIES", "GETDRIVER 0",                 // find
                                                       "GET_CAPABILITIES", "GETDRIVER 0", "GETDRIVER 0",  // switch
                                                       "DISCONNECT 0",
                                                       "GET_CAPABILITIES", "CLAIMINTERFACE 0",            // open
                                                       "RELEASEINTERFACE 0",                              // close
                                                       "GET_CAPABILITIES", "GETDRIVER 0", "CONNECT 0",    // exit
                                                   }));
    EXPECT_EQ(printer.State().driver, "usblp");
}

TEST_F(UsbCli, EveryFaultEndsTheCommandWithItsMessage)
{
    const struct {
        std::optional<FakePrinterFaults> printer;  // none: no printer at all
        std::vector<std::string> args;
        std::string_view message;
    } rows[] = {
        {std::nullopt, {"erase"},
         "Your printer has not been found by the system. Please verify that your printer is well connected and "
         "powered on.\nCommunication broken (USB)\n"},
        {FakePrinterFaults{.vanishAfterOutBytes = 2000}, {"download", "0", WriteFramedBmp(File("big.bmp"), 576, 576)},
         "There is communication failure and the download has been stopped\n"},
        {FakePrinterFaults{.silent = true}, {"memory", "--protocol-level", "1"},
         "The command has not been sent, there is communication failure.\n"},
    };
    int port = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args[0]);
        // A port and node of its own for each printer, as umockdev keeps a node's handler.
        ++port;
        std::optional<FakeUsbPrinter> printer;
        if (row.printer)
            printer.emplace(m_testbed, *row.printer, 0x1209, "1-" + std::to_string(port), 10 + port);
        const CliRun run = RunOnUsb(row.args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.ends_with(row.message)) << run.err;
    }
}

}  // namespace
