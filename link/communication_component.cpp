#include "communication_component.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>

#include "download_transfer.h"
#include "line_settings.h"
#include "network_printer.h"
#include "parallel_port.h"
#include "port_lists.h"
#include "serial_line.h"
#include "text_case.h"
#include "unsolicited_reader.h"
#include "usb_printer.h"
#include "wake_event.h"

namespace {

constexpr std::string_view kSerialPortPrefix = "COM";
constexpr std::string_view kParallelPortPrefix = "LPT";
constexpr std::string_view kUsbPortName = "USB";
constexpr std::int32_t kSendFailed = 0;
constexpr std::size_t kReplyChunk = 256;

// The n of "COMn" or "LPTn" (from 1), if the name has that form.
std::optional<std::size_t> PortNumber(std::string_view name, std::string_view prefix)
{
    if (name.size() <= prefix.size() || !EqualsIgnoringCase(name.substr(0, prefix.size()), prefix))
        return std::nullopt;
    const auto digits = name.substr(prefix.size());
    std::size_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc{} || end != digits.data() + digits.size() || number == 0)
        return std::nullopt;
    return number;
}

std::optional<std::string> NthPort(const std::vector<std::string>& ports, std::size_t number)
{
    if (number > ports.size())
        return std::nullopt;
    return ports[number - 1];
}

class CLinuxCommunication final : public ICommunication {
public:
    explicit CLinuxCommunication(std::shared_ptr<ITermiosApi> termios) : m_termios(std::move(termios)) {}
    ~CLinuxCommunication() override { Close(); }

    void Open(const std::string& portName) override
    {
        Close();
        std::shared_ptr<IPortDevice> device;
        const auto address = ParseNetworkPortName(portName);
        // A connection may take the whole read time-out to fail; the lock
        // is not held meanwhile.
        if (address)
            device = NetworkPrinter::Open(m_termios, *address, ReadTimeout());
        std::lock_guard lock(m_mutex);
        if (!address)
            device = OpenDevice(portName);
        // A concurrent Open that got there first keeps its port.
        if (!device || m_device)
            return;
        m_device = std::move(device);
        m_deviceIsUsb = EqualsIgnoringCase(portName, kUsbPortName);
        if (m_device->CanRead())
            m_reader = std::make_shared<UnsolicitedReader>(m_device, m_events);
        m_open = true;
    }

    void Close() override
    {
        std::shared_ptr<IPortDevice> device;
        std::unique_ptr<DownloadTransfer> download;
        std::shared_ptr<UnsolicitedReader> reader;
        {
            std::unique_lock lock(m_mutex);
            m_open = false;
            LeaveDevice(lock);
            device = std::move(m_device);
            download = std::move(m_download);
            reader = std::move(m_reader);
            m_deviceIsUsb = false;
            EndDeviceUse(lock);
        }
        // Without the lock: an event in progress may call the component
        // while these wait for it to end.
        if (download)
            download->Stop();
        if (reader)
            reader->Stop();
        if (device)
            device->Close();
    }

    bool IsOpen() const override { return m_open; }

    // The line parameters take effect at the next Open.
    void put_BaudRate(std::int32_t baud) override { SetLine(&LineSettings::baudRate, baud); }
    void put_Parity(std::int32_t parity) override { SetLine(&LineSettings::parity, parity); }
    void put_StopBits(std::int32_t stopBits) override { SetLine(&LineSettings::stopBits, stopBits); }
    void put_DataBits(std::int32_t dataBits) override { SetLine(&LineSettings::dataBits, dataBits); }
    void put_FlowControl(std::int32_t flowControl) override { SetLine(&LineSettings::flowControl, flowControl); }

    void SetTimeouts(std::int32_t readMs, std::int32_t writeMs) override
    {
        std::lock_guard lock(m_mutex);
        m_readTimeout = std::chrono::milliseconds(std::max(readMs, 0));
        m_writeTimeout = std::chrono::milliseconds(std::max(writeMs, 0));
    }

