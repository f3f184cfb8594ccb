#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "printer_connection.h"
#include "recording_communication.h"

namespace {

using Calls = std::vector<std::string>;

const std::string kNotFound =
    "Your printer has not been found by the system. Please verify that your printer is well connected and powered on.";
const std::string kAskSwitchFromUsblp =
    "Your printer is well connected,but Vellumio needs to switch from \"usblp\"  to \"Quorix USB Driver\".\n"
    "You will able to switch back to \"usblp\" at the end of the session.\n"
    "Do you want to continue ?";
const std::string kSwitchYourselfFromUsblp =
    "Your printer is well connected,but Vellumio needs to switch from \"usblp\"  to \"Quorix USB Driver\".\n"
    "You can do that with the Device manager in the control panel";

// The line set-up that every attempt with the default settings begins with.
const Calls kDefaultLineSetup{"IsOpen",          "put_BaudRate(115200)", "put_DataBits(8)",       "put_Parity(0)",
                              "put_StopBits(0)", "put_FlowControl(1)",   "SetTimeouts(20000,5000)"};

Calls Then(Calls calls, const Calls& more)
{
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
}

struct Message {
    std::string text;
    MessageKind kind;
};

// Records what the user interface is asked to do, in one sequence with the
// component's calls, so that their order is checked too.
class ConnectPrinterTest : public ::testing::Test {
protected:
    ConnectPrinterTest()
    {
        m_context.m_strProgramFolder = "/opt/vellumio";
        ConnectionHooks& hooks = m_context.m_hooks;
        hooks.StopPleaseWait = [this] { m_component.m_calls.push_back("StopPleaseWait"); };
        hooks.ShowMessage = [this](const std::string& text, MessageKind kind) {
            m_component.m_calls.push_back("ShowMessage");
            m_messages.push_back({text, kind});
            return m_answer;
        };
        hooks.UpdateStatusText = [this] { m_component.m_calls.push_back("UpdateStatusText"); };
        hooks.CanSwitchUsbDriver = [this] { return m_bCanSwitch; };
    }

    void Connect(ICommunication* communication) { ConnectPrinter(communication, m_settings, m_context); }

    void UseUsbPrinterUnder(const std::string& driver)
    {
        m_settings.m_nInterface = kInterfaceUsb;
        m_component.m_usb = {true, driver};
    }

    RecordingCommunication m_component;
    CommSettings m_settings;
    ConnectionContext m_context;
    std::vector<Message> m_messages;
    MessageAnswer m_answer = MessageAnswer::Ok;
    bool m_bCanSwitch = true;
};

TEST_F(ConnectPrinterTest, SerialPortZeroOpensCom1AfterTheLineParameters)
{
    Connect(&m_component);
    EXPECT_EQ(m_component.m_calls, Then(kDefaultLineSetup, {"Open(COM1)", "UpdateStatusText"}));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(ConnectPrinterTest, LineParametersComeFromTheSettings)
{
    m_settings.m_nBaudRate = 9600;
    m_settings.m_nParity = 2;
    m_settings.m_nStopBits = 2;
    m_settings.m_nFlowControl = 4;
    m_settings.m_nReadTimeout = 300;
    m_settings.m_nWriteTimeout = 400;
    m_settings.m_nPort = 9;
    Connect(&m_component);
    EXPECT_EQ(m_component.m_calls,
              (Calls{"IsOpen", "put_BaudRate(9600)", "put_DataBits(8)", "put_Parity(2)", "put_StopBits(2)",
                     "put_FlowControl(4)", "SetTimeouts(300,400)", "Open(COM10)", "UpdateStatusText"}));
}

TEST_F(ConnectPrinterTest, ParallelPortTwoStillSetsTheLineThenOpensLpt3)
{
    m_settings.m_nInterface = kInterfaceParallel;
    m_settings.m_nPort = 2;
    Connect(&m_component);
    EXPECT_EQ(m_component.m_calls, Then(kDefaultLineSetup, {"Open(LPT3)", "UpdateStatusText"}));
}

TEST_F(ConnectPrinterTest, AnOpenPortIsClosedFirst)
{
    m_component.m_bOpen = true;
    Connect(&m_component);
    ASSERT_GE(m_component.m_calls.size(), 3u);
    EXPECT_EQ(m_component.m_calls[0], "IsOpen");
    EXPECT_EQ(m_component.m_calls[1], "Close");
    EXPECT_EQ(m_component.m_calls[2], "put_BaudRate(115200)");
    EXPECT_EQ(m_component.m_calls.back(), "UpdateStatusText");
}

TEST_F(ConnectPrinterTest, UsbPrinterNotFound)
{
    m_settings.m_nInterface = kInterfaceUsb;
    m_component.m_usb = {false, ""};
    Connect(&m_component);
    EXPECT_EQ(m_component.m_calls,
              Then(kDefaultLineSetup, {"FindUsbPrinter", "StopPleaseWait", "ShowMessage", "UpdateStatusText"}));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, kNotFound);
    EXPECT_EQ(m_messages[0].kind, MessageKind::Information);
}

TEST_F(ConnectPrinterTest, UsbPrinterUnderOwnDriverOpensUsb)
{
    UseUsbPrinterUnder("");
    Connect(&m_component);
    EXPECT_EQ(m_component.m_calls, Then(kDefaultLineSetup, {"FindUsbPrinter", "Open(USB)", "UpdateStatusText"}));
    EXPECT_TRUE(m_messages.empty());
    EXPECT_TRUE(m_context.m_strFormerUsbDriver.empty());
}

TEST_F(ConnectPrinterTest, UsbSwitchAcceptedAndDoneOpensUsb)
{
    UseUsbPrinterUnder("usblp");
    Connect(&m_component);
    EXPECT_EQ(m_component.m_calls,
              Then(kDefaultLineSetup, {"FindUsbPrinter", "StopPleaseWait", "ShowMessage",
                                       "SwitchUsbDriver(/opt/vellumio/USB Driver/quorix.inf)", "Open(USB)",
                                       "UpdateStatusText"}));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, kAskSwitchFromUsblp);
    EXPECT_EQ(m_messages[0].kind, MessageKind::Question);
    EXPECT_EQ(m_context.m_strFormerUsbDriver, "usblp");
}

