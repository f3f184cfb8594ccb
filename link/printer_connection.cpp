#include "printer_connection.h"

#include "network_printer.h"

#include <string_view>

namespace {

constexpr std::int32_t kDataBits = 8;
constexpr std::string_view kUsbPortName = "USB";
constexpr std::string_view kOwnUsbDriverPath = "/USB Driver/quorix.inf";

constexpr std::string_view kPrinterNotFound =
    "Your printer has not been found by the system. Please verify that your printer is well connected and powered on.";
constexpr std::string_view kAskDriverSwitch =
    "Your printer is well connected,but Vellumio needs to switch from \"%s\"  to \"Quorix USB Driver\".\n"
    "You will able to switch back to \"%s\" at the end of the session.\n"
    "Do you want to continue ?";
constexpr std::string_view kSwitchDriverYourself =
    "Your printer is well connected,but Vellumio needs to switch from \"%s\"  to \"Quorix USB Driver\".\n"
    "You can do that with the Device manager in the control panel";

// Every "%s" of the text becomes the value; the value itself is not scanned,
// so a driver name holding "%s" stays as it is.
std::string WithValue(std::string_view text, const std::string& value)
{
    std::string result;
    std::size_t from = 0;
    for (std::size_t at = text.find("%s"); at != std::string_view::npos; at = text.find("%s", from)) {
        result.append(text.substr(from, at - from));
        result.append(value);
        from = at + 2;
    }
    result.append(text.substr(from));
    return result;
}

void StopPleaseWait(const ConnectionHooks& hooks)
{
    if (hooks.StopPleaseWait)
        hooks.StopPleaseWait();
}

MessageAnswer ShowMessage(const ConnectionHooks& hooks, const std::string& text, MessageKind kind)
{
    if (!hooks.ShowMessage)
        return MessageAnswer::Cancel;
    return hooks.ShowMessage(text, kind);
}

// Steps 5 to 7: the port name when the printer is ready to be opened on USB.
std::optional<std::string> PrepareUsb(ICommunication& communication, ConnectionContext& context)
{
    const ConnectionHooks& hooks = context.m_hooks;
    const UsbPrinterInfo usb = communication.FindUsbPrinter();
    if (!usb.found) {
        StopPleaseWait(hooks);
        ShowMessage(hooks, std::string(kPrinterNotFound), MessageKind::Information);
        return std::nullopt;
    }
    if (usb.driverName.empty())
        return std::string(kUsbPortName);

    StopPleaseWait(hooks);
    context.m_strFormerUsbDriver = usb.driverName;
    if (!hooks.CanSwitchUsbDriver || !hooks.CanSwitchUsbDriver()) {
        ShowMessage(hooks, WithValue(kSwitchDriverYourself, usb.driverName), MessageKind::Information);
        return std::nullopt;
    }
    if (ShowMessage(hooks, WithValue(kAskDriverSwitch, usb.driverName), MessageKind::Question) != MessageAnswer::Ok) {
        context.m_strFormerUsbDriver.clear();
        return std::nullopt;
    }
    if (communication.SwitchUsbDriver(OwnUsbDriverFile(context.m_strProgramFolder)) != 0)
        return std::nullopt;
    return std::string(kUsbPortName);
}

void Connect(ICommunication& communication, const CommSettings& settings, ConnectionContext& context)
{
    if (communication.IsOpen())
        communication.Close();

    ApplyLineSettings(communication, settings);

    std::optional<std::string> portName;
    if (settings.m_nInterface == kInterfaceUsb)
        portName = PrepareUsb(communication, context);
    else if (settings.m_nInterface == kInterfaceNetwork)
        portName = NetworkPortNameOf(settings);
    else
        portName = PortName(settings.m_nInterface, settings.m_nPort);
    if (portName)
        communication.Open(*portName);
}

}  // namespace

std::optional<std::string> PortName(std::int32_t interfaceKind, std::int32_t port)
{
    // Widened so that the largest stored port still counts up without overflow.
    const std::string number = std::to_string(static_cast<std::int64_t>(port) + 1);
    switch (interfaceKind) {
    case kInterfaceSerial:
        return "COM" + number;
    case kInterfaceParallel:
        return "LPT" + number;
    default:
        return std::nullopt;
    }
}

std::optional<std::string> NetworkPortNameOf(const CommSettings& settings)
{
    if (settings.m_strNetworkHost.empty() || settings.m_nNetworkPort < 1 || settings.m_nNetworkPort > 65535)
        return std::nullopt;
    return NetworkPortName({settings.m_strNetworkHost, static_cast<std::uint16_t>(settings.m_nNetworkPort)});
}

std::string OwnUsbDriverFile(const std::string& programFolder)
{
    return programFolder + std::string(kOwnUsbDriverPath);
}

void ApplyLineSettings(ICommunication& communication, const CommSettings& settings)
{
    communication.put_BaudRate(settings.m_nBaudRate);
    communication.put_DataBits(kDataBits);
    communication.put_Parity(settings.m_nParity);
    communication.put_StopBits(settings.m_nStopBits);
    communication.put_FlowControl(settings.m_nFlowControl);
    communication.SetTimeouts(settings.m_nReadTimeout, settings.m_nWriteTimeout);
}

void ConnectPrinter(ICommunication* communication, const CommSettings& settings, ConnectionContext& context)
{
    if (communication)
        Connect(*communication, settings, context);
    if (context.m_hooks.UpdateStatusText)
        context.m_hooks.UpdateStatusText();
}
