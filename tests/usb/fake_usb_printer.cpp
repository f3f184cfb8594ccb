#include "fake_usb_printer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <span>
#include <stdexcept>

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kUsbRoot = "/devices/pci0000:00/0000:00:14.0/usb1";
constexpr const char* kKernelPrinterDriver = "usblp";
// What the kernel reports for an interface claimed through usbfs.
constexpr const char* kUsbfsDriver = "usbfs";

std::string Hex(std::span<const std::uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

std::string ThreeDigits(int number)
{
    std::string text = std::to_string(number);
    return std::string(3 - std::min<std::size_t>(3, text.size()), '0') + text;
}

// The udev record of a USB device on bus 1 with its descriptors and the
// sysfs attributes libusb reads.
std::string DeviceRecord(const std::string& path, int devnum, std::span<const std::uint8_t> descriptors)
{
    const std::string node = "bus/usb/001/" + ThreeDigits(devnum);
    return "P: " + path + "\nN: " + node + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n" +
           "E: BUSNUM=001\nE: DEVNUM=" + ThreeDigits(devnum) + "\nE: DEVNAME=/dev/" + node +
           "\nA: busnum=1\\n\nA: devnum=" + std::to_string(devnum) +
           "\\n\nA: speed=12\\n\nA: bConfigurationValue=1\\n\nH: descriptors=" + Hex(descriptors) + "\n";
}

void Add(UMockdevTestbed* testbed, const std::string& record)
{
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, record.c_str(), &error)) {
        const std::string message = error ? error->message : "unknown";
        g_clear_error(&error);
        throw std::runtime_error("umockdev: " + message);
    }
}

std::vector<std::uint8_t> PrinterDescriptors(std::uint16_t vendor)
{
    const auto lo = [](std::uint16_t v) { return static_cast<std::uint8_t>(v & 0xFF); };
    const auto hi = [](std::uint16_t v) { return static_cast<std::uint8_t>(v >> 8); };
    return {
        // device: USB 2.0, class per interface, 64-byte control packets
        0x12, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x40, lo(vendor), hi(vendor), 0x50, 0x76, 0x00, 0x01, 0x01,
        0x02, 0x03, 0x01,
        // configuration 1, one interface, 32 bytes in all
        0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, 0xC0, 0x32,
        // interface 0: printer class 7, subclass 1, bidirectional protocol 2
        0x09, 0x04, 0x00, 0x00, 0x02, 0x07, 0x01, 0x02, 0x00,
        // bulk OUT 0x01 and bulk IN 0x82, 64-byte packets
        0x07, 0x05, FakeUsbPrinter::kBulkOut, 0x02, 0x40, 0x00, 0x00,
        0x07, 0x05, FakeUsbPrinter::kBulkIn, 0x02, 0x40, 0x00, 0x00,
    };
}

// Where the kernel puts a device named "1-3" or, behind a hub, "1-3.4".
std::string DevicePath(const std::string& sysName)
{
    const std::size_t tier = sysName.rfind('.');
    if (tier == std::string::npos)
        return std::string(kUsbRoot) + "/" + sysName;
    return DevicePath(sysName.substr(0, tier)) + "/" + sysName;
}

constexpr std::uint8_t kHubDescriptors[] = {
    0x12, 0x01, 0x00, 0x02, 0x09, 0x00, 0x01, 0x40, 0x6B, 0x1D, 0x02, 0x00, 0x01, 0x06, 0x03, 0x02, 0x01, 0x01,
    0x09, 0x02, 0x19, 0x00, 0x01, 0x01, 0x00, 0xE0, 0x00,
    0x09, 0x04, 0x00, 0x00, 0x01, 0x09, 0x00, 0x00, 0x00,
    0x07, 0x05, 0x81, 0x03, 0x04, 0x00, 0x0C,
};

UMockdevIoctlData* Resolve(UMockdevIoctlData* data, std::size_t offset, std::size_t size)
{
    return umockdev_ioctl_data_resolve(data, offset, size, nullptr);
}

