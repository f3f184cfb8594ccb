#pragma once

#include "picture_test_support.h"
#include "user_message.h"
#include "vellumio_doc.h"

namespace document_test {

using namespace picture_test;

// A bitmap of the given size with fixed random dots.
inline Bytes NoiseBitmap(std::uint32_t width, std::uint32_t height)
{
    return BmpFile{.width = width, .height = height,
                   .storedRows = Noise(4 * CPicture::DwordsPerRow(width) * height, width + height)}
        .Build();
}

// A document with what surrounds it in the program: a recorded message box,
// hooks answered from fields, and a view that rebuilds the output picture
// from the page settings as the real one does.
class DocumentTest : public testing::Test {
protected:
    DocumentTest()
    {
        m_previous = SetMessageHandler([this](const std::string& text, MessageIcon, MessageButtons) {
            messages.push_back(text);
            return MessageChoice::Ok;
        });
        QObject::connect(&doc, &CVellumioDoc::ViewsUpdated, [this](int hint) {
            events.push_back("hint " + std::to_string(hint));
            if (hint == 0 && !doc.m_bInputDisplayed && doc.IsModified() &&
                doc.BuildOutputPicture(page.type, page.name, page.width, page.height, page.offsetX, page.offsetY))
                doc.SetModifiedFlag(false);
        });
        QObject::connect(&doc, &CVellumioDoc::DisplayChanged,
                         [this](bool input) { events.push_back(input ? "input shown" : "output shown"); });
        QObject::connect(&doc, &CVellumioDoc::StatusTextChanged,
                         [this](const QString& text) { events.push_back("status " + text.toStdString()); });
    }
    ~DocumentTest() override { SetMessageHandler(std::move(m_previous)); }

    std::string Store(const std::string& name, const Bytes& bytes) const
    {
        WriteFile(dir.Path(name), bytes);
        return dir.Path(name);
    }
    // Opens a fresh bitmap and forgets what that recorded.
    void OpenBitmap(std::uint32_t width, std::uint32_t height)
    {
        ASSERT_TRUE(doc.OnOpenDocument(Store("input.bmp", NoiseBitmap(width, height))));
        Forget();
    }
    void Forget() { messages.clear(), events.clear(), dialogs.clear(); }

    struct Page {
        std::int32_t type = PT_BITMAP;
        std::string name;
        std::uint32_t width = 0, height = 0;
        std::int32_t offsetX = 0, offsetY = 0;
    };

    const ScratchDir dir;
    std::vector<std::string> messages;
    std::vector<std::string> events;
    std::vector<std::pair<std::string, std::string>> dialogs;
    bool mainWindow = true;
    // The printer's side of a request: the commands asked, the reply given.
    std::vector<Bytes> asked;
    PrinterReply reply;
    Page page;
    CVellumioDoc doc{DocumentHooks{
        [this] { return mainWindow; }, [] { return false; },
        // Every save dialog is cancelled.
        [this](const std::string& fileType, const std::string& extension) {
            dialogs.emplace_back(fileType, extension);
            return std::optional<std::string>();
        },
        [this](std::span<const std::uint8_t> command, std::int32_t expectedLength) {
            asked.emplace_back(command.begin(), command.end());
            asked.back().push_back(static_cast<std::uint8_t>(expectedLength));
            return reply;
        }}};

private:
    MessageHandler m_previous;
};

}  // namespace document_test
