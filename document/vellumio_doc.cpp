#include "vellumio_doc.h"

#include "bmp_picture.h"
#include "download_image.h"
#include "picture_factory.h"
#include "picture_file.h"
#include "printer_commands.h"
#include "printer_replies.h"
#include "user_message.h"

#include <utility>

namespace {

struct SaveFileType {
    const char* entry;
    const char* extension;
};

// Indexed by PictureType. The missing blank in the EXT entry is the text the
// users know.
constexpr SaveFileType kSaveFileTypes[kPictureTypeCount] = {
    {"Windows bitmap (*.bmp)", "bmp"},
    {"EPSON GFX (*.gfx)", "gfx"},
    {"LOGO (*.log)", "log"},
    {"RASTER GFX (*.gfx)", "gfx"},
    {"RASTER GFX EXT(*.gfx)", "gfx"},
};

bool IsPictureType(std::int32_t type)
{
    return type >= 0 && static_cast<std::uint32_t>(type) < kPictureTypeCount;
}

void ShowUnknownOutputType()
{
    ShowMessage(std::string(picture_messages::kUnknownOutputType));
}

// A size rounded to suit a format is a success the user is told about.
void ShowResult(PictureResult result, const std::string& message)
{
    ShowMessage(message, result == PR_ADJUSTED ? MessageIcon::Information : MessageIcon::Warning);
}

}  // namespace

CVellumioDoc::CVellumioDoc(DocumentHooks hooks, QObject* parent) : QObject(parent), m_hooks(std::move(hooks)) {}

CVellumioDoc::~CVellumioDoc() = default;

bool CVellumioDoc::OnNewDocument()
{
    // The pictures stay: a reload of the open file passes through here and
    // a failed reopen must not lose them.
    SetModifiedFlag(false);
    m_bNewInput = true;
    return true;
}

bool CVellumioDoc::OnOpenDocument(const std::string& path)
{
    if (!PictureFile::OpenForReading(path)) {
        ShowMessage("Cannot open file " + path + ".");
        return false;
    }
    SetModifiedFlag(false);
    m_strFilePath = path;
    m_bNewInput = true;
    ShowInputPicture();
    return LoadInputPicture();
}

bool CVellumioDoc::LoadInputPicture()
{
    DropInput();
    OpenedPicture opened = OpenPictureFile(m_strFilePath);
    if (!opened.picture) {
        ShowMessage(opened.message);
        return false;
    }
    m_pInputPicture = std::move(opened.picture);
    UpdateAllViews(1);
    return true;
}

void CVellumioDoc::LoadUploadedPicture(std::span<const std::uint8_t> bytes)
{
    DropInput();
    m_pOutputPicture.reset();

    auto picture = std::make_unique<CBmpPicture>(std::string());
    picture->SetFileImage(bytes);
    std::string message;
    const PictureResult parsed = picture->Parse(message);
    if (parsed == PR_WRONG_FORMAT) {
        ShowMessage(std::string(picture_messages::kTypeNotSupported));
        return;
    }
    // A bitmap the format itself calls unusable (wrong depth, truncated) would
    // decode into wrong dots, so it is refused like one that fails to decode.
    if (parsed != PR_OK) {
        ShowMessage(message);
        return;
    }
    if (!picture->Decode(message)) {
        ShowMessage(message);
        return;
    }
    m_pInputPicture = std::move(picture);

    m_bNewInput = true;
    if (!m_bInputDisplayed)
        OnInputPicture();
    else
        UpdateAllViews(1);
}

void CVellumioDoc::OnInputPicture()
{
    // Either item, chosen while checked, hands the display to the other one:
    // both commands toggle.
    if (m_bInputDisplayed) {
        m_bInputDisplayed = false;
        // Shown from the current page settings, so rebuilt first.
        SetModifiedFlag();
    } else {
        m_bInputDisplayed = true;
    }
    emit DisplayChanged(m_bInputDisplayed);
    UpdateStatusText();
    UpdateAllViews(m_bInputDisplayed ? 1 : 0);
}

// The same toggle: chosen while checked, it hands the display back to the
// input picture.
void CVellumioDoc::OnOutputPicture()
{
    OnInputPicture();
}

void CVellumioDoc::UpdateStatusText()
{
    if (!m_hooks.HasMainWindow || !m_hooks.HasMainWindow())
        return;
    const bool linkOpen = m_hooks.IsLinkOpen && m_hooks.IsLinkOpen();
    const char* picture = m_bInputDisplayed ? "Input picture displayed" : "Output picture displayed";
    const char* link = linkOpen ? "Ready to communicate" : "Communication broken";
    m_strStatusText = QStringLiteral("%1 - %2").arg(QLatin1String(picture), QLatin1String(link));
    emit StatusTextChanged(m_strStatusText);
}

