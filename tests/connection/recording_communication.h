#pragma once

#include <string>
#include <vector>

#include "communication.h"

// Records the calls that set up a connection, in order, as "Name(argument)",
// and answers as set up.
class RecordingCommunication : public ICommunication {
public:
    bool m_bOpen = false;
    UsbPrinterInfo m_usb;
    std::int32_t m_nSwitchResult = 0;
    ICommunicationEvents* m_pEvents = nullptr;
    // IsOpen is const in the interface but is a call worth recording.
    mutable std::vector<std::string> m_calls;

    void Open(const std::string& portName) override
    {
        Note("Open", portName);
        m_bOpen = true;
    }
    void Close() override
    {
        Note("Close");
        m_bOpen = false;
    }
    bool IsOpen() const override
    {
        Note("IsOpen");
        return m_bOpen;
    }
    void put_BaudRate(std::int32_t baud) override { Note("put_BaudRate", std::to_string(baud)); }
    void put_Parity(std::int32_t parity) override { Note("put_Parity", std::to_string(parity)); }
    void put_StopBits(std::int32_t stopBits) override { Note("put_StopBits", std::to_string(stopBits)); }
    void put_DataBits(std::int32_t dataBits) override { Note("put_DataBits", std::to_string(dataBits)); }
    void put_FlowControl(std::int32_t flow) override { Note("put_FlowControl", std::to_string(flow)); }
    void SetTimeouts(std::int32_t readMs, std::int32_t writeMs) override
    {
        Note("SetTimeouts", std::to_string(readMs) + "," + std::to_string(writeMs));
    }
    std::int32_t Send(std::span<const std::uint8_t>, std::int32_t) override { return kSendOk; }
    SendReceiveResult SendReceive(std::span<const std::uint8_t>, std::int32_t) override { return {}; }
    void Abort() override {}
    std::vector<std::string> GetComPorts() override { return {}; }
    std::vector<std::string> GetLptPorts() override { return {}; }
    UsbPrinterInfo FindUsbPrinter() override
    {
        Note("FindUsbPrinter");
        return m_usb;
    }
    std::int32_t SwitchUsbDriver(const std::string& driver) override
    {
        Note("SwitchUsbDriver", driver);
        return m_nSwitchResult;
    }
    bool Advise(ICommunicationEvents* events) override
    {
        Note(events ? "Advise(sink)" : "Advise(null)");
        m_pEvents = events;
        return true;
    }

    void Note(const std::string& call, const std::string& argument) const
    {
        m_calls.push_back(call + "(" + argument + ")");
    }
    void Note(const std::string& call) const { m_calls.push_back(call); }
};