usbdevfs_urb* UrbOf(UMockdevIoctlData* data) { return reinterpret_cast<usbdevfs_urb*>(data->data); }

}  // namespace

UsbTestbed::UsbTestbed() : m_testbed(umockdev_testbed_new())
{
    if (!umockdev_in_mock_environment())
        throw std::runtime_error("not under umockdev-wrapper");
    // The root hub, as the parent that libusb looks up for the port path.
    Add(m_testbed, DeviceRecord(kUsbRoot, 1, kHubDescriptors));
}

UsbTestbed::~UsbTestbed() { g_object_unref(m_testbed); }

std::filesystem::path UsbTestbed::Root() const
{
    gchar* root = umockdev_testbed_get_root_dir(m_testbed);
    std::filesystem::path path(root);
    g_free(root);
    return path;
}

std::filesystem::path UsbTestbed::Sys() const
{
    gchar* sys = umockdev_testbed_get_sys_dir(m_testbed);
    std::filesystem::path path(sys);
    g_free(sys);
    return path;
}

void UsbTestbed::AddStorageStick(const std::string& sysName, int devnum)
{
    const std::vector<std::uint8_t> stick{
        0x12, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x40, 0x09, 0x12, 0x02, 0x00, 0x00, 0x01, 0x01, 0x02, 0x03, 0x01,
        0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, 0x80, 0x32,
        // mass storage class 8, SCSI, bulk-only: bulk endpoints as a printer has
        0x09, 0x04, 0x00, 0x00, 0x02, 0x08, 0x06, 0x50, 0x00,
        0x07, 0x05, 0x01, 0x02, 0x40, 0x00, 0x00,
        0x07, 0x05, 0x81, 0x02, 0x40, 0x00, 0x00,
    };
    Add(m_testbed, DeviceRecord(DevicePath(sysName), devnum, stick));
}

void UsbTestbed::AddHub(const std::string& sysName, int devnum)
{
    Add(m_testbed, DeviceRecord(DevicePath(sysName), devnum, kHubDescriptors));
}

FakeUsbPrinter::FakeUsbPrinter(UsbTestbed& testbed, FakePrinterFaults faults, std::uint16_t vendor,
                               std::string sysName, int devnum)
    : m_testbed(testbed),
      m_faults(faults),
      m_sysName(std::move(sysName)),
      m_devPath(DevicePath(m_sysName)),
      m_devNode("/dev/bus/usb/001/" + ThreeDigits(devnum)),
      m_handler(umockdev_ioctl_base_new()),
      m_driver(faults.usblpBound ? kKernelPrinterDriver : "")
{
    g_signal_connect(m_handler, "handle-ioctl", G_CALLBACK(&FakeUsbPrinter::OnIoctl), this);
    // The handler first, so that the node answers as soon as it exists.
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed.Get(), m_devNode.c_str(), m_handler, &error)) {
        const std::string message = error ? error->message : "unknown";
        g_clear_error(&error);
        throw std::runtime_error("umockdev: " + message);
    }
    Add(testbed.Get(), DeviceRecord(m_devPath, devnum, PrinterDescriptors(vendor)));
    Add(testbed.Get(), "P: " + m_devPath + "/" + m_sysName +
                           ":1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n"
                           "A: bInterfaceNumber=00\\n\nA: bInterfaceClass=07\\n\n");
    std::lock_guard lock(m_mutex);
    SetDriverLink(m_driver);
}

FakeUsbPrinter::~FakeUsbPrinter()
{
    umockdev_testbed_detach_ioctl(m_testbed.Get(), m_devNode.c_str(), nullptr);
    g_signal_handlers_disconnect_by_data(m_handler, this);
    g_object_unref(m_handler);
    if (!m_removed)
        umockdev_testbed_remove_device(m_testbed.Get(), ("/sys" + m_devPath).c_str());
    for (const Urb& urb : m_flying)
        umockdev_ioctl_data_unref(urb.data);
}

std::vector<std::string> FakeUsbPrinter::Ioctls() const
{
    std::lock_guard lock(m_mutex);
    return m_ioctls;
}

