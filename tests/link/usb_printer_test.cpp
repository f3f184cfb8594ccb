#include <gtest/gtest.h>

#include <array>

#include "communication_component.h"
#include "usb_printer.h"

namespace {

TEST(UsbDriverNames, InstallationFilesNameOurOwnDriver)
{
    EXPECT_TRUE(IsOwnDriverFile(R"(C:\Program Files\Vellumio\USB Driver\quorix.inf)"));
    EXPECT_TRUE(IsOwnDriverFile("/opt/vellumio/USB Driver/QUORIX.INF"));
    EXPECT_TRUE(IsOwnDriverFile(""));
    EXPECT_FALSE(IsOwnDriverFile("usblp"));
    EXPECT_FALSE(IsOwnDriverFile("kernel driver"));
    EXPECT_FALSE(IsOwnDriverFile("inf"));
}

TEST(UsbDriverNames, SysfsInterfaceName)
{
    const std::array<std::uint8_t, 2> hubThenPort{1, 4};
    EXPECT_EQ(UsbInterfaceSysfsName(3, hubThenPort, 1, 0), "3-1.4:1.0");
    const std::array<std::uint8_t, 1> rootPort{2};
    EXPECT_EQ(UsbInterfaceSysfsName(1, rootPort, 2, 1), "1-2:2.1");
}

TEST(UsbDriverNames, VendorIdsAreHex)
{
    EXPECT_EQ(ParseVendorId("0x04b8"), 0x04B8);
    EXPECT_EQ(ParseVendorId("1D90"), 0x1D90);
    EXPECT_FALSE(ParseVendorId(nullptr));
    EXPECT_FALSE(ParseVendorId(""));
    EXPECT_FALSE(ParseVendorId("0x"));
    EXPECT_FALSE(ParseVendorId("12345"));
    EXPECT_FALSE(ParseVendorId("04b8 "));
}

TEST(UsbPrinter, AbsentPrinterIsReportedWithoutOpeningAnything)
{
    auto comm = MakeCommunicationComponent();
    const UsbPrinterInfo info = comm->FindUsbPrinter();
    if (info.found)
        GTEST_SKIP() << "a USB printer is attached";
    EXPECT_TRUE(info.driverName.empty());
    EXPECT_NE(comm->SwitchUsbDriver("usblp"), 0);
    EXPECT_NE(comm->SwitchUsbDriver("quorix.inf"), 0);
    comm->Open("USB");
    EXPECT_FALSE(comm->IsOpen());
}

TEST(UsbPrinter, LinuxCanSwitchDrivers) { EXPECT_TRUE(CanSwitchUsbDriver()); }

}  // namespace