    std::int32_t Send(std::span<const std::uint8_t> bytes, std::int32_t mode) override
    {
        std::unique_lock lock(m_mutex);
        const std::shared_ptr<IPortDevice> device = BeginOperation(lock);
        if (!device)
            return kSendFailed;
        if (mode == kSendModeLogoDownload) {
            std::unique_ptr<DownloadTransfer> former = std::exchange(
                m_download, std::make_unique<DownloadTransfer>(
                                device, m_events, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), m_writeTimeout));
            EndDeviceUse(lock);
            lock.unlock();
            // A former download whose bytes are all out may still be in its
            // last event.
            if (former)
                former->Stop();
            return kSendOk;
        }
        const auto writeTimeout = m_writeTimeout;
        lock.unlock();
        const IoStatus sent = device->Write(bytes, writeTimeout, &m_interrupt).status;
        lock.lock();
        EndDeviceUse(lock);
        return sent == IoStatus::Ok ? kSendOk : kSendFailed;
    }

    SendReceiveResult SendReceive(std::span<const std::uint8_t> command, std::int32_t expectedLength) override
    {
        SendReceiveResult result;
        std::unique_lock lock(m_mutex);
        const std::shared_ptr<IPortDevice> device = BeginOperation(lock);
        if (!device)
            return result;
        const auto pause = m_reader ? m_reader->PauseReading() : nullptr;
        const auto readTimeout = m_readTimeout;
        const auto writeTimeout = m_writeTimeout;
        lock.unlock();
        const auto expected = static_cast<std::size_t>(std::max(expectedLength, 0));
        if (device->Write(command, writeTimeout, &m_interrupt).status == IoStatus::Ok)
            ReadReply(*device, expected, readTimeout, result.reply);
        lock.lock();
        EndDeviceUse(lock);
        result.ok = result.reply.size() == expected;
        return result;
    }

    void Abort() override
    {
        std::unique_lock lock(m_mutex);
        std::unique_ptr<DownloadTransfer> download = std::move(m_download);
        lock.unlock();
        download.reset();
        lock.lock();
        LeaveDevice(lock);
        if (m_device) {
            // Off the reader's hands first: the device must be idle to drop its input.
            const auto pause = m_reader ? m_reader->PauseReading() : nullptr;
            if (m_reader)
                m_reader->DropInput();
            m_device->DiscardInput();
        }
        EndDeviceUse(lock);
    }

    std::vector<std::string> GetComPorts() override { return ListSerialPorts(); }
    std::vector<std::string> GetLptPorts() override { return ListParallelPorts(); }

    UsbPrinterInfo FindUsbPrinter() override
    {
        std::lock_guard lock(m_mutex);
        return Usb().Find();
    }

    std::int32_t SwitchUsbDriver(const std::string& driver) override
    {
        bool closeFirst = false;
        {
            std::lock_guard lock(m_mutex);
            closeFirst = !IsOwnDriverFile(driver) && m_deviceIsUsb;
        }
        // The kernel driver can only take the interface once we let it go.
        if (closeFirst)
            Close();
        std::lock_guard lock(m_mutex);
        return Usb().SwitchDriver(driver);
    }

    bool Advise(ICommunicationEvents* events) override
    {
        m_events->SetTarget(events);
        return true;
    }

