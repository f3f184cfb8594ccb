#include "import_flow.h"

#include "image_source.h"
#include "import_dlg.h"
#include "import_settings.h"
#include "picture_import.h"
#include "user_message.h"
#include "vellumio_doc.h"

#include <utility>

bool ImportPictureFile(CVellumioDoc& document, QSettings& store, const std::string& path, QWidget* parent,
                       const ImportDialogRunner& run)
{
    ImportSource source = ReadImportSource(path);
    if (!source.image) {
        ShowMessage(source.message);
        return false;
    }
    CImportDlg dialog(std::move(*source.image), LoadImportOptions(store), parent);
    const int result = run ? run(dialog) : dialog.exec();
    if (result != QDialog::Accepted || !dialog.Result())
        return false;
    SaveImportOptions(store, dialog.Options());
    document.LoadUploadedPicture(BitmapFileImage(*dialog.Result()));
    return document.InputPicture() != nullptr;
}
