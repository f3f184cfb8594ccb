#pragma once

#include <QDialog>
#include <QIcon>

// The program's icon, also meant for the main window.
QIcon ApplicationIcon();

// The about box: name, version and one line on what the program is for.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
