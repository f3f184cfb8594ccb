#include "save_dlg.h"

#include <QComboBox>

CSaveDlg::CSaveDlg(QWidget* parent, const QString& fileType, const QString& extension, const QString& initialName)
    : QFileDialog(parent)
{
    // The widget-based dialog, because only its type list can be locked.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setOption(QFileDialog::DontConfirmOverwrite, false);
    setNameFilter(fileType);
    setDefaultSuffix(extension);
    if (!initialName.isEmpty())
        selectFile(initialName);
    if (auto* types = findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        types->setEnabled(false);
}

std::optional<QString> AskSavePath(QWidget* parent, const QString& fileType, const QString& extension)
{
    CSaveDlg dialog(parent, fileType, extension);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.front();
}
