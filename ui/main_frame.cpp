#include "main_frame.h"

#include "image_source.h"
#include "lock_keys.h"
#include "vellumio_doc.h"
#include "vellumio_view.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>

namespace {

constexpr int kCommandOpen = 57601;
constexpr int kCommandImport = 32774;
constexpr int kCommandSave = 57603;
constexpr int kCommandSaveAs = 57604;
constexpr int kCommandRecentFile = 57616;
constexpr int kCommandQuit = 57665;
constexpr int kCommandInputPicture = 32771;
constexpr int kCommandOutputPicture = 32772;
constexpr int kCommandHelp = 32773;
constexpr int kCommandAbout = 57664;
constexpr int kCommandNew = 57600;
constexpr int kStatusBarId = 59393;

struct PaneText {
    int id;
    const char* initial;
};
// The initial texts also size the panes.
constexpr PaneText kPanes[] = {
    {kIndicatorDimensions, "width:     - height:            "},
    {kIndicatorSize, "             bytes"},
    {kIndicatorCapsLock, "MAJ"},
    {kIndicatorNumLock, "NUM"},
    {kIndicatorScrollLock, "DEF"},
};

std::optional<std::string> AskOpenPath(const QString& initialName, QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters({" All Files (*.*)", " Bitmap Files (*.bmp)", " Graphics Files (*.gfx)",
                           " Logo Files (*.log)"});
    const qsizetype slash = initialName.lastIndexOf('/');
    if (slash >= 0)
        dialog.setDirectory(initialName.left(slash + 1));
    dialog.selectFile(initialName.mid(slash + 1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> AskImportPath(QWidget* parent)
{
    QFileDialog dialog(parent, QStringLiteral("Import picture"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters({QStringLiteral("Pictures (%1)").arg(ImportNameFilters().join(' ')),
                           QStringLiteral("All Files (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

// "*" and the extension of a name from its first dot, or "*.*" without one.
std::string WildcardFor(const std::string& name)
{
    const auto dot = name.find('.');
    return dot == std::string::npos ? "*.*" : "*" + name.substr(dot);
}

}  // namespace

std::string FileOpenInitialName(const std::string& lastPath)
{
    if (lastPath.empty())
        return "*.*";
    const auto slash = lastPath.rfind('/');
    if (slash == std::string::npos)
        return WildcardFor(lastPath);
    return lastPath.substr(0, slash + 1) + WildcardFor(lastPath.substr(slash + 1));
}

CMainFrame::CMainFrame(CVellumioDoc& document, CommSettings& settings, QWidget* parent)
    : QMainWindow(parent), m_doc(document)
{
    setWindowTitle("Vellumio");
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(kInitialSize, kInitialSize);
    m_askOpenPath = AskOpenPath;
    m_askImportPath = AskImportPath;
    m_pView = new CVellumioView(document, settings, this);
    setCentralWidget(m_pView);
    CreateMenus();
    CreateStatusBar();
    connect(m_pView, &CVellumioView::IndicatorText, this, &CMainFrame::SetIndicatorText);
    connect(&m_doc, &CVellumioDoc::StatusTextChanged, this, &CMainFrame::SetStatusText);
    connect(&m_doc, &CVellumioDoc::DisplayChanged, this, [this] { UpdateWindowItems(); });
    connect(&m_doc, &CVellumioDoc::ViewsUpdated, this, [this] { UpdateWindowItems(); });
    // A failed open updates no view but leaves nothing to show or save.
    connect(&m_doc, &CVellumioDoc::InputDropped, this, [this] { UpdateWindowItems(); });
    UpdateWindowItems();
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::AddCommand(QMenu* menu, const QString& text, int commandId)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::number(commandId));
    return action;
}

QAction* CMainFrame::Action(int commandId) const
{
    return findChild<QAction*>(QString::number(commandId));
}

void CMainFrame::CreateMenus()
{
    m_pFileMenu = menuBar()->addMenu("&File");
    QAction* open = AddCommand(m_pFileMenu, "&Open...", kCommandOpen);
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(open, &QAction::triggered, this, &CMainFrame::OnFileOpen);
    connect(AddCommand(m_pFileMenu, "&Import picture...", kCommandImport), &QAction::triggered, this,
            &CMainFrame::OnFileImport);
    QAction* save = AddCommand(m_pFileMenu, "&Save", kCommandSave);
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(save, &QAction::triggered, &m_doc, &CVellumioDoc::OnFileSave);
    connect(AddCommand(m_pFileMenu, "S&ave as...", kCommandSaveAs), &QAction::triggered, &m_doc,
            &CVellumioDoc::OnFileSaveAs);
    m_pFileMenu->addSeparator();
    m_pRecentPlaceholder = AddCommand(m_pFileMenu, "Recent file", kCommandRecentFile);
    m_pRecentPlaceholder->setEnabled(false);
    m_pRecentEnd = m_pFileMenu->addSeparator();
    connect(AddCommand(m_pFileMenu, "&Quit", kCommandQuit), &QAction::triggered, this, &QWidget::close);

    QMenu* window = menuBar()->addMenu("Window");
    QAction* input = AddCommand(window, "Input picture", kCommandInputPicture);
    QAction* output = AddCommand(window, "Output picture", kCommandOutputPicture);
    input->setCheckable(true);
    output->setCheckable(true);
    connect(input, &QAction::triggered, &m_doc, &CVellumioDoc::OnInputPicture);
    connect(output, &QAction::triggered, &m_doc, &CVellumioDoc::OnOutputPicture);

    QMenu* help = menuBar()->addMenu("&?");
    connect(AddCommand(help, "&Help", kCommandHelp), &QAction::triggered, this, &CMainFrame::OnHelp);
    connect(AddCommand(help, "&About Vellumio...", kCommandAbout), &QAction::triggered, this,
            &CMainFrame::AboutRequested);

    // Ctrl+N has no menu item.
    auto* fileNew = new QAction(this);
    fileNew->setObjectName(QString::number(kCommandNew));
    fileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    addAction(fileNew);
    connect(fileNew, &QAction::triggered, this, &CMainFrame::NewDocumentRequested);
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QString::number(kStatusBarId));
    // The grip would take room the message pane needs at the smallest width.
    bar->setSizeGripEnabled(false);
    m_pMessagePane = new QLabel(bar);
    // Without a name of its own, a screen reader reads the status text.
    m_pMessagePane->setObjectName("0");
    bar->addWidget(m_pMessagePane, 1);
    for (const PaneText& pane : kPanes) {
        auto* label = new QLabel(pane.initial, bar);
        label->setObjectName(QString::number(pane.id));
        label->setMinimumWidth(label->sizeHint().width());
        bar->addPermanentWidget(label);
        m_panes.emplace_back(pane.id, label);
    }
    UpdateLockIndicators();
}

void CMainFrame::SetIndicatorText(int indicatorId, const QString& text)
{
    for (const auto& [id, label] : m_panes)
        if (id == indicatorId)
            label->setText(text);
}

void CMainFrame::SetStatusText(const QString& text)
{
    m_pMessagePane->setText(text);
}

QString CMainFrame::StatusText() const
{
    return m_pMessagePane->text();
}

void CMainFrame::UpdateLockIndicators()
{
    const LockStates states = QueryLockStates();
    const auto show = [this](int id, const char* text, std::optional<bool> on) {
        SetIndicatorText(id, on.value_or(false) ? text : "");
    };
    show(kIndicatorCapsLock, "MAJ", states.capsLock);
    show(kIndicatorNumLock, "NUM", states.numLock);
    show(kIndicatorScrollLock, "DEF", states.scrollLock);
}

void CMainFrame::UpdateWindowItems()
{
    const bool hasInput = m_doc.InputPicture() != nullptr;
    for (int id : {kCommandInputPicture, kCommandOutputPicture})
        Action(id)->setEnabled(hasInput);
    Action(kCommandInputPicture)->setChecked(m_doc.m_bInputDisplayed);
    Action(kCommandOutputPicture)->setChecked(!m_doc.m_bInputDisplayed);
    for (int id : {kCommandSave, kCommandSaveAs})
        Action(id)->setEnabled(m_doc.OnUpdateFileSave());
}

void CMainFrame::SetRecentFiles(const std::vector<std::string>& paths)
{
    for (QAction* action : m_recentActions)
        delete action;
    m_recentActions.clear();
    m_pRecentPlaceholder->setVisible(paths.empty());
    int number = 1;
    for (const std::string& path : paths) {
        auto* action = new QAction(QString("&%1 %2").arg(number).arg(QString::fromStdString(path)), this);
        action->setObjectName(QString::number(kCommandRecentFile + number - 1));
        connect(action, &QAction::triggered, this, [this, path] { emit OpenFileRequested(path); });
        m_pFileMenu->insertAction(m_pRecentEnd, action);
        m_recentActions.push_back(action);
        ++number;
    }
}

void CMainFrame::OnFileOpen()
{
    const std::string initial = FileOpenInitialName(m_strLastOpenedPath);
    const std::optional<std::string> chosen = m_askOpenPath(QString::fromStdString(initial), this);
    if (!chosen)
        return;
    m_strLastOpenedPath = *chosen;
    emit OpenFileRequested(*chosen);
}

void CMainFrame::OnFileImport()
{
    if (const std::optional<std::string> chosen = m_askImportPath(this))
        emit ImportFileRequested(*chosen);
}

void CMainFrame::OnHelp()
{
    m_helpLauncher.OpenUserManual(this, m_strProgramFolder);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    // One document at a time: the first file dropped is opened.
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            emit FileDropped(url.toLocalFile().toStdString());
            return;
        }
    }
}
