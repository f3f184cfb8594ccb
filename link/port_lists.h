#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Environment variables that add ports to the system's lists, each a
// colon-separated list of device paths; their entries follow the system's.
inline constexpr const char* kSerialPortsVariable = "VELLUMIO_SERIAL_PORTS";
inline constexpr const char* kParallelPortsVariable = "VELLUMIO_PARALLEL_PORTS";

// The serial devices (ttyS with a UART behind it, ttyUSB, ttyACM, Bluetooth
// rfcomm) in natural order, then the paths of VELLUMIO_SERIAL_PORTS.
std::vector<std::string> ListSerialPorts();
// /dev/lp* and /dev/usb/lp* in natural order, then VELLUMIO_PARALLEL_PORTS.
std::vector<std::string> ListParallelPorts();
// Whether a device path names a parallel port rather than a serial line.
bool IsParallelPortPath(const std::string& path);

// The entries of `dir` named by one of the prefixes followed by a number,
// as full paths in natural order.
std::vector<std::string> ScanDevices(const std::filesystem::path& dir, std::span<const std::string_view> prefixes);
// "ttyS2" before "ttyS10": digit runs compare by their value.
bool NaturalLess(std::string_view left, std::string_view right);
// The non-empty entries of a colon-separated list; null gives none.
std::vector<std::string> SplitPathList(const char* list);
