#pragma once

#include <QFileDialog>
#include <QString>

#include <optional>

// The Save As dialog: it offers exactly the one file type the caller gives
// and keeps the user from choosing another.
class CSaveDlg : public QFileDialog {
    Q_OBJECT

public:
    // fileType is one name filter, e.g. "RASTER GFX EXT(*.gfx)"; extension
    // the suffix added to a name typed without one, e.g. "gfx".
    CSaveDlg(QWidget* parent, const QString& fileType, const QString& extension,
             const QString& initialName = QString());
};

// Shows the dialog modally; the chosen full path, or nothing when the user
// cancels.
std::optional<QString> AskSavePath(QWidget* parent, const QString& fileType, const QString& extension);