TEST_F(ConnectPrinterTest, UsbSwitchDeclinedForgetsTheFormerDriver)
{
    UseUsbPrinterUnder("usblp");
    m_context.m_strFormerUsbDriver = "older";
    m_answer = MessageAnswer::Cancel;
    Connect(&m_component);
    EXPECT_EQ(m_component.m_calls,
              Then(kDefaultLineSetup, {"FindUsbPrinter", "StopPleaseWait", "ShowMessage", "UpdateStatusText"}));
    EXPECT_TRUE(m_context.m_strFormerUsbDriver.empty());
}

TEST_F(ConnectPrinterTest, UsbSwitchThatFailsOpensNothingAndSaysNothingMore)
{
    UseUsbPrinterUnder("usblp");
    m_component.m_nSwitchResult = -5;
    Connect(&m_component);
    EXPECT_EQ(m_component.m_calls,
              Then(kDefaultLineSetup, {"FindUsbPrinter", "StopPleaseWait", "ShowMessage",
                                       "SwitchUsbDriver(/opt/vellumio/USB Driver/quorix.inf)", "UpdateStatusText"}));
    EXPECT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_context.m_strFormerUsbDriver, "usblp");
}

TEST_F(ConnectPrinterTest, UsbSwitchNotPossibleTellsTheUserAndKeepsTheFormerDriver)
{
    UseUsbPrinterUnder("usblp");
    m_bCanSwitch = false;
    Connect(&m_component);
    EXPECT_EQ(m_component.m_calls,
              Then(kDefaultLineSetup, {"FindUsbPrinter", "StopPleaseWait", "ShowMessage", "UpdateStatusText"}));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, kSwitchYourselfFromUsblp);
    EXPECT_EQ(m_messages[0].kind, MessageKind::Information);
    EXPECT_EQ(m_context.m_strFormerUsbDriver, "usblp");
}

TEST_F(ConnectPrinterTest, DriverNameIsInsertedLiterally)
{
    UseUsbPrinterUnder("odd %s %d name");
    m_bCanSwitch = false;
    Connect(&m_component);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text,
              "Your printer is well connected,but Vellumio needs to switch from \"odd %s %d name\"  to \"Quorix USB "
              "Driver\".\nYou can do that with the Device manager in the control panel");
}

TEST_F(ConnectPrinterTest, WithoutAComponentOnlyTheStatusIsRefreshed)
{
    Connect(nullptr);
    EXPECT_EQ(m_component.m_calls, (Calls{"UpdateStatusText"}));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(ConnectPrinterTest, UnknownInterfaceOpensNothing)
{
    m_settings.m_nInterface = 3;
    Connect(&m_component);
    EXPECT_EQ(m_component.m_calls, Then(kDefaultLineSetup, {"UpdateStatusText"}));
}

TEST_F(ConnectPrinterTest, EmptyHooksAreSkippedAndAQuestionCountsAsCancel)
{
    UseUsbPrinterUnder("usblp");
    m_context.m_hooks = {};
    m_context.m_hooks.CanSwitchUsbDriver = [] { return true; };
    Connect(&m_component);
    EXPECT_EQ(m_component.m_calls, Then(kDefaultLineSetup, {"FindUsbPrinter"}));
    EXPECT_TRUE(m_context.m_strFormerUsbDriver.empty());
}

TEST(PortNames, CountFromOne)
{
    EXPECT_EQ(PortName(kInterfaceSerial, 0), "COM1");
    EXPECT_EQ(PortName(kInterfaceParallel, 0), "LPT1");
    EXPECT_EQ(PortName(kInterfaceSerial, -1), "COM0");
    EXPECT_EQ(PortName(kInterfaceSerial, std::numeric_limits<std::int32_t>::max()), "COM2147483648");
    EXPECT_FALSE(PortName(kInterfaceUsb, 0));
    EXPECT_FALSE(PortName(-1, 0));
}

}  // namespace
