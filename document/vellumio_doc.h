#pragma once

#include "picture.h"
#include "printer_reply.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What the document asks of the program around it. Empty hooks count as "no
// main window", "link closed" and "cancelled".
struct DocumentHooks {
    std::function<bool()> HasMainWindow;
    std::function<bool()> IsLinkOpen;
    // The save dialog, locked to one file type; the chosen full path, or
    // nothing when the user cancels.
    std::function<std::optional<std::string>(const std::string& fileType, const std::string& extension)> AskSavePath;
    // Sends a command and waits for a reply of the given length; without it
    // every request counts as a communication failure.
    std::function<PrinterReply(std::span<const std::uint8_t> command, std::int32_t expectedLength)> AskPrinter;
};

// The single document: the input picture, read from a file or uploaded, and
// the output picture built from it. Its modified flag means only that the
// output picture is out of date.
class CVellumioDoc : public QObject {
    Q_OBJECT

public:
    explicit CVellumioDoc(DocumentHooks hooks = {}, QObject* parent = nullptr);
    ~CVellumioDoc() override;

    bool OnNewDocument();
    bool OnOpenDocument(const std::string& path);
    bool LoadInputPicture();
    void LoadUploadedPicture(std::span<const std::uint8_t> bytes);

    void OnInputPicture();
    void OnOutputPicture();
    void OnFileSave();
    void OnFileSaveAs();
    // Both save commands are enabled exactly when an input picture exists.
    bool OnUpdateFileSave() const { return m_pInputPicture != nullptr; }
    bool OnSaveDocument(const std::string& path);

    void UpdateStatusText();
    // The LOGO image a download sends: the output picture's dots, else the
    // input picture's. Nothing when there is neither (with a message) or when
    // the image cannot be built.
    std::optional<std::vector<std::uint8_t>> BuildDownloadImage() const;
    // Asks the printer whether slot n holds the logo just sent; any other
    // answer ends in a message.
    void VerifyDownload(std::uint8_t logoNumber, std::uint16_t checksum) const;
    bool BuildOutputPicture(std::int32_t type, const std::string& fileName, std::uint32_t width,
                            std::uint32_t height, std::int32_t offsetX, std::int32_t offsetY);

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }
    // Every view reacts at once (direct connections), so a rebuild it makes
    // is done when this returns.
    void UpdateAllViews(int hint) { emit ViewsUpdated(hint); }

    const CPicture* InputPicture() const { return m_pInputPicture.get(); }
    const CPicture* OutputPicture() const { return m_pOutputPicture.get(); }
    // The picture on display: the input while m_bInputDisplayed is set.
    const CPicture* DisplayedPicture() const;
    const std::string& FilePath() const { return m_strFilePath; }
    const QString& StatusText() const { return m_strStatusText; }

    std::int32_t m_nOutputType = -1;
    bool m_bNewInput = true;
    bool m_bInputDisplayed = true;

signals:
    void ViewsUpdated(int hint);
    // The check marks of "Input picture" and "Output picture" follow
    // m_bInputDisplayed.
    void DisplayChanged(bool inputDisplayed);
    void StatusTextChanged(const QString& text);
    // A Save As was confirmed, whether or not the save then succeeds.
    void OutputFileChosen(const QString& path);
    // The input picture is gone; a failed open or upload leaves none.
    void InputDropped();

private:
    void ShowInputPicture();
    void DropInput();

    DocumentHooks m_hooks;
    std::string m_strFilePath;
    std::unique_ptr<CPicture> m_pInputPicture;
    std::unique_ptr<CPicture> m_pOutputPicture;
    bool m_bModified = false;
    QString m_strStatusText;
};
