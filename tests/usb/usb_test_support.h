#pragma once

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include "link_test_support.h"
#include "virtual_printer.h"

namespace usb_fake {

inline constexpr const char* kUsbRoot = "/devices/pci0000:00/0000:00:14.0/usb1";
inline constexpr std::uint8_t kBulkOut = 0x01;
inline constexpr std::uint8_t kBulkIn = 0x82;

inline std::string NodeName(int devnum)
{
    char name[32];
    std::snprintf(name, sizeof name, "bus/usb/001/%03d", devnum);
    return name;
}

// Where the kernel puts a device named "1-3" or, behind a hub, "1-3.4".
inline std::string DevicePath(const std::string& sysName)
{
    const std::size_t tier = sysName.rfind('.');
    return (tier == std::string::npos ? std::string(kUsbRoot) : DevicePath(sysName.substr(0, tier))) + "/" + sysName;
}

// A device with one interface of `interfaceClass` and a bulk OUT and a bulk
// IN endpoint of 64-byte packets, as printers (class 7) have.
inline std::vector<std::uint8_t> BulkDescriptors(std::uint16_t vendor, std::uint8_t interfaceClass)
{
    const auto lo = static_cast<std::uint8_t>(vendor & 0xFF);
    const auto hi = static_cast<std::uint8_t>(vendor >> 8);
    return {
        // device: USB 2.0, class per interface, 64-byte control packets
        0x12, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x40, lo, hi, 0x50, 0x76, 0x00, 0x01, 0x01, 0x02, 0x03, 0x01,
        // configuration 1, one interface, 32 bytes in all
        0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, 0xC0, 0x32,
        // interface 0, subclass 1, protocol 2 (a bidirectional printer)
        0x09, 0x04, 0x00, 0x00, 0x02, interfaceClass, 0x01, 0x02, 0x00,
        0x07, 0x05, kBulkOut, 0x02, 0x40, 0x00, 0x00,
        0x07, 0x05, kBulkIn, 0x02, 0x40, 0x00, 0x00,
    };
}

// The udev record of a device on bus 1 with the sysfs attributes libusb reads.
inline std::string DeviceRecord(const std::string& path, int devnum, std::span<const std::uint8_t> descriptors)
{
    std::string hex;
    for (const std::uint8_t byte : descriptors) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    const std::string node = NodeName(devnum);
    return "P: " + path + "\nN: " + node + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n" +
           "E: BUSNUM=001\nE: DEVNUM=" + node.substr(node.size() - 3) + "\nE: DEVNAME=/dev/" + node +
           "\nA: busnum=1\\n\nA: devnum=" + std::to_string(devnum) +
           "\\n\nA: speed=12\\n\nA: bConfigurationValue=1\\n\nH: descriptors=" + hex + "\n";
}

}  // namespace usb_fake

// A sysfs and /dev tree of its own for the process and for the programs it
// starts; needs the process to run under umockdev-wrapper.
class UsbTestbed {
public:
    UsbTestbed() : m_testbed(umockdev_testbed_new())
    {
        if (!umockdev_in_mock_environment())
            throw std::runtime_error("not under umockdev-wrapper");
        // The root hub, as the parent that libusb looks up for the port path.
        // Its bulk endpoints are a hub's class (9): a printer search must pass over it.
        AddDevice("", 1, usb_fake::BulkDescriptors(0x1D6B, 9));
    }
    ~UsbTestbed() { g_object_unref(m_testbed); }
    UsbTestbed(const UsbTestbed&) = delete;
    UsbTestbed& operator=(const UsbTestbed&) = delete;

    UMockdevTestbed* Get() const { return m_testbed; }
    std::filesystem::path Root() const
    {
        gchar* root = umockdev_testbed_get_root_dir(m_testbed);
        const std::filesystem::path path(root);
        g_free(root);
        return path;
    }
    void Add(const std::string& record)
    {
        if (!umockdev_testbed_add_from_string(m_testbed, record.c_str(), nullptr))
            throw std::runtime_error("umockdev does not take " + record);
    }
    // A device on bus 1 named `sysName` ("" for the root hub).
    void AddDevice(const std::string& sysName, int devnum, std::span<const std::uint8_t> descriptors)
    {
        const std::string path = sysName.empty() ? usb_fake::kUsbRoot : usb_fake::DevicePath(sysName);
        Add(usb_fake::DeviceRecord(path, devnum, descriptors));
    }

private:
    UMockdevTestbed* m_testbed;
};

