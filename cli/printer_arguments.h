#pragma once

#include "arguments.h"

#include "comm_settings.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// How a printer command reaches the printer. What is left out comes from the
// settings store the desktop program keeps, which the command line never
// writes.
struct ConnectionOptions {
    // A device path; a port that the settings can name (COMn, LPTn, USB) is
    // laid over the stored interface and port instead.
    std::optional<std::string> devicePath;
    std::optional<std::int32_t> interfaceKind;
    std::optional<std::int32_t> port;
    std::optional<std::int32_t> baudRate;
    std::optional<std::int32_t> parity;
    std::optional<std::int32_t> stopBits;
    std::optional<std::int32_t> flowControl;
    std::optional<std::int32_t> protocolLevel;
    std::optional<std::int32_t> readTimeout;
    std::optional<std::int32_t> writeTimeout;
    bool switchDriver = false;

    // The stored settings with these options laid over them.
    CommSettings Over(CommSettings stored) const;
};

inline constexpr std::string_view kPortOption = "--port";
inline constexpr std::string_view kBaudOption = "--baud";
inline constexpr std::string_view kParityOption = "--parity";
inline constexpr std::string_view kStopBitsOption = "--stop-bits";
inline constexpr std::string_view kFlowOption = "--flow";
inline constexpr std::string_view kProtocolLevelOption = "--protocol-level";
inline constexpr std::string_view kReadTimeoutOption = "--read-timeout";
inline constexpr std::string_view kWriteTimeoutOption = "--write-timeout";
inline constexpr std::string_view kSwitchDriverFlag = "--switch-driver";

inline constexpr std::string_view kConnectionHelp =
    "Connection options (each defaults to the settings the desktop program keeps):\n"
    "  --port P            a device path such as /dev/ttyUSB0; COMn or LPTn, the n-th\n"
    "                      serial or parallel port that \"vellumio-cli ports\" lists;\n"
    "                      USB; or a network printer as tcp://HOST[:PORT] (port\n"
    "                      9100 when left out; an IPv6 address in brackets) or\n"
    "                      HOST:PORT\n"
    "  --baud N            115200, 57600, 38400, 19200, 9600 or 4800\n"
    "  --parity P          none, odd or even\n"
    "  --stop-bits S       1 or 2\n"
    "  --flow F            dtr-dsr, dsr, cts or xon-xoff. XON/XOFF takes the bytes 11\n"
    "                      and 13 out of the data and so spoils logo data: choose\n"
    "                      dtr-dsr or cts\n"
    "  --protocol-level N  0 for printers that cannot tell their total and logo\n"
    "                      memory; any other number for those that can\n"
    "  --read-timeout MS   how long to wait for the printer's answer\n"
    "  --write-timeout MS  how long to wait for the line to take more bytes\n"
    "  --switch-driver     when the USB printer is served by another driver, take it\n"
    "                      over (and give it back at exit) instead of giving up\n";

// Parses a printer command's arguments: the connection options plus the
// command's own `valueOptions`.
ParsedArguments ParsePrinterArguments(std::span<const std::string> args,
                                      std::initializer_list<std::string_view> valueOptions = {});

ConnectionOptions ParseConnectionOptions(const ParsedArguments& parsed);

// A logo slot number, 0 to 255.
std::uint8_t ParseSlot(std::string_view text);