std::string FakeUsbPrinter::Driver() const
{
    std::lock_guard lock(m_mutex);
    return m_driver;
}

std::vector<std::uint8_t> FakeUsbPrinter::Received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::optional<std::vector<std::uint8_t>> FakeUsbPrinter::Slot(std::uint8_t slot) const
{
    std::lock_guard lock(m_mutex);
    return m_printer.Slot(slot);
}

std::size_t FakeUsbPrinter::Printed() const
{
    std::lock_guard lock(m_mutex);
    return m_printed;
}

std::size_t FakeUsbPrinter::InTransfers() const
{
    std::lock_guard lock(m_mutex);
    return m_inTransfers;
}

std::size_t FakeUsbPrinter::UrbsInFlight() const
{
    std::lock_guard lock(m_mutex);
    return m_flying.size();
}

bool FakeUsbPrinter::Vanished() const
{
    std::lock_guard lock(m_mutex);
    return m_vanished;
}

bool FakeUsbPrinter::WaitUntilVanished(std::chrono::milliseconds limit) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [this] { return m_vanished; });
}

void FakeUsbPrinter::Vanish()
{
    std::lock_guard lock(m_mutex);
    VanishLocked();
}

void FakeUsbPrinter::RemoveNode()
{
    std::error_code ignored;
    std::filesystem::remove(m_testbed.Root() / m_devNode.substr(1), ignored);
}

void FakeUsbPrinter::VanishLocked()
{
    m_vanished = true;
    m_changed.notify_all();
    if (m_removed)
        return;
    m_removed = true;
    // Plain file removals: umockdev's own calls are not made from its worker.
    std::error_code ignored;
    std::filesystem::remove(m_testbed.Root() / m_devNode.substr(1), ignored);
    std::filesystem::remove_all(m_testbed.Sys() / m_devPath.substr(1), ignored);
    std::filesystem::remove(m_testbed.Sys() / "bus/usb/devices" / m_sysName, ignored);
    std::filesystem::remove(m_testbed.Sys() / "bus/usb/devices" / (m_sysName + ":1.0"), ignored);
}

void FakeUsbPrinter::SetDriverLink(const std::string& driver)
{
    const auto link = m_testbed.Sys() / m_devPath.substr(1) / (m_sysName + ":1.0") / "driver";
    std::error_code ignored;
    std::filesystem::remove(link, ignored);
    if (!driver.empty())
        std::filesystem::create_directory_symlink(m_testbed.Sys() / "bus/usb/drivers" / driver, link, ignored);
}

void FakeUsbPrinter::Note(std::string name) { m_ioctls.push_back(std::move(name)); }

gboolean FakeUsbPrinter::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
{
    return static_cast<FakeUsbPrinter*>(self)->HandleIoctl(client);
}

