#include "usb_printer.h"

#include <libusb.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <vector>

#include "text_case.h"
#include "wake_event.h"

namespace {

using namespace std::chrono_literals;

const std::filesystem::path kSysfsUsbDevices = "/sys/bus/usb/devices";
constexpr std::string_view kOwnDriverExtension = ".inf";
// What the kernel calls the binding that libusb makes when it claims an
// interface: that is our own driver, not another one.
constexpr std::string_view kLibusbKernelBinding = "usbfs";
constexpr const char* kUnnamedKernelDriver = "kernel driver";

// Transfers are cut into slices this long so that an interrupt or time-out
// is noticed in between.
constexpr auto kTransferSlice = 50ms;
constexpr std::size_t kWriteChunk = 16384;
constexpr std::size_t kReadBuffer = 4096;

struct DeviceUnref {
    void operator()(libusb_device* device) const { libusb_unref_device(device); }
};
using DeviceRef = std::unique_ptr<libusb_device, DeviceUnref>;

struct HandleClose {
    void operator()(libusb_device_handle* handle) const { libusb_close(handle); }
};
using HandleRef = std::unique_ptr<libusb_device_handle, HandleClose>;

struct ConfigFree {
    void operator()(libusb_config_descriptor* config) const { libusb_free_config_descriptor(config); }
};
using ConfigRef = std::unique_ptr<libusb_config_descriptor, ConfigFree>;

struct PrinterInterface {
    DeviceRef device;
    std::uint16_t vendor = 0;
    int configuration = 0;
    int interfaceNumber = 0;
    int alternateSetting = 0;
    std::uint8_t bulkOut = 0;
    std::uint8_t bulkIn = 0;  // 0 when the printer has no back channel
};

ConfigRef ConfigurationOf(libusb_device* device)
{
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != 0 &&
        libusb_get_config_descriptor(device, 0, &config) != 0)
        return nullptr;
    return ConfigRef(config);
}

std::optional<PrinterInterface> PrinterInterfaceOf(libusb_device* device, std::uint16_t vendor)
{
    const ConfigRef config = ConfigurationOf(device);
    if (!config)
        return std::nullopt;
    for (const auto& usbInterface : std::span(config->interface, config->bNumInterfaces)) {
        for (const auto& setting : std::span(usbInterface.altsetting, static_cast<std::size_t>(usbInterface.num_altsetting))) {
            if (setting.bInterfaceClass != LIBUSB_CLASS_PRINTER)
                continue;
            PrinterInterface found;
            found.vendor = vendor;
            found.configuration = config->bConfigurationValue;
            found.interfaceNumber = setting.bInterfaceNumber;
            found.alternateSetting = setting.bAlternateSetting;
            for (const auto& endpoint : std::span(setting.endpoint, setting.bNumEndpoints)) {
                if ((endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK)
                    continue;
                if (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) {
                    if (!found.bulkIn)
                        found.bulkIn = endpoint.bEndpointAddress;
                } else if (!found.bulkOut) {
                    found.bulkOut = endpoint.bEndpointAddress;
                }
            }
            if (found.bulkOut)
                return found;
        }
    }
    return std::nullopt;
}

std::optional<std::string> SysfsDriverName(libusb_device* device, const PrinterInterface& printer)
{
    std::array<std::uint8_t, 7> ports{};  // USB allows at most seven tiers
    const int depth = libusb_get_port_numbers(device, ports.data(), static_cast<int>(ports.size()));
    if (depth < 0)
        return std::nullopt;
    const auto name = UsbInterfaceSysfsName(libusb_get_bus_number(device),
                                            std::span(ports).first(static_cast<std::size_t>(depth)),
                                            printer.configuration, printer.interfaceNumber);
    std::error_code error;
    const auto driver = std::filesystem::read_symlink(kSysfsUsbDevices / name / "driver", error);
    if (error)
        return std::nullopt;
    return driver.filename().string();
}

}  // namespace

class UsbContext {
public:
    static std::shared_ptr<UsbContext> Create()
    {
        libusb_context* context = nullptr;
        if (libusb_init(&context) != 0)
            return nullptr;
        return std::shared_ptr<UsbContext>(new UsbContext(context));
    }
    ~UsbContext() { libusb_exit(m_context); }
    UsbContext(const UsbContext&) = delete;
    UsbContext& operator=(const UsbContext&) = delete;

    // The first printer, or the first of the preferred vendor when there is one.
    std::optional<PrinterInterface> Locate() const
    {
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(m_context, &list);
        if (count < 0)
            return std::nullopt;
        const auto preferred = ParseVendorId(std::getenv(kUsbVendorVariable));
        std::optional<PrinterInterface> chosen;
        for (libusb_device* device : std::span(list, static_cast<std::size_t>(count))) {
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(device, &descriptor) != 0)
                continue;
            auto printer = PrinterInterfaceOf(device, descriptor.idVendor);
            if (!printer)
                continue;
            const bool isPreferred = preferred && descriptor.idVendor == *preferred;
            if (chosen && !isPreferred)
                continue;
            printer->device = DeviceRef(libusb_ref_device(device));
            chosen = std::move(printer);
            if (isPreferred)
                break;
        }
        libusb_free_device_list(list, 1);
        return chosen;
    }

