#pragma once

#include <QDialog>

#include <functional>
#include <string>

class CImportDlg;
class CVellumioDoc;
class QSettings;
class QWidget;

// Shows the dialog and returns its result; tests answer it themselves.
using ImportDialogRunner = std::function<int(CImportDlg&)>;

// Imports a picture file: reads it, offers the import dialog with the
// choices stored last, and on OK stores the choices and hands the dots to
// the document as its new input picture, the way an upload arrives. An
// unreadable file gets its message and leaves the document as it was, as
// does Cancel. True when a picture was taken.
bool ImportPictureFile(CVellumioDoc& document, QSettings& store, const std::string& path, QWidget* parent,
                       const ImportDialogRunner& run = {});
