#pragma once

#include <string>
#include <vector>

#include "communication.h"

// Records every call in order, as "Name(argument)", and answers as set up.
class RecordingCommunication : public ICommunication {
public:
    bool m_bOpen = false;
    UsbPrinterInfo m_usb;
    std::int32_t m_nSwitchResult = 0;
    bool m_bAdviseAccepted = true;
    ICommunicationEvents* m_pEvents = nullptr;
    // IsOpen is const in the interface but is a call worth recording.
    mutable std::vector<std::string> m_calls;

    void Open(const std::string& portName) override
    {
        m_calls.push_back("Open(" + portName + ")");
        m_bOpen = true;
    }
    void Close() override
    {
        m_calls.push_back("Close");
        m_bOpen = false;
    }
    bool IsOpen() const override
    {
        m_calls.push_back("IsOpen");
        return m_bOpen;
    }
    void put_BaudRate(std::int32_t baud) override { Record("put_BaudRate", baud); }
    void put_Parity(std::int32_t parity) override { Record("put_Parity", parity); }
    void put_StopBits(std::int32_t stopBits) override { Record("put_StopBits", stopBits); }
    void put_DataBits(std::int32_t dataBits) override { Record("put_DataBits", dataBits); }
    void put_FlowControl(std::int32_t flowControl) override { Record("put_FlowControl", flowControl); }
    void SetTimeouts(std::int32_t readMs, std::int32_t writeMs) override
    {
        m_calls.push_back("SetTimeouts(" + std::to_string(readMs) + "," + std::to_string(writeMs) + ")");
    }
    std::int32_t Send(std::span<const std::uint8_t>, std::int32_t) override
    {
        m_calls.push_back("Send");
        return kSendOk;
    }
    SendReceiveResult SendReceive(std::span<const std::uint8_t>, std::int32_t) override
    {
        m_calls.push_back("SendReceive");
        return {};
    }
    void Abort() override { m_calls.push_back("Abort"); }
    std::vector<std::string> GetComPorts() override { return {}; }
    std::vector<std::string> GetLptPorts() override { return {}; }
    UsbPrinterInfo FindUsbPrinter() override
    {
        m_calls.push_back("FindUsbPrinter");
        return m_usb;
    }
    std::int32_t SwitchUsbDriver(const std::string& driver) override
    {
        m_calls.push_back("SwitchUsbDriver(" + driver + ")");
        return m_nSwitchResult;
    }
    bool Advise(ICommunicationEvents* events) override
    {
        m_calls.push_back(events ? "Advise(sink)" : "Advise(null)");
        if (events && !m_bAdviseAccepted)
            return false;
        m_pEvents = events;
        return true;
    }

private:
    void Record(const char* name, std::int32_t value) { m_calls.push_back(std::string(name) + "(" + std::to_string(value) + ")"); }
};