private:
    explicit UsbContext(libusb_context* context) : m_context(context) {}

    libusb_context* m_context;
};

namespace {

// The claimed printer interface, released when the last transfer function
// holding it goes.
class ClaimedInterface {
public:
    ClaimedInterface(std::shared_ptr<UsbContext> context, HandleRef handle, int interfaceNumber)
        : m_context(std::move(context)), m_handle(std::move(handle)), m_interface(interfaceNumber)
    {
    }
    ~ClaimedInterface() { libusb_release_interface(m_handle.get(), m_interface); }
    ClaimedInterface(const ClaimedInterface&) = delete;
    ClaimedInterface& operator=(const ClaimedInterface&) = delete;

    int Transfer(std::uint8_t endpoint, std::span<std::uint8_t> data, int& moved, std::chrono::milliseconds timeout)
    {
        return libusb_bulk_transfer(m_handle.get(), endpoint, data.data(), static_cast<int>(data.size()), &moved,
                                    static_cast<unsigned>(timeout.count()));
    }

private:
    std::shared_ptr<UsbContext> m_context;  // outlives the handle
    HandleRef m_handle;
    int m_interface;
};

// The printer interface as a port.
class UsbPrinterPort final : public IPortDevice {
public:
    UsbPrinterPort(UsbBulkTransfer transfer, std::uint8_t bulkOut, std::uint8_t bulkIn)
        : m_transfer(std::move(transfer)), m_bulkOut(bulkOut), m_bulkIn(bulkIn)
    {
    }
    ~UsbPrinterPort() override { Close(); }

    IoResult Write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds stallTimeout,
                   const WakeEvent* interrupt) override
    {
        IoResult result;
        if (!m_transfer)
            return {IoStatus::Failed, 0};
        auto deadline = std::chrono::steady_clock::now() + stallTimeout;
        while (result.count < bytes.size()) {
            if (interrupt && interrupt->IsSet())
                return {IoStatus::Interrupted, result.count};
            const auto chunk = bytes.subspan(result.count, std::min(kWriteChunk, bytes.size() - result.count));
            // libusb takes a mutable buffer even for OUT transfers.
            m_writeBuffer.assign(chunk.begin(), chunk.end());
            int sent = 0;
            const int status = m_transfer(m_bulkOut, m_writeBuffer, sent, kTransferSlice);
            if (sent > 0) {
                result.count += static_cast<std::size_t>(sent);
                deadline = std::chrono::steady_clock::now() + stallTimeout;
            }
            if (status != 0 && status != LIBUSB_ERROR_TIMEOUT)
                return {IoStatus::Failed, result.count};
            if (sent <= 0 && std::chrono::steady_clock::now() >= deadline)
                return {IoStatus::TimedOut, result.count};
        }
        return result;
    }

    IoResult Read(std::span<std::uint8_t> bytes, std::chrono::milliseconds timeout,
                  const WakeEvent* interrupt) override
    {
        if (!m_transfer || !m_bulkIn || bytes.empty())
            return {IoStatus::Failed, 0};
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (const std::size_t count = TakePending(bytes))
                return {IoStatus::Ok, count};
            if (interrupt && interrupt->IsSet())
                return {IoStatus::Interrupted, 0};
            // A whole buffer of packets, so that the device can never send
            // more than there is room for. Only the reading thread uses it,
            // so the transfer runs without the lock that DiscardInput takes.
            m_readBuffer.resize(kReadBuffer);
            int got = 0;
            const int status = m_transfer(m_bulkIn, m_readBuffer, got, kTransferSlice);
            if (got > 0) {
                std::lock_guard lock(m_inputMutex);
                m_pending.insert(m_pending.end(), m_readBuffer.begin(), m_readBuffer.begin() + got);
            } else if (status != 0 && status != LIBUSB_ERROR_TIMEOUT) {
                return {IoStatus::Failed, 0};
            } else if (std::chrono::steady_clock::now() >= deadline) {
                return {IoStatus::TimedOut, 0};
            }
        }
    }

    // A bulk transfer ends when the printer has taken the bytes.
    IoStatus Drain(std::chrono::milliseconds, const WakeEvent*) override { return IoStatus::Ok; }
    bool CanRead() const override { return m_transfer && m_bulkIn; }

    void DiscardInput() override
    {
        std::lock_guard lock(m_inputMutex);
        m_pending.clear();
    }

    // Letting the transfer go releases the interface.
    void Close() override { m_transfer = nullptr; }

