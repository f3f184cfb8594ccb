#include "document_test_support.h"

using namespace document_test;

namespace {

using DocumentDisplay = DocumentTest;

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

TEST_F(DocumentDisplay, TheStatusTextNamesThePictureAndTheLink)
{
    const struct { bool input, link; const char* text; } cases[] = {
        {true, true, "Input picture displayed - Ready to communicate"},
        {true, false, "Input picture displayed - Communication broken"},
        {false, true, "Output picture displayed - Ready to communicate"},
        {false, false, "Output picture displayed - Communication broken"},
    };
    for (const auto& c : cases) {
        doc.m_bInputDisplayed = c.input;
        linkOpen = c.link;
        Forget();
        doc.UpdateStatusText();
        EXPECT_EQ(events, std::vector<std::string>{std::string("status ") + c.text});
        EXPECT_EQ(doc.StatusText().toStdString(), c.text);
    }
    mainWindow = false;
    doc.m_bInputDisplayed = true;
    Forget();
    doc.UpdateStatusText();
    EXPECT_EQ(events, std::vector<std::string>{});
    EXPECT_EQ(doc.StatusText().toStdString(), cases[3].text);

    CVellumioDoc bare;
    bare.UpdateStatusText();
    EXPECT_TRUE(bare.StatusText().isEmpty());
}

}  // namespace
