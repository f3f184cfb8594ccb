#include "document_test_support.h"

#include <filesystem>

using namespace document_test;

namespace {

using DocumentSave = DocumentTest;

// What Save and Save As write, after showing the rebuilt output, is checked
// against the converter by tests/ui/window_test.cpp (savesWriteWhatTheConverterWrites).

// The extension of each type's files, by type.
const std::string kExtensions[] = {"bmp", "gfx", "log", "gfx", "gfx"};

// Save As offers the type's extension; cancelled, or for no type, it writes nothing.
TEST_F(DocumentSave, SaveAsCancelledOrForNoTypeWritesNothing)
{
    OpenBitmap(16, 4);
    page = {PT_BITMAP, dir.Path("own name"), 16, 4, 0, 0};
    for (const std::int32_t type : {0, 1, 2, 3, 4, -1, 5}) {
        doc.m_nOutputType = type;
        doc.OnFileSaveAs();
    }
    EXPECT_EQ(messages, std::vector<std::string>(2, "Error - unknown output type."));
    ASSERT_EQ(dialogs.size(), std::size(kExtensions));
    for (std::size_t i = 0; i < dialogs.size(); ++i) {
        EXPECT_EQ(dialogs[i].second, kExtensions[i]);
        EXPECT_TRUE(dialogs[i].first.ends_with("(*." + kExtensions[i] + ")")) << dialogs[i].first;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.root), {}), 1);
    EXPECT_FALSE(doc.OnSaveDocument(dir.Path("typeless")));
    EXPECT_EQ(messages.size(), 3u);
    EXPECT_EQ(doc.OutputPicture()->GetFileName(), dir.Path("typeless"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("typeless")));
}

TEST_F(DocumentSave, AFailedSaveLeavesTheOldFile)
{
    OpenBitmap(16, 4);
    ASSERT_TRUE(doc.BuildOutputPicture(PT_BITMAP, "", 16, 4, 0, 0));
    doc.m_nOutputType = PT_BITMAP;
    // A name in a folder that does not exist, and a folder.
    const std::string missing = dir.Path("no-such-folder/out.bmp");
    std::filesystem::create_directory(dir.Path("folder"));
    const struct { std::string target, message; } cases[] = {
        {missing, "Error - File Open : " + missing},
        {dir.Path("folder"), "Error - File Write"},
    };
    for (const auto& c : cases) {
        Forget();
        EXPECT_FALSE(doc.OnSaveDocument(c.target));
        EXPECT_EQ(messages, std::vector{c.message});
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("folder")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.root), {}), 2);
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

// With no output picture (its build failed, or an upload dropped it) there is
// nothing to save.
TEST_F(DocumentSave, WithoutAnOutputPictureNothingIsWritten)
{
    OpenBitmap(16, 4);
    doc.m_nOutputType = PT_BITMAP;
    EXPECT_FALSE(doc.OnSaveDocument(dir.Path("out.bmp")));
    page.type = 9;
    doc.OnFileSave();
    EXPECT_EQ(messages, std::vector<std::string>{"Error - unknown output type."});
    EXPECT_FALSE(std::filesystem::exists(dir.Path("out.bmp")));
}

}  // namespace