bool FakeUsbPrinter::HandleIoctl(UMockdevIoctlClient* client)
{
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::lock_guard lock(m_mutex);
    if (m_vanished && request != USBDEVFS_REAPURBNDELAY && request != USBDEVFS_REAPURB) {
        if (request == USBDEVFS_RELEASEINTERFACE)
            Note("RELEASEINTERFACE gone");
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* caps = Resolve(arg, 0, sizeof(std::uint32_t));
        const std::uint32_t value = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                    USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
        std::memcpy(caps->data, &value, sizeof value);
        umockdev_ioctl_data_unref(caps);
        Note("GET_CAPABILITIES");
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE: {
        UMockdevIoctlData* number = Resolve(arg, 0, sizeof(unsigned int));
        unsigned int interfaceNumber = 0;
        std::memcpy(&interfaceNumber, number->data, sizeof interfaceNumber);
        umockdev_ioctl_data_unref(number);
        const bool claim = request == USBDEVFS_CLAIMINTERFACE;
        Note(std::string(claim ? "CLAIMINTERFACE " : "RELEASEINTERFACE ") + std::to_string(interfaceNumber));
        if (interfaceNumber != 0) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
        } else if (claim && !m_driver.empty() && m_driver != kUsbfsDriver) {
            // As the kernel answers while another driver is bound.
            umockdev_ioctl_client_complete(client, -1, EBUSY);
        } else {
            m_driver = claim ? kUsbfsDriver : "";
            SetDriverLink(m_driver);
            umockdev_ioctl_client_complete(client, 0, 0);
        }
        return true;
    }
    case USBDEVFS_GETDRIVER: {
        UMockdevIoctlData* data = Resolve(arg, 0, sizeof(usbdevfs_getdriver));
        auto* query = reinterpret_cast<usbdevfs_getdriver*>(data->data);
        Note("GETDRIVER " + std::to_string(query->interface));
        if (query->interface != 0 || m_driver.empty()) {
            umockdev_ioctl_client_complete(client, -1, ENODATA);
        } else {
            std::memset(query->driver, 0, sizeof query->driver);
            std::memcpy(query->driver, m_driver.data(), m_driver.size());
            umockdev_ioctl_client_complete(client, 0, 0);
        }
        umockdev_ioctl_data_unref(data);
        return true;
    }
    case USBDEVFS_IOCTL:
        UsbfsIoctl(client, arg);
        return true;
    case USBDEVFS_SUBMITURB:
        Submit(client, arg);
        return true;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        Reap(client, arg);
        return true;
    case USBDEVFS_DISCARDURB:
        Discard(client, arg);
        return true;
    default:
        Note("unexpected ioctl " + std::to_string(request));
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return true;
    }
}

// The driver switch: USBDEVFS_DISCONNECT unbinds the kernel driver,
// USBDEVFS_CONNECT lets the kernel bind its own again.
void FakeUsbPrinter::UsbfsIoctl(UMockdevIoctlClient* client, UMockdevIoctlData* arg)
{
    UMockdevIoctlData* data = Resolve(arg, 0, sizeof(usbdevfs_ioctl));
    const auto* command = reinterpret_cast<const usbdevfs_ioctl*>(data->data);
    const int interfaceNumber = command->ifno;
    const int code = command->ioctl_code;
    umockdev_ioctl_data_unref(data);
    if (code == static_cast<int>(USBDEVFS_DISCONNECT)) {
        Note("DISCONNECT " + std::to_string(interfaceNumber));
        if (interfaceNumber != 0 || m_driver.empty() || m_driver == kUsbfsDriver) {
            umockdev_ioctl_client_complete(client, -1, ENODATA);
            return;
        }
        m_driver.clear();
        SetDriverLink(m_driver);
        umockdev_ioctl_client_complete(client, 0, 0);
    } else if (code == static_cast<int>(USBDEVFS_CONNECT)) {
        Note("CONNECT " + std::to_string(interfaceNumber));
        if (m_driver == kUsbfsDriver) {
            umockdev_ioctl_client_complete(client, -1, EBUSY);
            return;
        }
        m_driver = kKernelPrinterDriver;
        SetDriverLink(m_driver);
        // The kernel answers 1 when a driver took the interface.
        umockdev_ioctl_client_complete(client, 1, 0);
    } else {
        Note("unexpected usbfs ioctl " + std::to_string(code));
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
    }
}

void FakeUsbPrinter::Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg)
{
    UMockdevIoctlData* data = Resolve(arg, 0, sizeof(usbdevfs_urb));
    usbdevfs_urb* urb = UrbOf(data);
    const bool known = urb->type == USBDEVFS_URB_TYPE_BULK && (urb->endpoint == kBulkOut || urb->endpoint == kBulkIn);
    if (!known || urb->buffer_length < 0) {
        Note("unexpected urb");
        umockdev_ioctl_data_unref(data);
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    // The buffer comes along, so that reaping can read and fill it.
    umockdev_ioctl_data_unref(Resolve(data, offsetof(usbdevfs_urb, buffer), static_cast<std::size_t>(urb->buffer_length)));
    m_flying.push_back({data, Clock::now()});
    umockdev_ioctl_client_complete(client, 0, 0);
}

void FakeUsbPrinter::Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg)
{
    const auto address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
    const auto urb = std::find_if(m_flying.begin(), m_flying.end(),
                                  [&](const Urb& flying) { return flying.data->client_addr == address; });
    if (urb == m_flying.end() || urb->discarded) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    urb->discarded = true;
    umockdev_ioctl_client_complete(client, 0, 0);
}

