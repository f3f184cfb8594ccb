#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// What the printer link raises. Calls may come on any thread; each call's
// bytes are valid only during the call. A handler may call back into the
// component, and may wait for another thread that does.
class ICommunicationEvents {
public:
    virtual ~ICommunicationEvents() = default;
    virtual void DataReceived(std::span<const std::uint8_t> data) = 0;
    virtual void Progress(std::int32_t percent) = 0;
    virtual void TransferFailed() = 0;
};

// Send's mode: a logo download runs in the background and reports progress.
inline constexpr std::int32_t kSendModeCommand = 0;
inline constexpr std::int32_t kSendModeLogoDownload = 64;
// Send's result when every byte was accepted.
inline constexpr std::int32_t kSendOk = -1;

struct SendReceiveResult {
    bool ok = false;                  // the component's flag
    std::vector<std::uint8_t> reply;  // received bytes; its size is the received length
};

struct UsbPrinterInfo {
    bool found = false;
    std::string driverName;  // empty when our own driver serves the printer
};

// The printer communication component. Values passed to the put_ operations
// are coded as the settings store keeps them; time-outs are in milliseconds.
class ICommunication {
public:
    virtual ~ICommunication() = default;

    // "COMn", "LPTn" (n from 1, the n-th entry of the port lists), "USB", or a
    // device path. Success is read through IsOpen.
    virtual void Open(const std::string& portName) = 0;
    // No event begins after Close returns.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    virtual void put_BaudRate(std::int32_t baud) = 0;
    virtual void put_Parity(std::int32_t parity) = 0;
    virtual void put_StopBits(std::int32_t stopBits) = 0;
    virtual void put_DataBits(std::int32_t dataBits) = 0;
    virtual void put_FlowControl(std::int32_t flowControl) = 0;
    // The read time-out bounds SendReceive's wait for its reply; the write
    // time-out bounds each wait for the line to take more bytes, so a long
    // download at a low rate goes on while bytes keep moving.
    virtual void SetTimeouts(std::int32_t readMs, std::int32_t writeMs) = 0;

    // kSendOk when sent. With kSendModeLogoDownload the bytes go out on a
    // worker thread and the result only says the transfer was started;
    // Progress or TransferFailed follow.
    virtual std::int32_t Send(std::span<const std::uint8_t> bytes, std::int32_t mode) = 0;
    // Writes the command and waits up to the read time-out for
    // expectedLength bytes; bytes after them are left for DataReceived.
    virtual SendReceiveResult SendReceive(std::span<const std::uint8_t> command, std::int32_t expectedLength) = 0;
    // Stops a download (no event of it begins after Abort returns) and drops
    // input not yet passed on, such as the rest of an upload.
    virtual void Abort() = 0;

    virtual std::vector<std::string> GetComPorts() = 0;
    virtual std::vector<std::string> GetLptPorts() = 0;
    virtual UsbPrinterInfo FindUsbPrinter() = 0;
    // 0 when the printer is now served by the named driver (our own for its
    // installation file, a former kernel driver by its name).
    virtual std::int32_t SwitchUsbDriver(const std::string& driver) = 0;

    // The event connection; null disconnects. False when it cannot connect.
    // Like Abort and Close, it never waits for an event call in progress,
    // whose handler may be waiting for the caller's thread.
    virtual bool Advise(ICommunicationEvents* events) = 0;
};
