#include <cstdlib>

#include "printer_connection.h"
#include "usb_printer.h"
#include "usb_test_support.h"

namespace {

using Ioctls = std::vector<std::string>;

using UsbFinding = UsbTest;

// The memory stick and the root hub beside the printer are passed over; with
// the printer gone only they are left and nothing is found.
TEST_F(UsbFinding, ThePrinterIsFoundByItsInterfaceClassAndNothingElseIs)
{
    {
        auto comm = MakeCommunicationComponent();
        const UsbPrinterInfo none = comm->FindUsbPrinter();
        EXPECT_FALSE(none.found);
        comm->Open("USB");
        EXPECT_FALSE(comm->IsOpen());
        EXPECT_NE(UsbPrinters().SwitchDriver(""), 0);
    }
    FakeUsbPrinter& printer = AddPrinter();
    auto comm = MakeCommunicationComponent();
    const UsbPrinterInfo found = comm->FindUsbPrinter();
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.driverName, "");
    // Finding opens the device and asks for its driver, and claims nothing.
    EXPECT_EQ(printer.Ioctls(), (Ioctls{"GET_CAPABILITIES", "GETDRIVER 0"}));
}

// The printer sits behind a hub, so its interface is "1-3.4:1.0" in sysfs.
TEST_F(UsbFinding, TheBoundKernelDriverIsNamedFromTheDeviceOrFromSysfs)
{
    m_testbed.AddHub("1-3", 11);
    FakeUsbPrinter printer(m_testbed, {.usblpBound = true}, 0x1209, "1-3.4", 12);
    EXPECT_EQ(MakeCommunicationComponent()->FindUsbPrinter().driverName, "usblp");
    // A node that cannot be opened still shows the driver in sysfs.
    printer.RemoveNode();
    const UsbPrinterInfo unopened = MakeCommunicationComponent()->FindUsbPrinter();
    EXPECT_TRUE(unopened.found);
    EXPECT_EQ(unopened.driverName, "usblp");
    EXPECT_EQ(printer.Ioctls(), (Ioctls{"GET_CAPABILITIES", "GETDRIVER 0"}));
}

// Of two printers the one of the vendor named in the environment is taken,
// whichever libusb lists first.
TEST_F(UsbFinding, ThePreferredVendorWinsOverTheFirstPrinter)
{
    FakeUsbPrinter plain(m_testbed, {}, 0x1209, "1-7", 9);
    FakeUsbPrinter bound(m_testbed, {.usblpBound = true}, 0x0FE6, "1-8", 30);
    for (const auto& [vendor, driver] : {std::pair{"0x0fe6", "usblp"}, std::pair{"1209", ""}}) {
        ::setenv(kUsbVendorVariable, vendor, 1);
        EXPECT_EQ(MakeCommunicationComponent()->FindUsbPrinter().driverName, driver) << vendor;
    }
    // A name that is no vendor id prefers none, and a printer is still found.
    ::setenv(kUsbVendorVariable, "0xfe6g", 1);
    EXPECT_TRUE(MakeCommunicationComponent()->FindUsbPrinter().found);
    ::unsetenv(kUsbVendorVariable);
}

using UsbDriverSwitch = UsbTest;

// The connection's questions answered as the user would, and shut-down as
// the programs do it: back to the former driver if one was taken over.
struct SwitchRun {
    std::unique_ptr<ICommunication> comm = MakeCommunicationComponent();
    ConnectionContext context;
    std::vector<std::string> messages;

    explicit SwitchRun(MessageAnswer answer)
    {
        context.m_strProgramFolder = "/opt/vellumio";
        context.m_hooks.CanSwitchUsbDriver = [] { return CanSwitchUsbDriver(); };
        context.m_hooks.ShowMessage = [this, answer](const std::string& text, MessageKind) {
            messages.push_back(text);
            return answer;
        };
        CommSettings settings;
        settings.m_nInterface = kInterfaceUsb;
        ConnectPrinter(comm.get(), settings, context);
    }
    void ShutDown()
    {
        comm->Close();
        if (!context.m_strFormerUsbDriver.empty()) {
            EXPECT_EQ(comm->SwitchUsbDriver(context.m_strFormerUsbDriver), 0);
        }
        comm.reset();
    }
};

TEST_F(UsbDriverSwitch, AcceptedTheKernelDriverIsDetachedThePortOpensAndTheDriverComesBackAtShutDown)
{
    FakeUsbPrinter& printer = AddPrinter({.usblpBound = true});
    SwitchRun run(MessageAnswer::Ok);
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_NE(run.messages[0].find("switch from \"usblp\""), std::string::npos) << run.messages[0];
    EXPECT_TRUE(run.comm->IsOpen());
    EXPECT_EQ(printer.Driver(), "usbfs");
    EXPECT_EQ(run.context.m_strFormerUsbDriver, "usblp");
    run.ShutDown();
    EXPECT_EQ(printer.Driver(), "usblp");
    EXPECT_EQ(printer.Ioctls(), (Ioctls{
                                    "GET_CAPABILITIES", "GETDRIVER 0",                      // find
                                    "GET_CAPABILITIES", "GETDRIVER 0", "GETDRIVER 0",       // switch
                                    "DISCONNECT 0",
                                    "GET_CAPABILITIES", "CLAIMINTERFACE 0",                 // open
                                    "RELEASEINTERFACE 0",                                   // close
                                    "GET_CAPABILITIES", "GETDRIVER 0", "CONNECT 0",         // shut-down
                                }));
}

TEST_F(UsbDriverSwitch, DeclinedTheDriverStaysNothingOpensAndNothingIsAttachedAtShutDown)
{
    FakeUsbPrinter& printer = AddPrinter({.usblpBound = true});
    SwitchRun run(MessageAnswer::Cancel);
    EXPECT_EQ(run.messages.size(), 1u);
    EXPECT_FALSE(run.comm->IsOpen());
    EXPECT_EQ(run.context.m_strFormerUsbDriver, "");
    run.ShutDown();
    EXPECT_EQ(printer.Driver(), "usblp");
    EXPECT_EQ(printer.Ioctls(), (Ioctls{"GET_CAPABILITIES", "GETDRIVER 0"}));
}

// The component's own calls: the switch to a driver already in charge
// changes nothing, and the port cannot be claimed from the kernel driver.
TEST_F(UsbDriverSwitch, SwitchingToTheDriverInChargeTouchesNothingAndABoundPortDoesNotOpen)
{
    FakeUsbPrinter& printer = AddPrinter({.usblpBound = true});
    auto comm = MakeCommunicationComponent();
    EXPECT_EQ(comm->SwitchUsbDriver("usblp"), 0);
    comm->Open("USB");
    EXPECT_FALSE(comm->IsOpen());
    EXPECT_EQ(printer.Driver(), "usblp");
    EXPECT_EQ(comm->SwitchUsbDriver("QUORIX.INF"), 0);
    EXPECT_EQ(printer.Driver(), "");
    EXPECT_EQ(comm->SwitchUsbDriver(""), 0);
    EXPECT_EQ(printer.Ioctls(), (Ioctls{
                                    "GET_CAPABILITIES", "GETDRIVER 0",                 // to usblp: in charge
                                    "GET_CAPABILITIES", "CLAIMINTERFACE 0",            // refused: EBUSY
                                    "GET_CAPABILITIES", "GETDRIVER 0", "GETDRIVER 0",  // to ours
                                    "DISCONNECT 0",
                                    "GET_CAPABILITIES", "GETDRIVER 0",                 // ours already
                                }));
}

}  // namespace
