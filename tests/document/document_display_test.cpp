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

// Size and offsets reach the cut in their own places: every one differs.
TEST_F(DocumentDisplay, TheOutputIsTheInputCutOrExtendedWithWhite)
{
    OpenBitmap(200, 50);
    doc.m_bNewInput = true;
    ASSERT_TRUE(doc.BuildOutputPicture(PT_LOGO, "out.log", 205, 24, 7, -3));
    const CPicture& output = *doc.OutputPicture();
    EXPECT_EQ(output.GetType(), PT_LOGO);
    EXPECT_EQ(output.GetFileName(), "out.log");
    EXPECT_FALSE(doc.m_bNewInput);
    const DotMatrix input = DotMatrix::Of(*doc.InputPicture());
    DotMatrix expected = DotMatrix::White(205, 24);
    for (std::uint32_t y = 3; y < 24; ++y)
        for (std::uint32_t x = 0; x < 205; ++x)
            if (input.Get(x + 7, y - 3))
                expected.Set(x, y);
    EXPECT_EQ(DotMatrix::Of(output).Masked(), expected);
    EXPECT_EQ(messages, std::vector<std::string>{});
}

TEST_F(DocumentDisplay, AFailedBuildLeavesNoUsableOutput)
{
    OpenBitmap(16, 4);
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

}  // namespace