private:
    void SetLine(std::int32_t LineSettings::*field, std::int32_t value)
    {
        std::lock_guard lock(m_mutex);
        m_line.*field = value;
    }

    bool DownloadWriting() const { return m_download && m_download->Writing(); }

    // Takes the device for one Send or SendReceive, once no other call uses
    // it; null when there is none or a download is writing to it.
    std::shared_ptr<IPortDevice> BeginOperation(std::unique_lock<std::mutex>& lock)
    {
        m_changed.wait(lock, [this] { return !m_deviceInUse && m_leaving == 0; });
        if (!m_device || DownloadWriting())
            return nullptr;
        m_interrupt.Clear();
        m_deviceInUse = true;
        return m_device;
    }

    // For Abort and Close: ends the wait of an operation in progress and
    // takes the device once it has left; operations wait meanwhile.
    void LeaveDevice(std::unique_lock<std::mutex>& lock)
    {
        ++m_leaving;
        m_interrupt.Set();
        m_changed.wait(lock, [this] { return !m_deviceInUse; });
        --m_leaving;
        m_deviceInUse = true;
    }
    void EndDeviceUse(std::unique_lock<std::mutex>&)
    {
        m_deviceInUse = false;
        m_changed.notify_all();
    }

    // Reads until `expected` bytes or the time-out; never more than the
    // reply, so what follows it stays for the reader.
    void ReadReply(IPortDevice& device, std::size_t expected, std::chrono::milliseconds timeout,
                   std::vector<std::uint8_t>& reply)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        std::array<std::uint8_t, kReplyChunk> chunk{};
        while (reply.size() < expected) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left <= std::chrono::milliseconds::zero())
                return;
            const auto want = std::min(chunk.size(), expected - reply.size());
            const IoResult got = device.Read(std::span(chunk).first(want), left, &m_interrupt);
            reply.insert(reply.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got.count));
            if (got.status == IoStatus::Failed || got.status == IoStatus::Interrupted)
                return;
        }
    }

    std::chrono::milliseconds ReadTimeout() const
    {
        std::lock_guard lock(m_mutex);
        return m_readTimeout;
    }

    UsbPrinters& Usb()
    {
        if (!m_usb)
            m_usb = std::make_unique<UsbPrinters>();
        return *m_usb;
    }

    std::unique_ptr<IPortDevice> OpenDevice(const std::string& portName)
    {
        if (EqualsIgnoringCase(portName, kUsbPortName))
            return Usb().Open();
        if (const auto number = PortNumber(portName, kSerialPortPrefix)) {
            const auto path = NthPort(ListSerialPorts(), *number);
            return path ? SerialLine::Open(m_termios, *path, m_line) : nullptr;
        }
        if (const auto number = PortNumber(portName, kParallelPortPrefix)) {
            const auto path = NthPort(ListParallelPorts(), *number);
            return path ? ParallelPort::Open(m_termios, *path) : nullptr;
        }
        if (portName.starts_with('/')) {
            if (IsParallelPortPath(portName))
                return ParallelPort::Open(m_termios, portName);
            return SerialLine::Open(m_termios, portName, m_line);
        }
        return nullptr;
    }

    std::shared_ptr<ITermiosApi> m_termios;
    const std::shared_ptr<EventRelay> m_events = std::make_shared<EventRelay>();

    // Held only briefly, never across a wait on the device or for an event:
    // Abort and Close must get it while an operation waits for the printer.
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    LineSettings m_line;
    std::chrono::milliseconds m_readTimeout{20000};
    std::chrono::milliseconds m_writeTimeout{5000};
    std::shared_ptr<IPortDevice> m_device;
    bool m_deviceIsUsb = false;
    std::atomic<bool> m_open{false};
    // One call at a time uses the device: Send, SendReceive, or the input
    // drop of Abort and the release of Close, which interrupt the first two.
    bool m_deviceInUse = false;
    int m_leaving = 0;  // Abort and Close waiting for the device
    WakeEvent m_interrupt;
    std::shared_ptr<UnsolicitedReader> m_reader;
    std::unique_ptr<DownloadTransfer> m_download;
    std::unique_ptr<UsbPrinters> m_usb;
};

}  // namespace

std::unique_ptr<ICommunication> MakeCommunicationComponent()
{
    return MakeCommunicationComponent(SystemTermiosApi());
}

std::unique_ptr<ICommunication> MakeCommunicationComponent(std::shared_ptr<ITermiosApi> termios)
{
    return std::make_unique<CLinuxCommunication>(std::move(termios));
}

bool CanSwitchUsbDriver() { return UsbDriverSwitchSupported(); }
