#pragma once

#include "comm_settings.h"
#include "import_flow.h"
#include "printer_connection.h"
#include "recent_file_list.h"
#include "upload_receiver.h"

#include <QEventLoop>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CMainFrame;
class CPleaseWaitDlg;
class CVellumioDoc;
class CommEventSink;
class ICommunication;


// What start-up takes from its surroundings; tests replace the component.
struct AppEnvironment {
    std::function<std::unique_ptr<ICommunication>()> MakeComponent;
    // The splash window while the first connection attempt runs.
    bool showPleaseWait = true;
    // Shows the import dialog; empty for the modal dialog itself.
    ImportDialogRunner runImportDialog{};
};

// The application: the printer link, the settings and the state that
// outlives a document, with the ordered start-up and shut-down.
class CVellumioApp : public QObject {
    Q_OBJECT

public:
    explicit CVellumioApp(AppEnvironment environment = {});
    ~CVellumioApp() override;

    // False ends the program at once; shut-down still runs.
    bool InitInstance(const QStringList& arguments);
    int ExitInstance();
    bool CreateCommunication();
    bool OpenDocumentFile(const std::string& path);
    bool ImportPictureFile(const std::string& path);
    // A dropped file opens, unless none of the five formats takes it and an
    // image reader does: then it is imported.
    void OnFileDropped(const std::string& path);
    void UpdateOutputPicture();
    void OnFileNew();
    void OnAppAbout();

    CVellumioDoc* Document() const { return m_pDoc.get(); }
    CMainFrame* MainFrame() const { return m_pFrame.get(); }
    ICommunication* Communication() const { return m_pCommunication.get(); }
    CommSettings& Settings() { return m_settings; }
    const QString& StatusText() const { return m_strStatusText; }
    const std::string& ProgramFolder() const { return m_context.m_strProgramFolder; }

    // A reconnection with the current settings, as after a change on the
    // "Communication" page.
    void Reconnect();

    // The printer's unasked replies being reassembled, an upload among them.
    UploadReceiver m_upload;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a connection attempt on a worker while this thread shows the
    // splash window; user input waits until it ends.
    void ConnectWithPleaseWait(QEventLoop::ProcessEventsFlags flags);
    void InstallConnectionHooks();
    void CreateDocumentAndFrame();
    bool ProcessCommandLine(const QStringList& arguments);
    void StopPleaseWait();
    void RunOnMainThread(const std::function<void()>& work);

    AppEnvironment m_environment;
    std::unique_ptr<CPleaseWaitDlg> m_pPleaseWait;
    bool m_bPleaseWaitStopped = false;
    bool m_bConnecting = false;
    bool m_bReconnectAgain = false;
    ConnectionContext m_context;
    std::unique_ptr<CommEventSink> m_pSink;
    QString m_strStatusText;
    CommSettings m_settings;
    RecentFileList m_recentFiles;
    std::unique_ptr<ICommunication> m_pCommunication;
    std::unique_ptr<CVellumioDoc> m_pDoc;
    std::unique_ptr<CMainFrame> m_pFrame;
};
