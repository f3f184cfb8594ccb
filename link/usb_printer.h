#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "communication.h"
#include "port_device.h"

// Environment variable naming, in hex, the vendor whose printer is preferred
// when several printers are attached.
inline constexpr const char* kUsbVendorVariable = "VELLUMIO_USB_VENDOR";

class UsbContext;

// The printers on USB, reached through libusb. Our own driver is libusb
// holding the printer interface; a kernel driver bound to it (usblp) is the
// other driver that has to be switched away first.
class UsbPrinters {
public:
    UsbPrinters();
    ~UsbPrinters();
    UsbPrinters(const UsbPrinters&) = delete;
    UsbPrinters& operator=(const UsbPrinters&) = delete;

    UsbPrinterInfo Find();
    // Our own driver for an installation file (or no name), otherwise the
    // named kernel driver. 0 on success, else a libusb error code.
    std::int32_t SwitchDriver(const std::string& driver);
    // Claims the printer interface; null when there is no printer or it is
    // held by another driver.
    std::unique_ptr<IPortDevice> Open();

private:
    std::shared_ptr<UsbContext> m_context;  // null when libusb could not start
};

// One bulk transfer on `endpoint` as libusb_bulk_transfer makes it: a libusb
// status, with the bytes moved in `moved`, waiting at most `timeout`.
using UsbBulkTransfer =
    std::function<int(std::uint8_t endpoint, std::span<std::uint8_t> data, int& moved, std::chrono::milliseconds timeout)>;
// The printer port over `transfer`, as Open makes it for a claimed printer;
// tests give it a transfer of their own.
std::unique_ptr<IPortDevice> MakeUsbPrinterPort(UsbBulkTransfer transfer, std::uint8_t bulkOut, std::uint8_t bulkIn);

// Whether this system lets a program take a device from its kernel driver.
bool UsbDriverSwitchSupported();
// A driver argument that names our own driver: empty, or an installation
// file (".inf").
bool IsOwnDriverFile(const std::string& driver);
// The interface's name under /sys/bus/usb/devices, "<bus>-<ports>:<config>.<interface>".
std::string UsbInterfaceSysfsName(int bus, std::span<const std::uint8_t> ports, int configuration, int interfaceNumber);
// A vendor id written in hex, with or without "0x".
std::optional<std::uint16_t> ParseVendorId(const char* text);
