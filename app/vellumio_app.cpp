#include "vellumio_app.h"

#include "about_dlg.h"
#include "comm_event_sink.h"
#include "communication.h"
#include "communication_component.h"
#include "communication_page.h"
#include "image_source.h"
#include "main_frame.h"
#include "picture_factory.h"
#include "picture_info_page.h"
#include "please_wait_dlg.h"
#include "responsive_request.h"
#include "save_dlg.h"
#include "user_message.h"
#include "vellumio_doc.h"
#include "vellumio_view.h"

#include <QApplication>
#include <QColorDialog>
#include <QDebug>
#include <QEventLoop>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSettings>
#include <QThread>
#include <QTimer>

#include <thread>

namespace {

constexpr int kPleaseWaitDelayMs = 300;
constexpr std::string_view kReloadDriver = "Do you want to re-load \"%s\" driver ?";
constexpr std::string_view kCreateFailed = "Failed to create ICommunication instance\n%s";

std::string WithText(std::string_view format, const std::string& value)
{
    std::string text(format);
    const auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

// The program's own dialogs swallow Enter and Escape so that a key never
// closes a page; the standard dialogs keep their keys.
bool IsStandardDialog(const QWidget* window)
{
    return qobject_cast<const QMessageBox*>(window) || qobject_cast<const QFileDialog*>(window) ||
           qobject_cast<const QColorDialog*>(window) || qobject_cast<const CPleaseWaitDlg*>(window);
}

bool IsLockKey(int key)
{
    return key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock;
}

}  // namespace

CVellumioApp::CVellumioApp(AppEnvironment environment) : m_environment(std::move(environment))
{
    if (!m_environment.MakeComponent)
        m_environment.MakeComponent = [] { return MakeCommunicationComponent(); };
}

CVellumioApp::~CVellumioApp()
{
    // The frame's view refers to the document and the settings.
    m_pFrame.reset();
    m_pDoc.reset();
    m_pSink.reset();
    m_pCommunication.reset();
}

bool CVellumioApp::InitInstance(const QStringList& arguments)
{
    {
        const auto store = OpenSettingsStore();
        m_recentFiles.Load(*store);
    }
    m_settings.LoadSettings();
    if (!CreateCommunication())
        return false;
    m_context.m_strProgramFolder = QCoreApplication::applicationDirPath().toStdString();
    InstallConnectionHooks();
    ConnectWithPleaseWait(QEventLoop::AllEvents);
    CreateDocumentAndFrame();
    if (!ProcessCommandLine(arguments))
        return false;
    StopPleaseWait();
    m_pFrame->show();
    m_pFrame->setAcceptDrops(true);
    m_pFrame->raise();
    m_pFrame->activateWindow();
    return true;
}

bool CVellumioApp::CreateCommunication()
{
    if (!m_pCommunication) {
        std::string reason;
        try {
            m_pCommunication = m_environment.MakeComponent();
        } catch (const std::exception& error) {
            reason = error.what();
        }
        if (!m_pCommunication) {
            StopPleaseWait();
            ShowMessage(WithText(kCreateFailed, reason), MessageIcon::Error);
            return false;
        }
    }
    if (m_pSink) {
        m_pSink->Disconnect();
        m_pSink.reset();
    }
    // The view takes the printer's events; until it exists they are dropped.
    m_pSink = std::make_unique<CommEventSink>(
        [this]() -> ICommEventTarget* { return m_pFrame ? &m_pFrame->View() : nullptr; });
    if (!m_pSink->Connect(*m_pCommunication))
        ShowMessage(std::string(kSinkConnectFailedMessage));
    return true;
}

void CVellumioApp::RunOnMainThread(const std::function<void()>& work)
{
    if (QThread::currentThread() == thread())
        work();
    else
        QMetaObject::invokeMethod(this, work, Qt::BlockingQueuedConnection);
}

void CVellumioApp::StopPleaseWait()
{
    RunOnMainThread([this] {
        m_bPleaseWaitStopped = true;
        if (m_pPleaseWait)
            m_pPleaseWait->CloseDialog();
    });
}

void CVellumioApp::InstallConnectionHooks()
{
    ConnectionHooks& hooks = m_context.m_hooks;
    hooks.StopPleaseWait = [this] { StopPleaseWait(); };
    hooks.ShowMessage = [this](const std::string& text, MessageKind kind) {
        MessageAnswer answer = MessageAnswer::Cancel;
        RunOnMainThread([&] {
            const bool question = kind == MessageKind::Question;
            const MessageChoice choice =
                ShowMessage(text, question ? MessageIcon::Question : MessageIcon::Information,
                            question ? MessageButtons::OkCancel : MessageButtons::Ok);
            answer = choice == MessageChoice::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
        });
        return answer;
    };
    hooks.UpdateStatusText = [this] {
        RunOnMainThread([this] {
            if (m_pDoc)
                m_pDoc->UpdateStatusText();
        });
    };
    hooks.CanSwitchUsbDriver = [] { return CanSwitchUsbDriver(); };
}

void CVellumioApp::ConnectWithPleaseWait(QEventLoop::ProcessEventsFlags flags)
{
    m_bPleaseWaitStopped = false;
    // Widgets live on this thread only, so the splash window animates here
    // while the attempt, which may block for seconds, runs on a worker. It
    // shows once the attempt has lasted a moment: a printer that answers at
    // once gets no window flashing past.
    QEventLoop waiting;
    QTimer::singleShot(kPleaseWaitDelayMs, &waiting, [this] {
        if (!m_environment.showPleaseWait || m_bPleaseWaitStopped)
            return;
        m_pPleaseWait = std::make_unique<CPleaseWaitDlg>();
        m_pPleaseWait->show();
    });
    std::thread attempt([this, &waiting] {
        ConnectPrinter(m_pCommunication.get(), m_settings, m_context);
        QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
    });
    waiting.exec(flags);
    attempt.join();
}

void CVellumioApp::Reconnect()
{
    // A change made while an attempt runs (through the accessibility bus,
    // which is no user input) is applied once that attempt has ended.
    if (m_bConnecting) {
        m_bReconnectAgain = true;
        return;
    }
    m_bConnecting = true;
    do {
        m_bReconnectAgain = false;
        // Input is held back, not lost: a change made meanwhile applies after.
        ConnectWithPleaseWait(QEventLoop::ExcludeUserInputEvents);
    } while (m_bReconnectAgain);
    m_bConnecting = false;
    StopPleaseWait();
    m_pPleaseWait.reset();
}

void CVellumioApp::CreateDocumentAndFrame()
{
    DocumentHooks hooks;
    hooks.HasMainWindow = [this] { return m_pFrame != nullptr; };
    hooks.IsLinkOpen = [this] { return m_pCommunication && m_pCommunication->IsOpen(); };
    hooks.AskPrinter = [this](std::span<const std::uint8_t> command, std::int32_t expectedLength) {
        return m_pCommunication ? AskPrinterResponsively(*m_pCommunication, command, expectedLength)
                                : PrinterReply{};
    };
    hooks.AskSavePath = [this](const std::string& fileType, const std::string& extension) {
        const std::optional<QString> path =
            AskSavePath(m_pFrame.get(), QString::fromStdString(fileType), QString::fromStdString(extension));
        return path ? std::optional<std::string>(path->toStdString()) : std::nullopt;
    };
    m_pDoc = std::make_unique<CVellumioDoc>(std::move(hooks));
    connect(m_pDoc.get(), &CVellumioDoc::StatusTextChanged, this,
            [this](const QString& text) { m_strStatusText = text; });

    m_pFrame = std::make_unique<CMainFrame>(*m_pDoc, m_settings);
    m_pFrame->m_strProgramFolder = QString::fromStdString(m_context.m_strProgramFolder);
    m_pFrame->SetRecentFiles(m_recentFiles.Paths());
    CMainFrame& frame = *m_pFrame;
    connect(&frame, &CMainFrame::OpenFileRequested, this, [this](const std::string& path) { OpenDocumentFile(path); });
    connect(&frame, &CMainFrame::ImportFileRequested, this,
            [this](const std::string& path) { ImportPictureFile(path); });
    // Queued: the import dialog must not run inside the drop, while the
    // dragging program still waits for its answer.
    connect(&frame, &CMainFrame::FileDropped, this, &CVellumioApp::OnFileDropped, Qt::QueuedConnection);
    connect(&frame, &CMainFrame::NewDocumentRequested, this, &CVellumioApp::OnFileNew);
    connect(&frame, &CMainFrame::AboutRequested, this, &CVellumioApp::OnAppAbout);

    CPictureInfoPage& page = frame.View().PictureInfoPage();
    connect(&page, &CPictureInfoPage::OutputParametersEdited, this, &CVellumioApp::UpdateOutputPicture);
    connect(&page, &CPictureInfoPage::OutputTypeChanged, this, [this](int type) { m_pDoc->m_nOutputType = type; });
    connect(&page, &CPictureInfoPage::OpenRequested, &frame, &CMainFrame::OnFileOpen);
    connect(&page, &CPictureInfoPage::SaveAsRequested, m_pDoc.get(), &CVellumioDoc::OnFileSaveAs);
    connect(m_pDoc.get(), &CVellumioDoc::OutputFileChosen, &page, &CPictureInfoPage::OnOutputFileSaved);

    connect(&frame.View().CommunicationPage(), &CCommunicationPage::SettingsApplied, this, &CVellumioApp::Reconnect);

    frame.View().OnInitialUpdate();
    frame.View().AttachPrinter(m_pCommunication.get(), m_upload);
    qApp->installEventFilter(this);
}

bool CVellumioApp::ProcessCommandLine(const QStringList& arguments)
{
    const QStringList files = arguments.mid(1);
    if (files.size() > 1) {
        StopPleaseWait();
        ShowMessage("Usage: vellumio [FILE]");
        return false;
    }
    if (files.isEmpty())
        return m_pDoc->OnNewDocument();
    StopPleaseWait();
    return OpenDocumentFile(files.front().toStdString());
}

bool CVellumioApp::OpenDocumentFile(const std::string& path)
{
    if (!m_pDoc)
        return false;
    // Opening the file already open reads it again.
    if (m_pDoc->FilePath() == path) {
        m_pDoc->SetModifiedFlag(false);
        m_pDoc->OnNewDocument();
    }
    if (!m_pDoc->OnOpenDocument(path))
        return false;
    m_recentFiles.Add(path);
    m_recentFiles.Save(*OpenSettingsStore());
    if (m_pFrame)
        m_pFrame->SetRecentFiles(m_recentFiles.Paths());
    return true;
}

bool CVellumioApp::ImportPictureFile(const std::string& path)
{
    if (!m_pDoc)
        return false;
    return ::ImportPictureFile(*m_pDoc, *OpenSettingsStore(), path, m_pFrame.get(), m_environment.runImportDialog);
}

void CVellumioApp::OnFileDropped(const std::string& path)
{
    const OpenedPicture probe = OpenPictureFile(path);
    const bool refusedByContent = !probe.picture && probe.systemError == 0;
    if (refusedByContent && CanImport(path))
        ImportPictureFile(path);
    else
        OpenDocumentFile(path);
}

void CVellumioApp::UpdateOutputPicture()
{
    if (!m_pDoc)
        return;
    m_pDoc->SetModifiedFlag(true);
    m_pDoc->UpdateAllViews(0);
    qDebug("CVellumioApp::UpdateOutputPicture");
}

void CVellumioApp::OnFileNew()
{
    if (m_pDoc)
        m_pDoc->OnNewDocument();
}

void CVellumioApp::OnAppAbout()
{
    CAboutDlg about(m_pFrame.get());
    about.exec();
}

bool CVellumioApp::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return QObject::eventFilter(watched, event);
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (IsLockKey(key.key()) && m_pFrame)
        m_pFrame->UpdateLockIndicators();
    auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::KeyPress || !m_pFrame || !widget || IsStandardDialog(widget->window()))
        return QObject::eventFilter(watched, event);
    return m_pFrame->View().KeyFilter(key);
}

int CVellumioApp::ExitInstance()
{
    qApp->removeEventFilter(this);
    m_upload.Reset();
    if (m_pSink) {
        m_pSink->Disconnect();
        m_pSink.reset();
    }
    if (m_pCommunication && m_pCommunication->IsOpen())
        m_pCommunication->Close();
    const std::string& former = m_context.m_strFormerUsbDriver;
    if (m_pCommunication && !former.empty() && CanSwitchUsbDriver() &&
        ShowMessage(WithText(kReloadDriver, former), MessageIcon::Question, MessageButtons::YesNo) ==
            MessageChoice::Yes)
        m_pCommunication->SwitchUsbDriver(former);
    m_settings.SaveSettings();
    return 0;
}
