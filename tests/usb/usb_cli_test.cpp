#include "cli/cli_test_support.h"
#include "usb_test_support.h"

namespace {

// vellumio-cli in a child process: it inherits umockdev's preload and the
// testbed's location, so its libusb sees the fake printer and its usbfs
// calls come to this process's handler.
class UsbCli : public CliTest {
protected:
    CliRun RunOnUsb(std::vector<std::string> args)
    {
        args.insert(args.end(), {"--port", "USB", "--read-timeout", "500"});
        return Run(args, std::chrono::seconds(10));
    }

    UsbTestbed m_testbed;
};

// Without a printer the command ends with the message that says so. The
// kernel driver is switched away only when --switch-driver answers the
// question, and given back at exit; the logo reaches the printer in between.
TEST_F(UsbCli, TheKernelDriverIsTakenOverOnlyWhenAskedAndGivenBackAtExit)
{
    const CliRun none = RunOnUsb({"erase"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.ends_with("Your printer has not been found by the system. Please verify that your printer "
                                   "is well connected and powered on.\nCommunication broken (USB)\n"))
        << none.err;

    FakeUsbPrinter printer(m_testbed, {.usblpBound = true});
    const CliRun declined = RunOnUsb({"memory"});
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_NE(declined.err.find("switch from \"usblp\""), std::string::npos) << declined.err;
    EXPECT_EQ(printer.State().driver, "usblp");

    const CliRun switched = RunOnUsb({"download", "5", WriteFramedBmp(File("logo.bmp"), 16, 16), "--switch-driver"});
    EXPECT_EQ(switched.exitCode, 0) << switched.err;
    EXPECT_EQ(printer.Slot(5).value_or(std::vector<std::uint8_t>{}).size(), 36u);
    // The download needed the port claimed, so the driver came back at exit.
    EXPECT_EQ(printer.State().driver, "usblp");
}

}  // namespace
