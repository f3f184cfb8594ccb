#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// What the printer link raises. Calls may come on any thread; each call's
// bytes are valid only during the call. A handler may call back into the
// component. One that passes the event to another thread and waits for it
// there announces it with EventHandOver, so that neither thread waits for the
// other when that thread calls Advise, Abort or Close.
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
    // Once Close returns, no event of the port is in progress or begins,
    // except one that the calling thread runs itself (Close from a handler).
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
    // Ends a Send or SendReceive in progress, stops a download (once Abort
    // returns, none of its events is in progress or begins, except one that
    // the calling thread runs itself) and drops input not yet passed on, such
    // as the rest of an upload: bytes read before Abort returns reach no
    // DataReceived that begins after it.
    virtual void Abort() = 0;

    virtual std::vector<std::string> GetComPorts() = 0;
    virtual std::vector<std::string> GetLptPorts() = 0;
    virtual UsbPrinterInfo FindUsbPrinter() = 0;
    // 0 when the printer is now served by the named driver (our own for its
    // installation file, a former kernel driver by its name).
    virtual std::int32_t SwitchUsbDriver(const std::string& driver) = 0;

    // The event connection; null disconnects. False when it cannot connect.
    // Once it returns, no event is inside the former receiver, except one
    // that the calling thread runs itself.
    virtual bool Advise(ICommunicationEvents* events) = 0;
};
