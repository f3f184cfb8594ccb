#include <cstdlib>

#include "usb_printer.h"
#include "usb_test_support.h"

namespace {

using UsbFinding = UsbTest;

// The testbed's root hub beside the printer is passed over; with the printer
// gone only it is left and nothing is found.
TEST_F(UsbFinding, ThePrinterIsFoundByItsInterfaceClassAndNothingElseIs)
{
    {
        auto comm = MakeCommunicationComponent();
        EXPECT_FALSE(comm->FindUsbPrinter().found);
        comm->Open("USB");
        EXPECT_FALSE(comm->IsOpen());
        EXPECT_NE(UsbPrinters().SwitchDriver(""), 0);
    }
    FakeUsbPrinter printer(m_testbed);
    const UsbPrinterInfo found = MakeCommunicationComponent()->FindUsbPrinter();
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.driverName, "");
    // Finding claims nothing.
    EXPECT_EQ(printer.State().driver, "");
}

// Of two printers the one of the vendor named in the environment is taken,
// whichever libusb lists first. The bound one sits behind a hub, so its
// interface is "1-3.4:1.0" in sysfs; its driver is named from the device or,
// when its node cannot be opened, from sysfs.
TEST_F(UsbFinding, ThePreferredVendorWinsAndItsBoundDriverIsNamed)
{
    m_testbed.AddDevice("1-3", 11, usb_fake::BulkDescriptors(0x1D6B, 9));
    FakeUsbPrinter bound(m_testbed, {.usblpBound = true}, 0x0FE6, "1-3.4", 12);
    FakeUsbPrinter plain(m_testbed, {}, 0x1209, "1-7", 9);
    for (const auto& [vendor, driver] : {std::pair{"0x0fe6", "usblp"}, std::pair{"1209", ""}}) {
        ::setenv(kUsbVendorVariable, vendor, 1);
        EXPECT_EQ(MakeCommunicationComponent()->FindUsbPrinter().driverName, driver) << vendor;
    }
    // A name that is no vendor id prefers none, and a printer is still found.
    ::setenv(kUsbVendorVariable, "0xfe6g", 1);
    EXPECT_TRUE(MakeCommunicationComponent()->FindUsbPrinter().found);

    ::setenv(kUsbVendorVariable, "0FE6", 1);
    bound.RemoveNode();
    const UsbPrinterInfo unopened = MakeCommunicationComponent()->FindUsbPrinter();
    ::unsetenv(kUsbVendorVariable);
    EXPECT_TRUE(unopened.found);
    EXPECT_EQ(unopened.driverName, "usblp");
}

using UsbDriverSwitch = UsbTest;

// The component's own calls. A switch to the driver in charge touches
// nothing, where the kernel would refuse; the port cannot be claimed from the
// kernel driver.
TEST_F(UsbDriverSwitch, SwitchingToTheDriverInChargeTouchesNothingAndABoundPortDoesNotOpen)
{
    FakeUsbPrinter printer(m_testbed, {.usblpBound = true});
    auto comm = MakeCommunicationComponent();
    EXPECT_EQ(comm->SwitchUsbDriver("usblp"), 0);
    comm->Open("USB");
    EXPECT_FALSE(comm->IsOpen());
    EXPECT_EQ(printer.State().driver, "usblp");
    EXPECT_EQ(comm->SwitchUsbDriver("QUORIX.INF"), 0);
    EXPECT_EQ(printer.State().driver, "");
    EXPECT_EQ(comm->SwitchUsbDriver(""), 0);
    EXPECT_EQ(printer.State().driver, "");
}

}  // namespace
