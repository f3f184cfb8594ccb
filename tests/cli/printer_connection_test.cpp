#include "printer_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace {

class PrinterConnection : public PrinterCliTest {
protected:
    // The name "ports" gives the virtual printer's terminal once it is listed
    // through VELLUMIO_SERIAL_PORTS; empty when it is missing.
    std::string ListedName()
    {
        ::setenv("VELLUMIO_SERIAL_PORTS", Port().c_str(), 1);
        const CliRun ports = Run({"ports"});
        EXPECT_EQ(ports.exitCode, 0) << ports.err;
        std::istringstream lines(ports.out);
        for (std::string line; std::getline(lines, line);) {
            if (line.ends_with("  " + Port()))
                return line.substr(0, line.find(' '));
        }
        ADD_FAILURE() << Port() << " is not listed:\n" << ports.out;
        return {};
    }
};

TEST_F(PrinterConnection, PortsListsTheAddedDevicesByTheirNamesAndTheUsbPrinter)
{
    StartPrinter();
    const std::string parallel = m_scratch.File("lp-stand-in");
    ::setenv("VELLUMIO_PARALLEL_PORTS", parallel.c_str(), 1);
    const std::string name = ListedName();
    EXPECT_TRUE(name.starts_with("COM")) << name;

    const CliRun ports = Run({"ports"});
    EXPECT_NE(ports.out.find("  " + parallel + "\n"), std::string::npos) << ports.out;
    EXPECT_NE(ports.out.find("LPT"), std::string::npos) << ports.out;
    EXPECT_NE(ports.out.find("\nUSB   "), std::string::npos) << ports.out;
}

TEST_F(PrinterConnection, ListedNameReachesThePrinterAsThePortOptionAndAsTheStoredPort)
{
    StartPrinter();
    const std::string name = ListedName();
    ASSERT_TRUE(name.starts_with("COM")) << name;

    const CliRun byName = Run({"memory", "--port", name});
    EXPECT_EQ(byName.exitCode, 0) << byName.err;
    EXPECT_EQ(byName.out, "total: unknown\nlogo: unknown\nremaining: 524288 bytes\n");

    CommSettings stored;
    stored.m_nPort = std::stoi(name.substr(3)) - 1;
    stored.m_nVersion = 1;
    StoreSettings(stored);
    const CliRun byStore = Run({"memory"});
    EXPECT_EQ(byStore.exitCode, 0) << byStore.err;
    EXPECT_EQ(byStore.out, "total: 1280 KB\nlogo: 512 KB\nremaining: 524288 bytes\n");
    // The command line overrides the store and leaves it as it was.
    EXPECT_EQ(Run({"memory", "--protocol-level", "0"}).out, "total: unknown\nlogo: unknown\nremaining: 524288 bytes\n");
    EXPECT_EQ(Run({"memory"}).out, byStore.out);
}

TEST_F(PrinterConnection, PortThatCannotBeOpenedIsReportedAsBroken)
{
    const std::string missing = m_scratch.File("no-such-device");
    const CliRun run = Run({"erase", "--port", missing});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Communication broken (" + missing + ")\n");

    // Past the end of the list of serial ports, which is empty of our own.
    const CliRun unlisted = Run({"erase", "--port", "COM999"});
    EXPECT_EQ(unlisted.exitCode, 1);
    EXPECT_EQ(unlisted.err, "Communication broken (COM999)\n");
}

TEST_F(PrinterConnection, BadArgumentsAreRefusedBeforeAnyPortIsOpened)
{
    const std::string picture = m_scratch.File("logo.bmp");
    WritePictureFile(PT_BITMAP, picture, 8, 8, PatternDots(8, 8));
    const std::string missing = m_scratch.File("no-such-device");
    const struct {
        std::vector<std::string> args;
        std::string reason;
    } cases[] = {
        {{"download", "256", picture}, "SLOT must be a whole number from 0 to 255"},
        {{"download", "0"}, "download takes exactly a SLOT and a FILE"},
        {{"download", "0", picture, "--width", "1001"}, "--width must be a whole number from 0 to 1000"},
        {{"upload", "first", "out.bmp"}, "SLOT must be a whole number from 0 to 255"},
        {{"print", "1", "--size", "4"}, "--size must be a whole number from 0 to 3"},
        {{"erase", "--baud", "1200"}, "--baud must be one of 115200, 57600, 38400, 19200, 9600, 4800"},
        {{"erase", "--parity", "mark"}, "--parity must be one of NONE, ODD, EVEN"},
        {{"erase", "--flow", "rts"}, "--flow must be one of DTR/DSR, DSR, CTS, XON/XOFF"},
        {{"erase", "--port", "printer"}, "--port must be a device path, COMn, LPTn or USB"},
        {{"erase", "--port", "COM0"}, "the number of --port must be a whole number from 1"},
        {{"erase", "--read-timeout", "0"}, "--read-timeout must be a whole number from 1"},
        {{"memory", "--switch-driver", "--switch-driver"}, "--switch-driver given more than once"},
        {{"set-memory"}, "set-memory takes exactly one size KB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.reason);
        // Were the arguments taken, the run would end at the missing port.
        std::vector<std::string> args = c.args;
        if (std::find(args.begin(), args.end(), "--port") == args.end()) {
            args.push_back("--port");
            args.push_back(missing);
        }
        const CliRun run = Run(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("usage: vellumio-cli " + c.args.front()), std::string::npos) << run.err;
    }
}

}  // namespace
