#pragma once

#include "help_launcher.h"

#include <QMainWindow>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class CVellumioDoc;
class CVellumioView;
class QAction;
class QLabel;
class QMenu;
struct CommSettings;

// Status-bar pane ids, left to right after the message pane.
inline constexpr int kIndicatorCapsLock = 59137;
inline constexpr int kIndicatorNumLock = 59138;
inline constexpr int kIndicatorScrollLock = 59139;

// What the file-name box of File Open starts with, from the path last opened:
// the last folder and the last extension, as "folder/*.ext".
std::string FileOpenInitialName(const std::string& lastPath);

// The main window: menus, status bar and the view.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kMinimumWidth = 600;
    static constexpr int kMinimumHeight = 250;
    static constexpr int kInitialSize = 600;

    CMainFrame(CVellumioDoc& document, CommSettings& settings, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CVellumioView& View() const { return *m_pView; }
    void SetIndicatorText(int indicatorId, const QString& text);
    // The message pane shows the application's status text.
    void SetStatusText(const QString& text);
    QString StatusText() const;
    void SetRecentFiles(const std::vector<std::string>& paths);
    // Shows the lock states the platform reports; a lock of unknown state
    // shows nothing.
    void UpdateLockIndicators();

    void OnFileOpen();
    void OnFileImport();
    void OnHelp();
    QAction* Action(int commandId) const;

    // The open dialog; replaced by tests. Returns the chosen path.
    std::function<std::optional<std::string>(const QString& initialName, QWidget* parent)> m_askOpenPath;
    // The file dialog of "Import picture..."; replaced by tests.
    std::function<std::optional<std::string>(QWidget* parent)> m_askImportPath;
    // The manual's folder, where the program lies.
    QString m_strProgramFolder;
    HelpLauncher m_helpLauncher;

signals:
    void OpenFileRequested(const std::string& path);
    void ImportFileRequested(const std::string& path);
    // A file dropped on the window: opened, or imported when only the
    // image readers take it.
    void FileDropped(const std::string& path);
    void NewDocumentRequested();
    void AboutRequested();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateMenus();
    void CreateStatusBar();
    void UpdateWindowItems();
    QAction* AddCommand(QMenu* menu, const QString& text, int commandId);

    CVellumioDoc& m_doc;
    CVellumioView* m_pView = nullptr;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pRecentPlaceholder = nullptr;
    QAction* m_pRecentEnd = nullptr;
    std::vector<QAction*> m_recentActions;
    std::vector<std::pair<int, QLabel*>> m_panes;
    QLabel* m_pMessagePane = nullptr;
    std::string m_strLastOpenedPath;
};
