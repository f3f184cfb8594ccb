#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "comm_settings.h"
#include "communication.h"

enum class MessageKind {
    Information,  // OK button only
    Question,     // question icon, OK and Cancel
};

enum class MessageAnswer { Ok, Cancel };

// What the user interface does for a connection attempt. An empty hook does
// nothing; without a message hook a question counts as answered Cancel, and
// without a CanSwitchUsbDriver hook the driver cannot be switched.
struct ConnectionHooks {
    std::function<void()> StopPleaseWait;
    std::function<MessageAnswer(const std::string& text, MessageKind kind)> ShowMessage;
    std::function<void()> UpdateStatusText;
    std::function<bool()> CanSwitchUsbDriver;
};

// What an attempt needs besides the component and the settings.
struct ConnectionContext {
    // Set when the printer is found under another driver, emptied when the
    // user declines the switch; shut-down offers to load that driver again.
    std::string m_strFormerUsbDriver;
    // Without a trailing separator.
    std::string m_strProgramFolder;
    ConnectionHooks m_hooks;
};

// "COMn" and "LPTn" count from 1; nothing for USB and for unknown interfaces,
// whose names do not come from the settings alone.
std::optional<std::string> PortName(std::int32_t interfaceKind, std::int32_t port);

// "tcp://HOST:PORT" for the stored network printer; nothing without a host
// or with a port out of range.
std::optional<std::string> NetworkPortNameOf(const CommSettings& settings);

// The installation file that puts the program's own USB driver in charge.
std::string OwnUsbDriverFile(const std::string& programFolder);

// The serial line parameters and the time-outs, in the order the component
// takes them; sent whatever the interface, 8 data bits always.
void ApplyLineSettings(ICommunication& communication, const CommSettings& settings);

// (Re)opens the link with the settings. Failures end in a message or in the
// status text; the component alone knows whether the port is open.
void ConnectPrinter(ICommunication* communication, const CommSettings& settings, ConnectionContext& context);