void FakeUsbPrinter::Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg)
{
    UMockdevIoctlData* done = TakeDone();
    if (!done) {
        // Nothing is done; after an unplug nothing ever will be.
        umockdev_ioctl_client_complete(client, -1, m_vanished ? ENODEV : EAGAIN);
        return;
    }
    UMockdevIoctlData* target = Resolve(arg, 0, sizeof(void*));
    umockdev_ioctl_data_set_ptr(target, 0, done);
    umockdev_ioctl_client_complete(client, 0, 0);
    umockdev_ioctl_data_unref(target);
    umockdev_ioctl_data_unref(done);
}

std::size_t FakeUsbPrinter::OutAcceptedBy(const Urb& urb, Clock::time_point now) const
{
    const auto length = static_cast<std::size_t>(UrbOf(urb.data)->buffer_length);
    if (m_faults.outBytesPerSecond == 0)
        return length;
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - urb.submitted).count();
    return std::min(length, static_cast<std::size_t>(elapsed) * m_faults.outBytesPerSecond / 1000000);
}

void FakeUsbPrinter::TakeOut(std::span<const std::uint8_t> bytes)
{
    m_received.insert(m_received.end(), bytes.begin(), bytes.end());
    for (const PrinterAnswer& answer : m_printer.Feed(bytes))
        if (!m_faults.silent)
            m_replies.insert(m_replies.end(), answer.bytes.begin(), answer.bytes.end());
    m_printed += m_printer.TakePrinted().size();
    m_changed.notify_all();
}

UMockdevIoctlData* FakeUsbPrinter::TakeDone()
{
    const auto now = Clock::now();
    for (auto it = m_flying.begin(); it != m_flying.end(); ++it) {
        usbdevfs_urb* urb = UrbOf(it->data);
        auto* buffer = static_cast<std::uint8_t*>(urb->buffer);
        const bool out = urb->endpoint == kBulkOut;
        const auto length = static_cast<std::size_t>(urb->buffer_length);
        bool done = true;
        urb->status = 0;
        urb->actual_length = 0;
        if (m_vanished) {
            urb->status = -ENODEV;
        } else if (m_faults.stalledEndpoint == urb->endpoint) {
            urb->status = -EPIPE;
        } else if (out) {
            std::size_t accepted = OutAcceptedBy(*it, now);
            done = it->discarded || accepted == length;
            if (m_faults.vanishAfterOutBytes && m_received.size() + accepted >= *m_faults.vanishAfterOutBytes) {
                accepted = *m_faults.vanishAfterOutBytes - std::min(m_received.size(), *m_faults.vanishAfterOutBytes);
                done = true;
            }
            if (done) {
                TakeOut(std::span(buffer, accepted));
                urb->actual_length = static_cast<int>(accepted);
                if (m_faults.vanishAfterOutBytes && m_received.size() >= *m_faults.vanishAfterOutBytes) {
                    VanishLocked();
                    urb->status = -ENODEV;
                } else if (it->discarded) {
                    urb->status = -ENOENT;
                }
            }
        } else if (!m_replies.empty()) {
            std::size_t count = std::min(length, m_replies.size());
            if (m_faults.onePacketPerTransfer)
                count = std::min(count, kMaxPacket);
            std::copy_n(m_replies.begin(), count, buffer);
            m_replies.erase(m_replies.begin(), m_replies.begin() + static_cast<std::ptrdiff_t>(count));
            urb->actual_length = static_cast<int>(count);
            ++m_inTransfers;
        } else if (it->discarded) {
            urb->status = -ENOENT;
        } else {
            done = false;
        }
        if (done) {
            UMockdevIoctlData* data = it->data;
            m_flying.erase(it);
            return data;
        }
    }
    return nullptr;
}
