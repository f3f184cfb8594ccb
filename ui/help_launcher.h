#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

inline constexpr char kUserManualName[] = "user manual.pdf";

// The user manual: beside the program (a build tree), else in the data folder
// of an installed program (../share/vellumio from its folder). When neither
// holds it, the path beside the program, so the viewer names where it looked.
QString FindUserManual(const QString& programFolder);

// What the desktop runs for PDF files: the Exec= command line of the
// desktop file that "xdg-mime query default application/pdf" names. Empty
// when there is none, when xdg-mime is missing or when it does not answer.
QString FindPdfApplication();

// The desktop file with this id in $XDG_DATA_HOME/applications or
// $XDG_DATA_DIRS/applications, the first one found; empty when none.
QString FindDesktopFile(const QString& desktopId);

// The Exec= value of a desktop file's main group with the file's own
// escapes undone; empty when it has none.
QString DesktopEntryExec(const QString& desktopFileText);

// Splits an Exec= command line into the program and its arguments. The file
// takes the place of the first file or address field code, or comes last
// when there is none; the other field codes are dropped.
QStringList DesktopExecCommand(const QString& exec, const QString& file);

// Help: opens the user manual of the program folder with the desktop's PDF
// application, and when there is none explains where to get one. Each step
// can be replaced, so that the flow runs without a desktop.
struct HelpLauncher {
    // The application's command line, empty when there is none.
    std::function<QString()> findApplication = FindPdfApplication;
    // Shows the help-missing dialog; true when the user chose "Continue".
    std::function<bool(QWidget* parent)> offerReader;
    // Starts the program detached in the folder; true when it started.
    std::function<bool(const QString& program, const QStringList& arguments, const QString& folder)> start;

    HelpLauncher();
    void OpenUserManual(QWidget* parent, const QString& programFolder) const;
};

// The Help command.
void OpenUserManual(QWidget* parent, const QString& programFolder);
