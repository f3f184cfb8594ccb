#pragma once

#include "cli_command.h"
#include "failure_report.h"
#include "printer_arguments.h"

#include "comm_event_sink.h"
#include "comm_settings.h"
#include "communication.h"
#include "printer_connection.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QCoreApplication;
class QEventLoop;
class QTimer;

// One connection to the printer for the length of a command: the event loop
// that the component's events reach this thread through, the component with
// its event sink, and the USB driver hand-over, undone at the end.
class PrinterSession {
public:
    // The failure text when the port cannot be opened.
    static std::unique_ptr<PrinterSession> Open(const ConnectionOptions& options, std::string& failure);
    ~PrinterSession();
    PrinterSession(const PrinterSession&) = delete;
    PrinterSession& operator=(const PrinterSession&) = delete;

    ICommunication& Link() { return *m_pCommunication; }
    const CommSettings& Settings() const { return m_settings; }
    std::chrono::milliseconds ReadTimeout() const;
    std::chrono::milliseconds WriteTimeout() const;

    // A command sent with Send in mode 0; true when every byte went out.
    bool SendCommand(const std::vector<std::uint8_t>& command);

    // Delivers the component's events to `target` until a handler calls
    // Finish, or until the time-out passes without it (none: no limit). True
    // when finished. Events are delivered only while Wait runs; those that
    // come at another time wait for it or, at the end, are dropped.
    bool Wait(ICommEventTarget& target, std::optional<std::chrono::milliseconds> timeout);
    void Finish();
    // From a handler: the time-out of the Wait in progress counts anew from
    // now; none lifts it.
    void SetTimeout(std::optional<std::chrono::milliseconds> timeout);

private:
    explicit PrinterSession(const ConnectionOptions& options);
    bool Connect(std::string& failure);
    ConnectionHooks Hooks();


    // QCoreApplication keeps references to its arguments.
    std::string m_strProgramName = "vellumio-cli";
    int m_argc = 1;
    std::vector<char*> m_argv;
    std::unique_ptr<QCoreApplication> m_pApplication;

    ConnectionOptions m_options;
    CommSettings m_settings;
    ConnectionContext m_context;
    bool m_bDriverSwitchAccepted = false;

    std::unique_ptr<ICommunication> m_pCommunication;
    std::unique_ptr<CommEventSink> m_pSink;
    ICommEventTarget* m_pTarget = nullptr;

    QEventLoop* m_pLoop = nullptr;
    QTimer* m_pTimer = nullptr;
    bool m_bFinished = false;
};
