#include "document_test_support.h"

using namespace document_test;

namespace {

using DocumentDisplay = DocumentTest;
using DocumentDownload = DocumentTest;

// Both items toggle; a switch to the output marks it out of date before the
// views hear of it, so the view rebuilds it from the page.
TEST_F(DocumentDisplay, EitherCommandTogglesTheDisplay)
{
    const std::string input = "status Input picture displayed - Communication broken";
    const std::string output = "status Output picture displayed - Communication broken";
    const struct { const char* what; void (CVellumioDoc::*command)(); bool inputBefore; std::vector<std::string> events; } cases[] = {
        {"Input picture while unchecked", &CVellumioDoc::OnInputPicture, false, {"input shown", input, "hint 1"}},
        {"Input picture while checked", &CVellumioDoc::OnInputPicture, true, {"output shown", output, "hint 0"}},
        {"Output picture while unchecked", &CVellumioDoc::OnOutputPicture, true, {"output shown", output, "hint 0"}},
        {"Output picture while checked", &CVellumioDoc::OnOutputPicture, false, {"input shown", input, "hint 1"}},
    };
    OpenBitmap(16, 4);
    page = {PT_BITMAP, "", 8, 2, 0, 0};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        doc.m_bInputDisplayed = c.inputBefore;
        doc.SetModifiedFlag(false);
        Forget();
        (doc.*c.command)();
        EXPECT_EQ(events, c.events);
        EXPECT_EQ(doc.m_bInputDisplayed, !c.inputBefore);
        // Rebuilt on the switch to the output, so no longer out of date.
        EXPECT_FALSE(doc.IsModified());
        ASSERT_NE(doc.DisplayedPicture(), nullptr);
        EXPECT_EQ(doc.DisplayedPicture()->GetWidth(), c.inputBefore ? 8u : 16u);
    }
}

// Without a main window nothing is said, and the text stays as it was. (The
// texts themselves: tests/ui/application_test.cpp, statusTextNamesTheLinksState.)
TEST_F(DocumentDisplay, TheStatusTextOnlyWithAMainWindow)
{
    doc.UpdateStatusText();
    mainWindow = false;
    doc.m_bInputDisplayed = false;
    Forget();
    doc.UpdateStatusText();
    EXPECT_EQ(events, std::vector<std::string>{});
    EXPECT_EQ(doc.StatusText().toStdString(), "Input picture displayed - Communication broken");

    CVellumioDoc bare;
    bare.UpdateStatusText();
    EXPECT_TRUE(bare.StatusText().isEmpty());
}

// Size and offsets reach the cut in their own places: every one differs. A
// failed build leaves no output that could be shown or saved.
TEST_F(DocumentDisplay, TheOutputIsTheInputCutOrExtendedWithWhite)
{
    OpenBitmap(200, 50);
    ASSERT_TRUE(doc.BuildOutputPicture(PT_LOGO, "out.log", 205, 24, 7, -3));
    const DotMatrix input = DotMatrix::Of(*doc.InputPicture());
    DotMatrix expected = DotMatrix::White(205, 24);
    for (std::uint32_t y = 3; y < 24; ++y)
        for (std::uint32_t x = 0; x < 205; ++x)
            if (input.Get(x + 7, y - 3))
                expected.Set(x, y);
    EXPECT_EQ(DotMatrix::Of(*doc.OutputPicture()).Masked(), expected);
    EXPECT_EQ(messages, std::vector<std::string>{});

    for (const std::int32_t type : {-1, 5}) {
        ASSERT_TRUE(doc.BuildOutputPicture(PT_BITMAP, "", 8, 8, 0, 0));
        doc.m_bNewInput = true;
        EXPECT_FALSE(doc.BuildOutputPicture(type, "", 8, 8, 0, 0));
        EXPECT_EQ(doc.OutputPicture(), nullptr);
        EXPECT_FALSE(doc.m_bNewInput);
    }
    // More dots than may be held: the picture stays, without dots.
    EXPECT_FALSE(doc.BuildOutputPicture(PT_LOGO, "", 0xFFFFFFFF, 1000, 0, 0));
    ASSERT_NE(doc.OutputPicture(), nullptr);
    EXPECT_FALSE(doc.OutputPicture()->HasBits());
    EXPECT_EQ(messages, (std::vector<std::string>{"Error - unknown output type.", "Error - unknown output type.",
                                                  kNoMemory}));
}

// The image is the LOGO image of the output picture's dots when there is
// one, else of the input picture's. (With neither, the message:
// tests/ui/download_page_test.cpp, commandBytes.)
TEST_F(DocumentDownload, ImageComesFromTheOutputElseTheInput)
{
    OpenBitmap(12, 10);
    const Bytes fromInput = doc.BuildDownloadImage().value();
    EXPECT_EQ(Bytes(fromInput.begin(), fromInput.begin() + 4), (Bytes{0x1D, 0x2A, 0x02, 0x02}));
    page = {PT_LOGO, "", 24, 8, 0, 0};
    doc.OnOutputPicture();
    const Bytes fromOutput = doc.BuildDownloadImage().value();
    EXPECT_EQ(Bytes(fromOutput.begin(), fromOutput.begin() + 4), (Bytes{0x1D, 0x2A, 0x03, 0x01}));
    EXPECT_TRUE(messages.empty());
}

// The check asks slot n for its 4-byte answer and shows what the reply rules
// make of it. (Each verdict: tests/protocol/printer_protocol_test.cpp.)
TEST_F(DocumentDownload, VerifyAsksTheSlotAndShowsOnlyAFailure)
{
    for (const bool stored : {true, false}) {
        Forget();
        asked.clear();
        reply = {true, {0x00, stored ? std::uint8_t{1} : std::uint8_t{0}, 0xCC, 0xED}};
        doc.VerifyDownload(0xFF, 0xEDCC);
        EXPECT_EQ(asked, std::vector<Bytes>{(Bytes{0x1F, 0x65, 0xFF, 4})});
        EXPECT_EQ(messages, stored ? std::vector<std::string>{}
                                   : std::vector<std::string>{"The logo has not been downloaded"});
    }
}

}  // namespace
