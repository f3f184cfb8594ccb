// Opening a file or an upload as the input, and saving the output.
#include "document_test_support.h"

#include <filesystem>

using namespace document_test;

namespace {

using DocumentOpen = DocumentTest;
using DocumentSave = DocumentTest;

// Which format wins is the probe's matter; the document keeps the path,
// marks the input new and the document unmodified, and shows the input. A
// path that cannot be opened keeps the document. A file that no format
// takes, or that has vanished by the first probe, shows one message, leaves
// no input and keeps the output.
TEST_F(DocumentOpen, AnOpenedFileBecomesTheNewInputAndAFailedOpenShowsOneMessage)
{
    OpenBitmap(16, 4);
    doc.OnOutputPicture();
    doc.SetModifiedFlag();
    doc.m_bNewInput = false;
    Forget();
    const std::string opened = Store("in.bmp", NoiseBitmap(24, 3));
    ASSERT_TRUE(doc.OnOpenDocument(opened));
    EXPECT_EQ(messages, std::vector<std::string>{});
    EXPECT_EQ(events, (std::vector<std::string>{"input shown", "status Input picture displayed - Communication broken",
                                                "hint 1"}));
    ASSERT_NE(doc.InputPicture(), nullptr);
    EXPECT_EQ(doc.InputPicture()->GetWidth(), 24u);
    EXPECT_EQ(doc.FilePath(), opened);
    EXPECT_TRUE(doc.m_bNewInput);
    EXPECT_FALSE(doc.IsModified());

    Forget();
    for (const std::string& path : {dir.Path("missing.bmp"), dir.root.string()}) {
        EXPECT_FALSE(doc.OnOpenDocument(path));
        EXPECT_EQ(messages, std::vector<std::string>{"Cannot open file " + path + "."});
        EXPECT_NE(doc.InputPicture(), nullptr);
        EXPECT_EQ(doc.FilePath(), opened);
        Forget();
    }
    ASSERT_TRUE(doc.BuildOutputPicture(PT_LOGO, "", 8, 8, 0, 0));
    EXPECT_FALSE(doc.OnOpenDocument(Store("in.gfx", Bytes(300, 0x1B))));
    EXPECT_EQ(messages, std::vector<std::string>{"Picture type not supported."});
    EXPECT_EQ(events, std::vector<std::string>{});
    EXPECT_EQ(doc.InputPicture(), nullptr);
    EXPECT_NE(doc.OutputPicture(), nullptr);

    ASSERT_TRUE(doc.OnOpenDocument(opened));
    Forget();
    std::filesystem::remove(opened);
    EXPECT_FALSE(doc.LoadInputPicture());
    EXPECT_EQ(messages, std::vector<std::string>{"Error - File Open : " + opened});
    EXPECT_EQ(doc.InputPicture(), nullptr);
}

// An upload drops the output and shows the input, which it replaces with the
// uploaded dots; a bitmap the format calls unusable is refused rather than
// decoded into wrong dots.
TEST_F(DocumentOpen, AnUploadReplacesTheInputAndDropsTheOutput)
{
    const struct { Bytes bytes; bool outputShown; std::string message; } cases[] = {
        {NoiseBitmap(24, 3), false, ""},
        {NoiseBitmap(24, 3), true, ""},
        {{0x1D, 0x2A, 0x01, 0x01}, false, "Picture type not supported."},
        {BmpFile{.width = 8, .height = 1, .bitsPerPixel = 4, .storedRows = Bytes(4)}.Build(), true,
         "Error - Bmp File is not monochrome"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message + (c.outputShown ? " output shown" : " input shown"));
        OpenBitmap(16, 4);
        ASSERT_TRUE(doc.BuildOutputPicture(PT_LOGO, "", 8, 8, 0, 0));
        if (c.outputShown)
            doc.OnOutputPicture();
        Forget();
        doc.LoadUploadedPicture(c.bytes);
        EXPECT_EQ(messages, c.message.empty() ? std::vector<std::string>{} : std::vector{c.message});
        EXPECT_EQ(doc.OutputPicture(), nullptr);
        ASSERT_EQ(doc.InputPicture() != nullptr, c.message.empty());
        if (!c.message.empty()) {
            EXPECT_EQ(events, std::vector<std::string>{});
            continue;
        }
        EXPECT_EQ(events.back(), "hint 1");
        EXPECT_TRUE(doc.m_bInputDisplayed);
        EXPECT_TRUE(doc.m_bNewInput);
        EXPECT_EQ(doc.InputPicture()->GetFileName(), "");
        EXPECT_EQ(BitsOf(*doc.InputPicture()), BitsOf(*DecodeBytes(PT_BITMAP, c.bytes).picture));
    }
}

std::ptrdiff_t FilesIn(const std::filesystem::path& folder)
{
    return std::distance(std::filesystem::directory_iterator(folder), {});
}

// What Save and Save As write, after showing the rebuilt output, is checked
// against the converter by tests/ui/window_test.cpp (savesWriteWhatTheConverterWrites).

// Save As offers the type's entry and extension (the GFX entries and the
// extension the dialog adds: tests/e2e/drive_window.py). Cancelled, for no
// type, or with no output picture (its build failed, or an upload dropped
// it), nothing is written.
TEST_F(DocumentSave, CancelledOrWithoutATypeOrAnOutputNothingIsWritten)
{
    OpenBitmap(16, 4);
    doc.m_nOutputType = PT_BITMAP;
    EXPECT_FALSE(doc.OnSaveDocument(dir.Path("out.bmp")));
    page = {9, dir.Path("out.bmp"), 16, 4, 0, 0};
    doc.OnFileSave();
    EXPECT_EQ(messages, std::vector<std::string>{"Error - unknown output type."});

    // Back to the input, so that Save As shows the output rebuilt.
    doc.OnInputPicture();
    page.type = PT_BITMAP;
    for (const std::int32_t type : {int{PT_LOGO}, -1, 5}) {
        doc.m_nOutputType = type;
        doc.OnFileSaveAs();
    }
    EXPECT_EQ(messages, std::vector<std::string>(3, "Error - unknown output type."));
    EXPECT_EQ(dialogs, (std::vector<std::pair<std::string, std::string>>{{"LOGO (*.log)", "log"}}));
    EXPECT_FALSE(doc.OnSaveDocument(dir.Path("typeless")));
    EXPECT_EQ(messages.size(), 4u);
    ASSERT_NE(doc.OutputPicture(), nullptr);
    EXPECT_EQ(doc.OutputPicture()->GetFileName(), dir.Path("typeless"));
    EXPECT_EQ(FilesIn(dir.root), 1);
}

// A name in a folder that does not exist, and a folder.
TEST_F(DocumentSave, AFailedSaveLeavesTheOldFile)
{
    OpenBitmap(16, 4);
    ASSERT_TRUE(doc.BuildOutputPicture(PT_BITMAP, "", 16, 4, 0, 0));
    doc.m_nOutputType = PT_BITMAP;
    const std::string missing = dir.Path("no-such-folder/out.bmp");
    std::filesystem::create_directory(dir.Path("folder"));
    EXPECT_FALSE(doc.OnSaveDocument(missing));
    EXPECT_FALSE(doc.OnSaveDocument(dir.Path("folder")));
    EXPECT_EQ(messages, (std::vector<std::string>{"Error - File Open : " + missing, "Error - File Write"}));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("folder")));
    EXPECT_EQ(FilesIn(dir.root), 2);
}

// The views hear of the save before the file is replaced.
TEST_F(DocumentSave, SavingTellsTheViewsFirstAndChangesNoFlag)
{
    OpenBitmap(16, 4);
    const std::string target = Store("out.bmp", {'o', 'l', 'd'});
    ASSERT_TRUE(doc.BuildOutputPicture(PT_BITMAP, target, 16, 4, 0, 0));
    doc.m_nOutputType = PT_BITMAP;
    doc.SetModifiedFlag();
    Bytes seen;
    QObject::connect(&doc, &CVellumioDoc::ViewsUpdated, [&](int) { seen = ReadFile(target); });
    EXPECT_TRUE(doc.OnSaveDocument(""));
    EXPECT_EQ(seen, (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(ReadFile(target), WriteBits(PT_BITMAP, BitsOf(*doc.OutputPicture()), 16, 4).file);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.FilePath(), dir.Path("input.bmp"));
}

}  // namespace
