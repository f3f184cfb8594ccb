#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "printer_connection.h"
#include "recording_communication.h"

namespace {

using Calls = std::vector<std::string>;

const std::string kOwnDriverSwitch = "SwitchUsbDriver(/opt/vellumio/USB Driver/quorix.inf)";

// What the user interface is asked to do goes into the component's call list,
// so that the order of the two is checked too.
struct Attempt {
    explicit Attempt(bool canSwitch = true, MessageAnswer answer = MessageAnswer::Ok)
    {
        context.m_strProgramFolder = "/opt/vellumio";
        context.m_strFormerUsbDriver = "older";
        context.m_hooks.StopPleaseWait = [this] { component.Note("StopPleaseWait"); };
        context.m_hooks.ShowMessage = [this, answer](const std::string& text, MessageKind kind) {
            component.Note(kind == MessageKind::Question ? "Ask" : "Tell");
            messages.push_back(text);
            return answer;
        };
        context.m_hooks.UpdateStatusText = [this] { component.Note("UpdateStatusText"); };
        context.m_hooks.CanSwitchUsbDriver = [canSwitch] { return canSwitch; };
    }

    RecordingCommunication component;
    ConnectionContext context;
    std::vector<std::string> messages;
};

// The port found open is closed first, and the line is set from the settings.
TEST(ConnectPrinter, EachInterfaceAndUsbDriverCase)
{
    const Calls lineSetup{"IsOpen",        "Close",           "put_BaudRate(9600)", "put_DataBits(8)",
                          "put_Parity(2)", "put_StopBits(2)", "put_FlowControl(4)", "SetTimeouts(300,400)"};
    // The calls after the line set-up, and the text shown where the row checks it.
    const struct {
        const char* name; std::int32_t interfaceKind, port; UsbPrinterInfo printer; bool canSwitch;
        MessageAnswer answer; std::int32_t switchResult; Calls calls; std::string message, formerDriver;
    } rows[] = {
        {"serial", kInterfaceSerial, 9, {}, true, MessageAnswer::Ok, 0, {"Open(COM10)"}, "", "older"},
        {"parallel", kInterfaceParallel, 2, {}, true, MessageAnswer::Ok, 0, {"Open(LPT3)"}, "", "older"},
        {"network without a host", kInterfaceNetwork, 0, {}, true, MessageAnswer::Ok, 0, {}, "", "older"},
        {"no USB printer", kInterfaceUsb, 0, {false, ""}, true, MessageAnswer::Ok, 0,
         {"FindUsbPrinter", "StopPleaseWait", "Tell"}, "", "older"},
        {"own driver", kInterfaceUsb, 0, {true, ""}, true, MessageAnswer::Ok, 0, {"FindUsbPrinter", "Open(USB)"}, "",
         "older"},
        {"switch accepted", kInterfaceUsb, 0, {true, "usblp"}, true, MessageAnswer::Ok, 0,
         {"FindUsbPrinter", "StopPleaseWait", "Ask", kOwnDriverSwitch, "Open(USB)"},
         "Your printer is well connected,but Vellumio needs to switch from \"usblp\"  to \"Quorix USB Driver\".\n"
         "You will able to switch back to \"usblp\" at the end of the session.\nDo you want to continue ?",
         "usblp"},
        {"switch declined", kInterfaceUsb, 0, {true, "usblp"}, true, MessageAnswer::Cancel, 0,
         {"FindUsbPrinter", "StopPleaseWait", "Ask"}, "", ""},
        {"switch failed", kInterfaceUsb, 0, {true, "usblp"}, true, MessageAnswer::Ok, -5,
         {"FindUsbPrinter", "StopPleaseWait", "Ask", kOwnDriverSwitch}, "", "usblp"},
        // The driver's name is inserted as it is, not read as a format.
        {"switch impossible", kInterfaceUsb, 0, {true, "%s %d"}, false, MessageAnswer::Ok, 0,
         {"FindUsbPrinter", "StopPleaseWait", "Tell"},
         "Your printer is well connected,but Vellumio needs to switch from \"%s %d\"  to \"Quorix USB Driver\".\n"
         "You can do that with the Device manager in the control panel",
         "%s %d"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Attempt attempt(row.canSwitch, row.answer);
        attempt.component.m_usb = row.printer;
        attempt.component.m_nSwitchResult = row.switchResult;
        attempt.component.m_bOpen = true;
        ConnectPrinter(&attempt.component,
                       {.m_nInterface = row.interfaceKind, .m_nPort = row.port, .m_nBaudRate = 9600, .m_nParity = 2,
                        .m_nStopBits = 2, .m_nFlowControl = 4, .m_nReadTimeout = 300, .m_nWriteTimeout = 400},
                       attempt.context);
        Calls expected = lineSetup;
        expected.insert(expected.end(), row.calls.begin(), row.calls.end());
        expected.push_back("UpdateStatusText");
        EXPECT_EQ(attempt.component.m_calls, expected);
        if (!row.message.empty()) {
            EXPECT_EQ(attempt.messages, std::vector{row.message});
        }
        EXPECT_EQ(attempt.context.m_strFormerUsbDriver, row.formerDriver);
    }
}

TEST(ConnectPrinter, MissingComponentOrHooksAreSkipped)
{
    Attempt attempt;
    ConnectPrinter(nullptr, CommSettings{}, attempt.context);
    EXPECT_EQ(attempt.component.m_calls, Calls{"UpdateStatusText"});

    // Without a message hook the question counts as answered Cancel.
    Attempt silent;
    silent.context.m_hooks = {};
    silent.context.m_hooks.CanSwitchUsbDriver = [] { return true; };
    silent.component.m_usb = {true, "usblp"};
    ConnectPrinter(&silent.component, {.m_nInterface = kInterfaceUsb}, silent.context);
    EXPECT_EQ(silent.component.m_calls.back(), "FindUsbPrinter");
    EXPECT_TRUE(silent.context.m_strFormerUsbDriver.empty());
}

TEST(ConnectPrinter, PortNamesCountFromOneWithoutOverflow)
{
    EXPECT_EQ(PortName(kInterfaceSerial, std::numeric_limits<std::int32_t>::max()), "COM2147483648");
}

}  // namespace