// How the fake printer misbehaves; everything off is a healthy printer.
struct FakePrinterFaults {
    bool usblpBound = false;  // the kernel's printer driver holds the interface
    bool silent = false;      // the printer never answers
    std::size_t outBytesPerSecond = 0;  // 0: the printer takes every bulk OUT at once
    // Unplugged once this many bytes are in; a transfer that brings more fails.
    std::optional<std::size_t> vanishAfterOutBytes = std::nullopt;
};

// A printer-class USB device in the testbed whose usbfs ioctls are served
// here, on umockdev's worker thread: bulk OUT bytes go to the virtual
// printer, its replies come back on bulk IN.
class FakeUsbPrinter {
public:
    // What the printer has seen so far.
    struct Seen {
        std::string driver;  // holding the interface: "usblp", "usbfs" (libusb's claim) or ""
        std::vector<std::uint8_t> received;  // every byte taken, in order
        std::size_t urbsInFlight = 0;        // submitted and not yet reaped
    };

    FakeUsbPrinter(UsbTestbed& testbed, FakePrinterFaults faults = {}, std::uint16_t vendor = 0x1209,
                   std::string sysName = "1-1", int devnum = 5)
        : m_testbed(testbed),
          m_faults(faults),
          m_sysName(std::move(sysName)),
          m_devPath(usb_fake::DevicePath(m_sysName)),
          m_devNode("/dev/" + usb_fake::NodeName(devnum)),
          m_handler(umockdev_ioctl_base_new())
    {
        g_signal_connect(m_handler, "handle-ioctl", G_CALLBACK(&FakeUsbPrinter::OnIoctl), this);
        // The handler first, so that the node answers as soon as it exists.
        if (!umockdev_testbed_attach_ioctl(testbed.Get(), m_devNode.c_str(), m_handler, nullptr))
            throw std::runtime_error("umockdev cannot serve " + m_devNode);
        testbed.Add(usb_fake::DeviceRecord(m_devPath, devnum, usb_fake::BulkDescriptors(vendor, 7)));
        testbed.Add("P: " + m_devPath + "/" + m_sysName + ":1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n" +
                    "A: bInterfaceNumber=00\\n\nA: bInterfaceClass=07\\n\n");
        std::lock_guard lock(m_mutex);
        SetDriver(faults.usblpBound ? "usblp" : "");
    }
    ~FakeUsbPrinter()
    {
        umockdev_testbed_detach_ioctl(m_testbed.Get(), m_devNode.c_str(), nullptr);
        g_signal_handlers_disconnect_by_data(m_handler, this);
        g_object_unref(m_handler);
        umockdev_testbed_remove_device(m_testbed.Get(), ("/sys" + m_devPath).c_str());
        for (const Urb& urb : m_flying)
            umockdev_ioctl_data_unref(urb.data);
    }
    FakeUsbPrinter(const FakeUsbPrinter&) = delete;
    FakeUsbPrinter& operator=(const FakeUsbPrinter&) = delete;

