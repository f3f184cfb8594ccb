#pragma once

#include <QDialog>
#include <QString>

inline constexpr char kHelpMissingText[] =
    "No application is associated to open the help file. You can download Acrobat Reader with this link below :";
inline constexpr char kDefaultAcrobatWebSite[] = "https://get.adobe.com/reader/";

// The address of the PDF reader's download page: the "Acrobat Web site"
// setting, or the built-in page. The program never writes the setting.
QString AcrobatWebSite();

// Shown by Help when no application opens the user manual: "Continue"
// (accepted) asks the desktop again, "Abort" (rejected) gives up.
class CHelpMissingDlg : public QDialog {
    Q_OBJECT

public:
    explicit CHelpMissingDlg(QWidget* parent = nullptr);

    const QString& LinkAddress() const { return m_strLinkAddress; }

private:
    QString m_strLinkAddress;
};
