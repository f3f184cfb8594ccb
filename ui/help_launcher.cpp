#include "help_launcher.h"

#include "help_missing_dlg.h"
#include "vellumio_build_info.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <utility>

namespace {

constexpr int kQueryMilliseconds = 5000;

QStringList ApplicationFolders()
{
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty())
        system = QStringLiteral("/usr/local/share:/usr/share");
    QStringList folders{home + QStringLiteral("/applications")};
    for (const QString& folder : system.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders << folder + QStringLiteral("/applications");
    return folders;
}

// A desktop id names a file below an applications folder with each "/"
// written as "-", so "vendor-viewer.desktop" may also be vendor/viewer.desktop.
QString FindBelow(const QDir& folder, const QString& id)
{
    if (QFileInfo(folder.filePath(id)).isFile())
        return folder.filePath(id);
    for (qsizetype dash = id.indexOf(QLatin1Char('-')); dash > 0; dash = id.indexOf(QLatin1Char('-'), dash + 1)) {
        const QString sub = id.left(dash);
        if (QFileInfo(folder.filePath(sub)).isDir()) {
            const QString found = FindBelow(QDir(folder.filePath(sub)), id.mid(dash + 1));
            if (!found.isEmpty())
                return found;
        }
    }
    return {};
}

QString QueryDefaultPdfDesktopId()
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("application/pdf")});
    if (!query.waitForStarted(kQueryMilliseconds))
        return {};
    if (!query.waitForFinished(kQueryMilliseconds)) {
        query.kill();
        query.waitForFinished();
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

// The string escapes of desktop files: \s \n \t \r and \\.
QString UndoValueEscapes(const QString& value)
{
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's': text += QLatin1Char(' '); break;
        case 'n': text += QLatin1Char('\n'); break;
        case 't': text += QLatin1Char('\t'); break;
        case 'r': text += QLatin1Char('\r'); break;
        case '\\': text += QLatin1Char('\\'); break;
        default: text += QLatin1Char('\\'); text += next; break;
        }
    }
    return text;
}

struct ExecWord {
    QString text;
    bool quoted = false;
};

QList<ExecWord> SplitExec(const QString& exec)
{
    QList<ExecWord> words;
    ExecWord word;
    bool inWord = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
                word.text += exec[++i];
            } else {
                word.text += c;
            }
        } else if (c == QLatin1Char('"')) {
            inQuotes = inWord = word.quoted = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inWord)
                words << std::exchange(word, ExecWord());
            inWord = false;
        } else {
            word.text += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    return words;
}

}  // namespace

QString FindUserManual(const QString& programFolder)
{
    const QDir folder(programFolder);
    const QString beside = folder.filePath(QString::fromLatin1(kUserManualName));
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed = QDir::cleanPath(folder.filePath(QStringLiteral("../share/") +
                                                               QString::fromLatin1(kVellumioDataFolder) + QLatin1Char('/') +
                                                               QString::fromLatin1(kUserManualName)));
    return QFileInfo(installed).isFile() ? installed : beside;
}

QString FindDesktopFile(const QString& desktopId)
{
    if (desktopId.isEmpty() || desktopId.contains(QLatin1Char('/')))
        return {};
    for (const QString& folder : ApplicationFolders()) {
        const QString found = FindBelow(QDir(folder), desktopId);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

QString DesktopEntryExec(const QString& desktopFileText)
{
    bool inMainGroup = false;
    for (const QString& rawLine : desktopFileText.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && line.left(equals).trimmed() == QStringLiteral("Exec"))
            return UndoValueEscapes(line.mid(equals + 1).trimmed());
    }
    return {};
}

QStringList DesktopExecCommand(const QString& exec, const QString& file)
{
    QStringList command;
    bool filePlaced = false;
    for (const ExecWord& word : SplitExec(exec)) {
        if (word.quoted) {
            // Field codes have no meaning inside quotes.
            command << word.text;
            continue;
        }
        QString text;
        bool hadCode = false;
        for (qsizetype i = 0; i < word.text.size(); ++i) {
            if (word.text[i] != QLatin1Char('%') || i + 1 == word.text.size()) {
                text += word.text[i];
                continue;
            }
            const QChar code = word.text[++i];
            if (code == QLatin1Char('%')) {
                text += code;
                continue;
            }
            hadCode = true;
            if (QStringLiteral("fFuU").contains(code) && !filePlaced) {
                text += file;
                filePlaced = true;
            }
        }
        if (!text.isEmpty() || !hadCode)
            command << text;
    }
    if (!filePlaced && !command.isEmpty())
        command << file;
    return command;
}

QString FindPdfApplication()
{
    const QString answer = QueryDefaultPdfDesktopId();
    // Several ids may come back, separated by ";": the first with a file wins.
    for (const QString& id : answer.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        QFile desktopFile(FindDesktopFile(id.trimmed()));
        if (desktopFile.fileName().isEmpty() || !desktopFile.open(QIODevice::ReadOnly))
            continue;
        const QString exec = DesktopEntryExec(QString::fromUtf8(desktopFile.readAll()));
        if (!exec.isEmpty())
            return exec;
    }
    return {};
}

HelpLauncher::HelpLauncher()
    : offerReader([](QWidget* parent) {
          CHelpMissingDlg dialog(parent);
          return dialog.exec() == QDialog::Accepted;
      }),
      start([](const QString& program, const QStringList& arguments, const QString& folder) {
          return QProcess::startDetached(program, arguments, folder);
      })
{
}

void HelpLauncher::OpenUserManual(QWidget* parent, const QString& programFolder) const
{
    QString application = findApplication();
    if (application.isEmpty()) {
        if (!offerReader(parent))
            return;
        // One more look: the user may have installed a reader meanwhile.
        application = findApplication();
    }
    const QString manual = FindUserManual(programFolder);
    const QStringList command = DesktopExecCommand(application, manual);
    if (command.isEmpty())
        return;
    start(command.front(), command.mid(1), programFolder);
}

void OpenUserManual(QWidget* parent, const QString& programFolder)
{
    HelpLauncher().OpenUserManual(parent, programFolder);
}