    Seen State() const
    {
        std::lock_guard lock(m_mutex);
        return {m_driver, m_received, m_flying.size()};
    }
    std::optional<std::vector<std::uint8_t>> Slot(std::uint8_t slot) const
    {
        std::lock_guard lock(m_mutex);
        return m_printer.Slot(slot);
    }
    // Removes the device node alone, as a node the user may not open.
    void RemoveNode()
    {
        std::error_code ignored;
        std::filesystem::remove(m_testbed.Root() / m_devNode.substr(1), ignored);
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Urb {
        UMockdevIoctlData* data;  // the submitted usbdevfs_urb, its buffer resolved
        Clock::time_point submitted;
        bool discarded = false;
    };
    // A usbfs call's return value and errno.
    struct Answer {
        int result = 0;
        int error = 0;
    };

    static UMockdevIoctlData* Resolve(UMockdevIoctlData* data, std::size_t offset, std::size_t size)
    {
        return umockdev_ioctl_data_resolve(data, offset, size, nullptr);
    }
    // The struct that the ioctl's argument points to.
    template <class T>
    static T Argument(UMockdevIoctlData* arg)
    {
        UMockdevIoctlData* data = Resolve(arg, 0, sizeof(T));
        T value;
        std::memcpy(&value, data->data, sizeof value);
        umockdev_ioctl_data_unref(data);
        return value;
    }
    static usbdevfs_urb* UrbOf(UMockdevIoctlData* data) { return reinterpret_cast<usbdevfs_urb*>(data->data); }

    static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
    {
        auto* printer = static_cast<FakeUsbPrinter*>(self);
        std::lock_guard lock(printer->m_mutex);
        const Answer answer =
            printer->Handle(umockdev_ioctl_client_get_request(client), umockdev_ioctl_client_get_arg(client));
        umockdev_ioctl_client_complete(client, answer.result, answer.error);
        return true;
    }

    Answer Handle(unsigned long request, UMockdevIoctlData* arg)
    {
        if (m_vanished && request != USBDEVFS_REAPURBNDELAY && request != USBDEVFS_REAPURB)
            return {-1, ENODEV};
        switch (request) {
        case USBDEVFS_CLAIMINTERFACE:
        case USBDEVFS_RELEASEINTERFACE: {
            const bool claim = request == USBDEVFS_CLAIMINTERFACE;
            // The kernel's answers while another driver is bound, and for an
            // interface that is not there.
            if (claim && m_driver == "usblp")
                return {-1, EBUSY};
            if (Argument<unsigned int>(arg) != 0)
                return {-1, EINVAL};
            SetDriver(claim ? "usbfs" : "");
            return {};
        }
        case USBDEVFS_GETDRIVER: {
            UMockdevIoctlData* data = Resolve(arg, 0, sizeof(usbdevfs_getdriver));
            auto* query = reinterpret_cast<usbdevfs_getdriver*>(data->data);
            const bool bound = query->interface == 0 && !m_driver.empty();
            std::memset(query->driver, 0, sizeof query->driver);
            std::memcpy(query->driver, m_driver.data(), m_driver.size());
            umockdev_ioctl_data_unref(data);
            return bound ? Answer{} : Answer{-1, ENODATA};
        }
        case USBDEVFS_IOCTL:
            return DriverSwitch(Argument<usbdevfs_ioctl>(arg));
        case USBDEVFS_SUBMITURB: {
            UMockdevIoctlData* data = Resolve(arg, 0, sizeof(usbdevfs_urb));
            // The buffer comes along, so that reaping can read and fill it.
            const auto length = static_cast<std::size_t>(UrbOf(data)->buffer_length);
            umockdev_ioctl_data_unref(Resolve(data, offsetof(usbdevfs_urb, buffer), length));
            m_flying.push_back({data, Clock::now()});
            return {};
        }
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY: {
            UMockdevIoctlData* done = TakeDone();
            // Nothing is done; after an unplug nothing ever will be.
            if (!done)
                return {-1, m_vanished ? ENODEV : EAGAIN};
            UMockdevIoctlData* target = Resolve(arg, 0, sizeof(void*));
            umockdev_ioctl_data_set_ptr(target, 0, done);
            umockdev_ioctl_data_unref(target);
            umockdev_ioctl_data_unref(done);
            return {};
        }
        case USBDEVFS_DISCARDURB: {
            const auto address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
            const auto urb = std::find_if(m_flying.begin(), m_flying.end(),
                                          [&](const Urb& flying) { return flying.data->client_addr == address; });
            if (urb == m_flying.end())
                return {-1, EINVAL};
            urb->discarded = true;
            return {};
        }
        default:
            return {-1, ENOTTY};
        }
    }

    // USBDEVFS_DISCONNECT unbinds the kernel driver, USBDEVFS_CONNECT lets the
    // kernel bind its own again; each as the kernel answers when there is
    // nothing to do.
    Answer DriverSwitch(const usbdevfs_ioctl& command)
    {
        if (command.ifno != 0)
            return {-1, EINVAL};
        if (command.ioctl_code == static_cast<int>(USBDEVFS_DISCONNECT)) {
            if (m_driver != "usblp")
                return {-1, ENODATA};
            SetDriver("");
            return {};
        }
        if (command.ioctl_code != static_cast<int>(USBDEVFS_CONNECT))
            return {-1, ENOTTY};
        if (!m_driver.empty())
            return {-1, EBUSY};
        SetDriver("usblp");
        return {1, 0};  // the kernel answers 1 when a driver took the interface
    }

    // The first URB that the host may reap now, taken from the flight list
    // and filled in; null when none is done.
    UMockdevIoctlData* TakeDone()
    {
        for (auto it = m_flying.begin(); it != m_flying.end(); ++it) {
            usbdevfs_urb* urb = UrbOf(it->data);
            const std::span buffer(static_cast<std::uint8_t*>(urb->buffer), static_cast<std::size_t>(urb->buffer_length));
            // A discarded URB is done whatever it carried.
            bool done = m_vanished || it->discarded;
            urb->status = m_vanished ? -ENODEV : it->discarded ? -ENOENT : 0;
            urb->actual_length = 0;
            if (!m_vanished && urb->endpoint == usb_fake::kBulkOut) {
                std::size_t taken = buffer.size();
                if (m_faults.outBytesPerSecond != 0) {
                    const double seconds = std::chrono::duration<double>(Clock::now() - it->submitted).count();
                    taken = std::min(taken, static_cast<std::size_t>(seconds * m_faults.outBytesPerSecond));
                }
                // Never more than this many bytes in all, unplugged once they are in.
                const std::size_t left = m_faults.vanishAfterOutBytes.value_or(SIZE_MAX) - m_received.size();
                taken = std::min(taken, left);
                done = done || taken == buffer.size() || taken == left;
                if (done) {
                    TakeOut(buffer.first(taken));
                    urb->actual_length = static_cast<int>(taken);
                }
                if (done && taken == left) {
                    // Its node goes, and every usbfs call fails from here on.
                    m_vanished = true;
                    RemoveNode();
                    if (taken < buffer.size())
                        urb->status = -ENODEV;
                }
            } else if (!m_vanished && !m_replies.empty()) {
                const std::size_t count = std::min(buffer.size(), m_replies.size());
                std::copy_n(m_replies.begin(), count, buffer.begin());
                m_replies.erase(m_replies.begin(), m_replies.begin() + static_cast<std::ptrdiff_t>(count));
                urb->actual_length = static_cast<int>(count);
                urb->status = 0;
                done = true;
            }
            if (done) {
                UMockdevIoctlData* data = it->data;
                m_flying.erase(it);
                return data;
            }
        }
        return nullptr;
    }

    void TakeOut(std::span<const std::uint8_t> bytes)
    {
        m_received.insert(m_received.end(), bytes.begin(), bytes.end());
        for (const PrinterAnswer& answer : m_printer.Feed(bytes))
            if (!m_faults.silent)
                m_replies.insert(m_replies.end(), answer.bytes.begin(), answer.bytes.end());
    }

    void SetDriver(const std::string& driver)
    {
        m_driver = driver;
        const auto link = m_testbed.Root() / "sys" / m_devPath.substr(1) / (m_sysName + ":1.0") / "driver";
        std::error_code ignored;
        std::filesystem::remove(link, ignored);
        if (!driver.empty())
            std::filesystem::create_directory_symlink(m_testbed.Root() / "sys/bus/usb/drivers" / driver, link, ignored);
    }

    UsbTestbed& m_testbed;
    const FakePrinterFaults m_faults;
    const std::string m_sysName;
    const std::string m_devPath;  // under /sys
    const std::string m_devNode;
    UMockdevIoctlBase* m_handler;

    mutable std::mutex m_mutex;
    VirtualPrinter m_printer;
    std::string m_driver;
    std::vector<std::uint8_t> m_received;
    std::deque<std::uint8_t> m_replies;
    std::vector<Urb> m_flying;
    bool m_vanished = false;
};

// A testbed per test; the component is made after the devices, as libusb
// lists them when it starts, and goes before them and its recorder.
class UsbTest : public ::testing::Test {
protected:
    // A new printer, opened on USB as ConnectPrinter opens it. umockdev keeps
    // a node's handler for the testbed's life, so each printer of a test gets
    // a port and node of its own.
    void OpenPrinter(FakePrinterFaults faults = {})
    {
        m_comm.reset();
        m_events = std::make_unique<EventRecorder>();
        ++m_printers;
        m_printer = std::make_unique<FakeUsbPrinter>(m_testbed, faults, 0x1209, "1-" + std::to_string(m_printers),
                                                     10 + m_printers);
        m_comm = MakeCommunicationComponent();
        m_comm->SetTimeouts(1000, 1000);
        m_comm->Open("USB");
        ASSERT_TRUE(m_comm->IsOpen());
        m_comm->Advise(m_events.get());
    }

    UsbTestbed m_testbed;
    std::unique_ptr<FakeUsbPrinter> m_printer;
    int m_printers = 0;
    std::unique_ptr<EventRecorder> m_events;
    std::unique_ptr<ICommunication> m_comm;
};
