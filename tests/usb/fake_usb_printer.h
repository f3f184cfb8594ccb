#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <umockdev.h>

#include "virtual_printer.h"

// A sysfs and /dev tree of its own for the process and for the programs it
// starts; needs the process to run under umockdev-wrapper.
class UsbTestbed {
public:
    UsbTestbed();
    ~UsbTestbed();
    UsbTestbed(const UsbTestbed&) = delete;
    UsbTestbed& operator=(const UsbTestbed&) = delete;

    UMockdevTestbed* Get() const { return m_testbed; }
    std::filesystem::path Root() const;
    std::filesystem::path Sys() const;
    // A USB memory stick (mass storage class, with bulk endpoints as a
    // printer has) at `sysName` on bus 1, which a printer search must pass over.
    void AddStorageStick(const std::string& sysName, int devnum);
    // An external hub, for devices named "<sysName>.<port>" behind it.
    void AddHub(const std::string& sysName, int devnum);

private:
    UMockdevTestbed* m_testbed;
};

// How the fake printer misbehaves; everything off is a healthy printer.
struct FakePrinterFaults {
    bool usblpBound = false;            // the kernel's printer driver holds the interface
    std::size_t outBytesPerSecond = 0;  // 0: the printer takes every bulk OUT at once
    bool silent = false;                // the printer never answers
    bool onePacketPerTransfer = false;  // each bulk IN transfer ends after one 64-byte packet
    std::optional<std::uint8_t> stalledEndpoint = std::nullopt;
    std::optional<std::size_t> vanishAfterOutBytes = std::nullopt;  // unplugged once this many bytes are in
};

// A printer-class USB device in the testbed whose usbfs ioctls are served
// here, on umockdev's worker thread: bulk OUT bytes go to the virtual
// printer, its replies come back on bulk IN in packets of 64 bytes at most.
class FakeUsbPrinter {
public:
    static constexpr std::uint8_t kBulkOut = 0x01;
    static constexpr std::uint8_t kBulkIn = 0x82;
    static constexpr std::size_t kMaxPacket = 64;

    FakeUsbPrinter(UsbTestbed& testbed, FakePrinterFaults faults = {}, std::uint16_t vendor = 0x1209,
                   std::string sysName = "1-1", int devnum = 5);
    ~FakeUsbPrinter();
    FakeUsbPrinter(const FakeUsbPrinter&) = delete;
    FakeUsbPrinter& operator=(const FakeUsbPrinter&) = delete;

    std::string DevNode() const { return m_devNode; }
    // The ioctls seen so far, by name with the interface where one is
    // named ("CLAIMINTERFACE 0", "DISCONNECT 0"); URB traffic is left out.
    std::vector<std::string> Ioctls() const;
    // Which driver holds the interface: "usblp", "usbfs" (claimed through
    // libusb) or "" (none).
    std::string Driver() const;
    // Every byte the printer has taken, in order.
    std::vector<std::uint8_t> Received() const;
    std::optional<std::vector<std::uint8_t>> Slot(std::uint8_t slot) const;
    std::size_t Printed() const;
    // Bulk IN transfers that carried bytes to the host.
    std::size_t InTransfers() const;
    // URBs submitted and not yet reaped by the host.
    std::size_t UrbsInFlight() const;
    bool Vanished() const;
    bool WaitUntilVanished(std::chrono::milliseconds limit) const;
    // Unplugs the printer now: its node and sysfs entries go, and every
    // usbfs call on it fails with ENODEV from here on.
    void Vanish();
    // Removes the device node alone, as a node the user may not open.
    void RemoveNode();

private:
    struct Urb {
        UMockdevIoctlData* data;  // the submitted usbdevfs_urb, its buffer resolved
        std::chrono::steady_clock::time_point submitted;
        bool discarded = false;
    };

    static gboolean OnIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, gpointer self);
    bool HandleIoctl(UMockdevIoctlClient* client);
    void Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void UsbfsIoctl(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    // The first URB that the host may reap now, taken from the flight list
    // and filled in; null when none is done.
    UMockdevIoctlData* TakeDone();
    std::size_t OutAcceptedBy(const Urb& urb, std::chrono::steady_clock::time_point now) const;
    void TakeOut(std::span<const std::uint8_t> bytes);
    void SetDriverLink(const std::string& driver);
    void Note(std::string name);
    void VanishLocked();

    UsbTestbed& m_testbed;
    FakePrinterFaults m_faults;
    std::string m_sysName;
    std::string m_devPath;  // under /sys
    std::string m_devNode;
    UMockdevIoctlBase* m_handler;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    VirtualPrinter m_printer;
    std::string m_driver;
    std::vector<std::string> m_ioctls;
    std::vector<std::uint8_t> m_received;
    std::deque<std::uint8_t> m_replies;
    std::size_t m_printed = 0;
    std::size_t m_inTransfers = 0;
    std::vector<Urb> m_flying;
    bool m_vanished = false;
    bool m_removed = false;
};