std::optional<std::vector<std::uint8_t>> CVellumioDoc::BuildDownloadImage() const
{
    const CPicture* source = m_pOutputPicture ? m_pOutputPicture.get() : m_pInputPicture.get();
    DownloadImage built = ::BuildDownloadImage(source);
    if (!built.image && !built.message.empty())
        ShowMessage(std::string(built.message));
    return std::move(built.image);
}

void CVellumioDoc::VerifyDownload(std::uint8_t logoNumber, std::uint16_t checksum) const
{
    const PrinterReply reply = m_hooks.AskPrinter
                                   ? m_hooks.AskPrinter(printer::ChecksumQuery(logoNumber), printer::kChecksumReplyLength)
                                   : PrinterReply{};
    const ChecksumCheck check = CheckChecksumReply(reply, checksum);
    if (!check.message.empty())
        ShowMessage(std::string(check.message));
}

void CVellumioDoc::OnFileSave()
{
    if (!OnUpdateFileSave())
        return;
    if (m_bInputDisplayed)
        OnOutputPicture();
    OnSaveDocument({});
}

void CVellumioDoc::OnFileSaveAs()
{
    if (!OnUpdateFileSave())
        return;
    if (m_bInputDisplayed)
        OnOutputPicture();
    if (!IsPictureType(m_nOutputType)) {
        ShowUnknownOutputType();
        return;
    }
    const SaveFileType& fileType = kSaveFileTypes[m_nOutputType];
    const std::optional<std::string> path =
        m_hooks.AskSavePath ? m_hooks.AskSavePath(fileType.entry, fileType.extension) : std::nullopt;
    // An empty answer would save under the old name: taken as a cancel.
    if (!path || path->empty())
        return;
    OnSaveDocument(*path);
    emit OutputFileChosen(QString::fromStdString(*path));
}

bool CVellumioDoc::OnSaveDocument(const std::string& path)
{
    // Nothing to write when the last build failed; its message was shown.
    if (!m_pOutputPicture)
        return false;
    CPicture& output = *m_pOutputPicture;
    std::uint32_t width = output.GetWidth();
    std::uint32_t height = output.GetHeight();
    const std::string target = path.empty() ? output.GetFileName() : path;
    output.SetFileName(target);

    if (!IsPictureType(m_nOutputType)) {
        ShowUnknownOutputType();
        return false;
    }
    const std::unique_ptr<CPicture> writer = CreatePicture(static_cast<std::uint32_t>(m_nOutputType), target);
    // The writer works on a file beside the target and only renames it over
    // the target once complete, so a failure here or in Write leaves any old
    // file as it was.
    std::string message;
    if (writer->OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message) == PR_OPEN_FAILED) {
        ShowMessage(message);
        return false;
    }
    // A view rebuilds (and so replaces) the output picture on this notice
    // only while it is out of date. Otherwise the writer borrows the dots for
    // the write, so that a save holds no second copy of them.
    const bool borrowed = !IsModified();
    if (borrowed)
        writer->AdoptBits(output.TakeBits());
    else
        writer->SetBits(output.GetBits());
    UpdateAllViews(0);

    const PictureResult written = writer->Write(width, height, message);
    if (borrowed)
        output.AdoptBits(writer->TakeBits());
    if (written != PR_OK) {
        ShowResult(written, message);
        return false;
    }
    return true;
}

bool CVellumioDoc::BuildOutputPicture(std::int32_t type, const std::string& fileName, std::uint32_t width,
                                      std::uint32_t height, std::int32_t offsetX, std::int32_t offsetY)
{
    m_bNewInput = false;
    m_pOutputPicture.reset();
    if (!IsPictureType(type)) {
        ShowUnknownOutputType();
        return false;
    }
    // Only called while an input exists; without one there is nothing to cut.
    if (!m_pInputPicture)
        return false;

    m_pOutputPicture = CreatePicture(static_cast<std::uint32_t>(type), fileName);
    std::string message;
    const PictureResult cropped =
        m_pOutputPicture->CropFrom(m_pInputPicture->GetWidth(), m_pInputPicture->GetHeight(), offsetX, offsetY, width,
                                   height, m_pInputPicture->GetBits(), message);
    if (cropped != PR_OK) {
        ShowResult(cropped, message);
        return cropped == PR_ADJUSTED;
    }
    return true;
}

const CPicture* CVellumioDoc::DisplayedPicture() const
{
    return m_bInputDisplayed ? m_pInputPicture.get() : m_pOutputPicture.get();
}

void CVellumioDoc::ShowInputPicture()
{
    if (m_bInputDisplayed)
        return;
    m_bInputDisplayed = true;
    emit DisplayChanged(true);
    // Otherwise the status bar would still name the output picture.
    UpdateStatusText();
}

void CVellumioDoc::DropInput()
{
    m_pInputPicture.reset();
    emit InputDropped();
}
