#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "fake_usb_printer.h"
#include "link_test_support.h"

// This process's descriptors on a device node and the timer libusb makes for
// each context it opens. Sockets and event descriptors are left out: umockdev
// and GLib open and close their own on their worker threads in their own time.
struct DescriptorCount {
    std::size_t node = 0;
    std::size_t timers = 0;

    bool operator==(const DescriptorCount&) const = default;
};

inline DescriptorCount Descriptors(const std::string& node = "/dev/bus/usb/")
{
    DescriptorCount count;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (target.find(node) != std::string::npos)
            ++count.node;
        else if (target == "anon_inode:[timerfd]")
            ++count.timers;
    }
    return count;
}

// A testbed per test with a memory stick beside the printer; the component is
// made after the devices, as libusb lists them when it starts, and goes
// before them.
class UsbTest : public ::testing::Test {
protected:
    void SetUp() override { m_testbed.AddStorageStick("1-9", 7); }
    void TearDown() override { m_comm.reset(); }

    FakeUsbPrinter& AddPrinter(FakePrinterFaults faults = {})
    {
        // umockdev keeps a node's handler for the testbed's life, so each
        // printer of a test gets a port and node of its own.
        ++m_printers;
        m_printer = std::make_unique<FakeUsbPrinter>(m_testbed, faults, 0x1209, "1-" + std::to_string(m_printers),
                                                     10 + m_printers);
        return *m_printer;
    }
    // The component with the printer opened on USB, as ConnectPrinter opens it.
    void OpenPrinter(FakePrinterFaults faults = {})
    {
        AddPrinter(faults);
        OpenComponent();
    }
    void OpenComponent()
    {
        m_comm = MakeCommunicationComponent();
        m_comm->SetTimeouts(1000, 1000);
        m_comm->Open("USB");
        ASSERT_TRUE(m_comm->IsOpen());
        m_comm->Advise(&m_events);
    }

    UsbTestbed m_testbed;
    std::unique_ptr<FakeUsbPrinter> m_printer;
    int m_printers = 0;
    EventRecorder m_events;
    std::unique_ptr<ICommunication> m_comm;
};
