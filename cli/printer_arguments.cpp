#include "printer_arguments.h"

#include "cli_command.h"
#include "network_printer.h"
#include "printer_commands.h"
#include "text_case.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <vector>

namespace {

constexpr std::array kConnectionOptions{kPortOption,          kBaudOption,        kParityOption,
                                        kStopBitsOption,      kFlowOption,        kProtocolLevelOption,
                                        kReadTimeoutOption,   kWriteTimeoutOption};
constexpr std::array kConnectionFlags{kSwitchDriverFlag};

constexpr std::string_view kSerialPrefix = "COM";
constexpr std::string_view kParallelPrefix = "LPT";
constexpr std::string_view kUsbName = "USB";

constexpr std::uint32_t kLargestInt32 = std::numeric_limits<std::int32_t>::max();

// The stored port position for "COMn" or "LPTn", which count from 1.
std::optional<std::int32_t> PortPosition(std::string_view text, std::string_view prefix)
{
    if (text.size() <= prefix.size() || !EqualsIgnoringCase(text.substr(0, prefix.size()), prefix))
        return std::nullopt;
    const std::string_view digits = text.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return static_cast<std::int32_t>(ParseUnsignedInRange("the number of --port", digits, 1, kLargestInt32) - 1);
}

// "tcp://HOST[:PORT]", or "HOST:PORT" where no path is meant.
std::optional<NetworkAddress> NetworkAddressOf(const std::string& text)
{
    if (text.size() >= kNetworkPortPrefix.size() &&
        EqualsIgnoringCase(std::string_view(text).substr(0, kNetworkPortPrefix.size()), kNetworkPortPrefix))
        return ParseNetworkPortName(std::string(kNetworkPortPrefix) + text.substr(kNetworkPortPrefix.size()));
    if (text.find(':') != std::string::npos && text.find('/') == std::string::npos)
        return ParseNetworkPortName(std::string(kNetworkPortPrefix) + text);
    return std::nullopt;
}

void SetPort(ConnectionOptions& options, const std::string& text)
{
    if (const auto serial = PortPosition(text, kSerialPrefix)) {
        options.interfaceKind = kInterfaceSerial;
        options.port = serial;
    } else if (const auto parallel = PortPosition(text, kParallelPrefix)) {
        options.interfaceKind = kInterfaceParallel;
        options.port = parallel;
    } else if (EqualsIgnoringCase(text, kUsbName)) {
        options.interfaceKind = kInterfaceUsb;
    } else if (const auto address = NetworkAddressOf(text)) {
        options.devicePath = NetworkPortName(*address);
    } else if (text.find('/') != std::string::npos) {
        // The component takes absolute paths only.
        options.devicePath = std::filesystem::absolute(text).lexically_normal().string();
    } else {
        throw UsageError("--port must be a device path, COMn, LPTn, USB or tcp://HOST[:PORT], not \"" + text + "\"");
    }
}

std::string Names(const SettingList& list)
{
    std::string names;
    for (std::size_t i = 0; i < list.Size(); ++i)
        names += (i == 0 ? "" : ", ") + std::string(list.NameAt(i));
    return names;
}

std::int32_t ParseFromList(std::string_view option, const std::string& text,
                           std::optional<std::int32_t> (*parse)(std::string_view), const SettingList& list)
{
    const auto value = parse(text);
    if (!value)
        throw UsageError(std::string(option) + " must be one of " + Names(list) + ", not \"" + text + "\"");
    return *value;
}

std::int32_t ParseTimeout(std::string_view option, const std::string& text)
{
    return static_cast<std::int32_t>(ParseUnsignedInRange(option, text, 1, kLargestInt32));
}

}  // namespace

CommSettings ConnectionOptions::Over(CommSettings stored) const
{
    stored.m_nInterface = interfaceKind.value_or(stored.m_nInterface);
    stored.m_nPort = port.value_or(stored.m_nPort);
    stored.m_nBaudRate = baudRate.value_or(stored.m_nBaudRate);
    stored.m_nParity = parity.value_or(stored.m_nParity);
    stored.m_nStopBits = stopBits.value_or(stored.m_nStopBits);
    stored.m_nFlowControl = flowControl.value_or(stored.m_nFlowControl);
    stored.m_nVersion = protocolLevel.value_or(stored.m_nVersion);
    stored.m_nReadTimeout = readTimeout.value_or(stored.m_nReadTimeout);
    stored.m_nWriteTimeout = writeTimeout.value_or(stored.m_nWriteTimeout);
    return stored;
}

ParsedArguments ParsePrinterArguments(std::span<const std::string> args,
                                      std::initializer_list<std::string_view> valueOptions)
{
    std::vector<std::string_view> names(kConnectionOptions.begin(), kConnectionOptions.end());
    names.insert(names.end(), valueOptions.begin(), valueOptions.end());
    return ParsedArguments(args, names, kConnectionFlags);
}

ConnectionOptions ParseConnectionOptions(const ParsedArguments& parsed)
{
    ConnectionOptions options;
    if (const auto text = parsed.Value(kPortOption))
        SetPort(options, *text);
    if (const auto text = parsed.Value(kBaudOption))
        options.baudRate = ParseFromList(kBaudOption, *text, ParseBaudRate, BaudRateList());
    if (const auto text = parsed.Value(kParityOption))
        options.parity = ParseFromList(kParityOption, *text, ParseParity, ParityList());
    if (const auto text = parsed.Value(kStopBitsOption))
        options.stopBits = ParseFromList(kStopBitsOption, *text, ParseStopBits, StopBitsList());
    if (const auto text = parsed.Value(kFlowOption))
        options.flowControl = ParseFromList(kFlowOption, *text, ParseFlowControl, FlowControlList());
    if (const auto text = parsed.Value(kProtocolLevelOption))
        options.protocolLevel = ParseInt32(kProtocolLevelOption, *text);
    if (const auto text = parsed.Value(kReadTimeoutOption))
        options.readTimeout = ParseTimeout(kReadTimeoutOption, *text);
    if (const auto text = parsed.Value(kWriteTimeoutOption))
        options.writeTimeout = ParseTimeout(kWriteTimeoutOption, *text);
    options.switchDriver = parsed.Flag(kSwitchDriverFlag);
    return options;
}

std::uint8_t ParseSlot(std::string_view text)
{
    return static_cast<std::uint8_t>(ParseUnsignedInRange("SLOT", text, 0, printer::kLogoSlotCount - 1));
}
