#include <cstdio>
#include <cstdlib>
#include <numeric>

#include "cli/cli_test_support.h"
#include "fake_usb_printer.h"

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
        ::setenv("VELLUMIO_UPLOAD_STALL_MS", "300", 1);
        m_testbed.AddStorageStick("1-9", 7);
    }
    void TearDown() override { ::unsetenv("VELLUMIO_UPLOAD_STALL_MS"); }

    FakeUsbPrinter& AddPrinter(FakePrinterFaults faults = {})
    {
        m_printer = std::make_unique<FakeUsbPrinter>(m_testbed, faults);
        return *m_printer;
    }
    CliRun RunOnUsb(std::vector<std::string> args)
    {
        args.insert(args.end(), {"--port", "USB", "--read-timeout", "500"});
        return Run(args, std::chrono::seconds(10));
    }

    UsbTestbed m_testbed;
    std::unique_ptr<FakeUsbPrinter> m_printer;
};

TEST_F(UsbCli, MemoryAndDownloadReachTheUsbPrinter)
{
    FakeUsbPrinter& printer = AddPrinter();
    const CliRun memory = RunOnUsb({"memory"});
    EXPECT_EQ(memory.exitCode, 0) << memory.err;
    EXPECT_EQ(memory.out, kLevelZero);
    EXPECT_EQ(RunOnUsb({"memory", "--protocol-level", "1"}).out,
              "total: 1280 KB\nlogo: 512 KB\nremaining: 524288 bytes\n");

    const std::string logo = WriteFramedBmp(File("logo.bmp"), 16, 16);
    const CliRun sent = RunOnUsb({"download", "5", logo});
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
    const Ioctls seen = printer.Ioctls();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "CLAIMINTERFACE 0"), 3);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "RELEASEINTERFACE 0"), 3);
    EXPECT_EQ(printer.Driver(), "");
}

// --switch-driver answers the question; without it nothing is switched.
TEST_F(UsbCli, TheKernelDriverIsTakenOverOnlyWhenAskedAndGivenBackAtExit)
{
    FakeUsbPrinter& printer = AddPrinter({.usblpBound = true});
    const CliRun declined = RunOnUsb({"memory"});
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_NE(declined.err.find("switch from \"usblp\""), std::string::npos) << declined.err;
    EXPECT_EQ(printer.Ioctls(), (Ioctls{"GET_CAPABILITIES", "GETDRIVER 0"}));

    const CliRun switched = RunOnUsb({"memory", "--switch-driver"});
    EXPECT_EQ(switched.exitCode, 0) << switched.err;
    EXPECT_EQ(switched.out, kLevelZero);
    const Ioctls seen = printer.Ioctls();
    const Ioctls tail(seen.begin() + 2, seen.end());
    EXPECT_EQ(tail, (Ioctls{
                        "GET_CAPABILITIES", "GETDRIVER 0",                 // find
                        "GET_CAPABILITIES", "GETDRIVER 0", "GETDRIVER 0",  // switch
                        "DISCONNECT 0",
                        "GET_CAPABILITIES", "CLAIMINTERFACE 0",            // open
                        "RELEASEINTERFACE 0",                              // close
                        "GET_CAPABILITIES", "GETDRIVER 0", "CONNECT 0",    // exit
                    }));
    EXPECT_EQ(printer.Driver(), "usblp");
}

TEST_F(UsbCli, EveryFaultEndsTheCommandWithItsMessage)
{
    EXPECT_EQ(RunOnUsb({"erase"}).err,
              "Your printer has not been found by the system. Please verify that your printer is well connected and "
              "powered on.\nCommunication broken (USB)\n");
    {
        FakeUsbPrinter& printer = AddPrinter({.vanishAfterOutBytes = 2000});
        const CliRun cut = RunOnUsb({"download", "0", WriteFramedBmp(File("big.bmp"), 576, 576)});
        EXPECT_EQ(cut.exitCode, 1);
        EXPECT_TRUE(cut.err.ends_with("There is communication failure and the download has been stopped\n"))
            << cut.err;
        EXPECT_TRUE(printer.Vanished());
    }
    m_printer.reset();
    FakeUsbPrinter silent(m_testbed, {.silent = true}, 0x1209, "1-2", 6);
    const CliRun unanswered = RunOnUsb({"memory", "--protocol-level", "1"});
    EXPECT_EQ(unanswered.exitCode, 1);
    EXPECT_TRUE(unanswered.err.ends_with("The command has not been sent, there is communication failure.\n"))
        << unanswered.err;
}

}  // namespace
