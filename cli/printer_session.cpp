#include "printer_session.h"

#include "communication_component.h"
#include "network_printer.h"
#include "printer_connection.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <iostream>

std::unique_ptr<PrinterSession> PrinterSession::Open(const ConnectionOptions& options, std::string& failure)
{
    std::unique_ptr<PrinterSession> session(new PrinterSession(options));
    if (!session->Connect(failure))
        return nullptr;
    return session;
}

PrinterSession::PrinterSession(const ConnectionOptions& options)
    : m_argv{m_strProgramName.data(), nullptr}, m_options(options)
{
    m_pApplication = std::make_unique<QCoreApplication>(m_argc, m_argv.data());
    CommSettings stored;
    stored.LoadSettings();
    m_settings = m_options.Over(stored);
    m_context.m_strProgramFolder = QCoreApplication::applicationDirPath().toStdString();
    m_context.m_hooks = Hooks();

    m_pCommunication = MakeCommunicationComponent();
    m_pSink = std::make_unique<CommEventSink>([this] { return m_pTarget; });
    if (!m_pSink->Connect(*m_pCommunication))
        std::cerr << kSinkConnectFailedMessage << '\n';
}

PrinterSession::~PrinterSession()
{
    m_pSink->Disconnect();
    m_pCommunication->Close();
    // The printer goes back to the driver it was taken from.
    if (m_bDriverSwitchAccepted && !m_context.m_strFormerUsbDriver.empty())
        m_pCommunication->SwitchUsbDriver(m_context.m_strFormerUsbDriver);
    m_pCommunication.reset();
    m_pSink.reset();
    m_pApplication.reset();
}

ConnectionHooks PrinterSession::Hooks()
{
    ConnectionHooks hooks;
    hooks.ShowMessage = [this](const std::string& text, MessageKind kind) {
        std::cerr << text << '\n';
        if (kind != MessageKind::Question)
            return MessageAnswer::Ok;
        if (!m_options.switchDriver) {
            std::cerr << "Answered Cancel; give " << kSwitchDriverFlag << " to switch.\n";
            return MessageAnswer::Cancel;
        }
        std::cerr << "Answered OK (" << kSwitchDriverFlag << ").\n";
        m_bDriverSwitchAccepted = true;
        return MessageAnswer::Ok;
    };
    hooks.CanSwitchUsbDriver = [] { return CanSwitchUsbDriver(); };
    return hooks;
}

bool PrinterSession::Connect(std::string& failure)
{
    ICommunication& link = *m_pCommunication;
    // The component only tells whether the port is open; the reason the
    // system gave for a device it could not open is left in errno.
    if (m_options.devicePath) {
        // A device path has no place in the settings: the line is set up as
        // ConnectPrinter sets it up, then the path is opened.
        ApplyLineSettings(link, m_settings);
        errno = 0;
        link.Open(*m_options.devicePath);
    } else {
        errno = 0;
        ConnectPrinter(&link, m_settings, m_context);
    }
    const int openError = errno;
    if (link.IsOpen())
        return true;

    // Only where a device was tried is errno its reason: a port past the end
    // of its list and USB (whose messages were shown) open none.
    std::string port;
    int error = 0;
    if (m_options.devicePath) {
        port = *m_options.devicePath;
        if (const auto address = ParseNetworkPortName(port))
            port = address->host + ":" + std::to_string(address->port);
        error = openError;
    } else if (const auto network = NetworkPortNameOf(m_settings); network && m_settings.m_nInterface == kInterfaceNetwork) {
        const auto address = ParseNetworkPortName(*network);
        port = address->host + ":" + std::to_string(address->port);
        error = openError;
    } else if (const auto name = PortName(m_settings.m_nInterface, m_settings.m_nPort)) {
        port = *name;
        const auto listed = m_settings.m_nInterface == kInterfaceSerial ? link.GetComPorts() : link.GetLptPorts();
        if (m_settings.m_nPort >= 0 && static_cast<std::size_t>(m_settings.m_nPort) < listed.size())
            error = openError;
    } else if (m_settings.m_nInterface == kInterfaceUsb) {
        port = "USB";
    } else {
        port = "no port for the stored interface " + std::to_string(m_settings.m_nInterface);
    }
    failure = WithSystemReason("Communication broken (" + port + ")", error);
    return false;
}

std::chrono::milliseconds PrinterSession::ReadTimeout() const
{
    return std::chrono::milliseconds(std::max(m_settings.m_nReadTimeout, 0));
}

std::chrono::milliseconds PrinterSession::WriteTimeout() const
{
    return std::chrono::milliseconds(std::max(m_settings.m_nWriteTimeout, 0));
}

bool PrinterSession::SendCommand(const std::vector<std::uint8_t>& command)
{
    return m_pCommunication->Send(command, kSendModeCommand) == kSendOk;
}

bool PrinterSession::Wait(ICommEventTarget& target, std::optional<std::chrono::milliseconds> timeout)
{
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    m_pTarget = &target;
    m_pLoop = &loop;
    m_pTimer = &timer;
    m_bFinished = false;
    if (timeout)
        timer.start(*timeout);
    loop.exec();
    m_pTarget = nullptr;
    m_pLoop = nullptr;
    m_pTimer = nullptr;
    return m_bFinished;
}

void PrinterSession::Finish()
{
    m_bFinished = true;
    if (m_pLoop)
        m_pLoop->quit();
}

void PrinterSession::SetTimeout(std::optional<std::chrono::milliseconds> timeout)
{
    if (!m_pTimer)
        return;
    if (timeout)
        m_pTimer->start(*timeout);
    else
        m_pTimer->stop();
}