private:
    std::size_t TakePending(std::span<std::uint8_t> bytes)
    {
        std::lock_guard lock(m_inputMutex);
        const std::size_t count = std::min(bytes.size(), m_pending.size());
        std::copy_n(m_pending.begin(), count, bytes.begin());
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(count));
        return count;
    }

    UsbBulkTransfer m_transfer;
    std::uint8_t m_bulkOut;
    std::uint8_t m_bulkIn;
    std::vector<std::uint8_t> m_writeBuffer;
    std::mutex m_inputMutex;
    std::vector<std::uint8_t> m_readBuffer;
    std::vector<std::uint8_t> m_pending;  // read from the printer, not yet handed out
};

HandleRef OpenHandle(const PrinterInterface& printer, int& error)
{
    libusb_device_handle* handle = nullptr;
    error = libusb_open(printer.device.get(), &handle);
    return HandleRef(error == 0 ? handle : nullptr);
}

}  // namespace

UsbPrinters::UsbPrinters() : m_context(UsbContext::Create()) {}

UsbPrinters::~UsbPrinters() = default;

UsbPrinterInfo UsbPrinters::Find()
{
    if (!m_context)
        return {};
    const auto printer = m_context->Locate();
    if (!printer)
        return {};
    UsbPrinterInfo info;
    info.found = true;
    int error = 0;
    if (const HandleRef handle = OpenHandle(*printer, error)) {
        const int active = libusb_kernel_driver_active(handle.get(), printer->interfaceNumber);
        if (active == 0)
            return info;
        if (active == 1) {
            info.driverName = SysfsDriverName(printer->device.get(), *printer).value_or(kUnnamedKernelDriver);
            return info;
        }
    }
    // Without access to the device, sysfs still tells which driver is bound.
    const auto bound = SysfsDriverName(printer->device.get(), *printer);
    if (bound && *bound != kLibusbKernelBinding)
        info.driverName = *bound;
    return info;
}

std::int32_t UsbPrinters::SwitchDriver(const std::string& driver)
{
    if (!m_context)
        return LIBUSB_ERROR_NOT_SUPPORTED;
    const auto printer = m_context->Locate();
    if (!printer)
        return LIBUSB_ERROR_NO_DEVICE;
    int error = 0;
    const HandleRef handle = OpenHandle(*printer, error);
    if (!handle)
        return error;
    const int active = libusb_kernel_driver_active(handle.get(), printer->interfaceNumber);
    if (IsOwnDriverFile(driver))
        return active == 0 ? 0 : libusb_detach_kernel_driver(handle.get(), printer->interfaceNumber);
    return active == 1 ? 0 : libusb_attach_kernel_driver(handle.get(), printer->interfaceNumber);
}

std::unique_ptr<IPortDevice> UsbPrinters::Open()
{
    if (!m_context)
        return nullptr;
    const auto printer = m_context->Locate();
    if (!printer)
        return nullptr;
    int error = 0;
    HandleRef handle = OpenHandle(*printer, error);
    if (!handle || libusb_claim_interface(handle.get(), printer->interfaceNumber) != 0)
        return nullptr;
    if (printer->alternateSetting != 0 &&
        libusb_set_interface_alt_setting(handle.get(), printer->interfaceNumber, printer->alternateSetting) != 0) {
        libusb_release_interface(handle.get(), printer->interfaceNumber);
        return nullptr;
    }
    auto claimed = std::make_shared<ClaimedInterface>(m_context, std::move(handle), printer->interfaceNumber);
    return MakeUsbPrinterPort(
        [claimed](std::uint8_t endpoint, std::span<std::uint8_t> data, int& moved, std::chrono::milliseconds timeout) {
            return claimed->Transfer(endpoint, data, moved, timeout);
        },
        printer->bulkOut, printer->bulkIn);
}

std::unique_ptr<IPortDevice> MakeUsbPrinterPort(UsbBulkTransfer transfer, std::uint8_t bulkOut, std::uint8_t bulkIn)
{
    return std::make_unique<UsbPrinterPort>(std::move(transfer), bulkOut, bulkIn);
}

bool UsbDriverSwitchSupported() { return libusb_has_capability(LIBUSB_CAP_SUPPORTS_DETACH_KERNEL_DRIVER) != 0; }

bool IsOwnDriverFile(const std::string& driver)
{
    const std::string_view name(driver);
    const std::size_t suffix = kOwnDriverExtension.size();
    return name.empty() ||
           (name.size() >= suffix && EqualsIgnoringCase(name.substr(name.size() - suffix), kOwnDriverExtension));
}

std::string UsbInterfaceSysfsName(int bus, std::span<const std::uint8_t> ports, int configuration, int interfaceNumber)
{
    std::string name = std::to_string(bus) + "-";
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (i > 0)
            name += '.';
        name += std::to_string(ports[i]);
    }
    return name + ":" + std::to_string(configuration) + "." + std::to_string(interfaceNumber);
}

std::optional<std::uint16_t> ParseVendorId(const char* text)
{
    if (!text)
        return std::nullopt;
    std::string_view digits(text);
    if (digits.starts_with("0x") || digits.starts_with("0X"))
        digits.remove_prefix(2);
    std::uint16_t vendor = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), vendor, 16);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size())
        return std::nullopt;
    return vendor;
}
