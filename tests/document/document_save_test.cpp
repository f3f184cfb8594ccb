#include "document_test_support.h"

#include <filesystem>

using namespace document_test;

namespace {

using DocumentSave = DocumentTest;

const struct { PictureType type; const char* entry; const char* extension; } kTypes[] = {
    {PT_BITMAP, "Windows bitmap (*.bmp)", "bmp"},
    {PT_EPSON_GFX, "EPSON GFX (*.gfx)", "gfx"},
    {PT_LOGO, "LOGO (*.log)", "log"},
    {PT_RASTER_GFX, "RASTER GFX (*.gfx)", "gfx"},
    {PT_RASTER_GFX_EXT, "RASTER GFX EXT(*.gfx)", "gfx"},
};

// Both commands first show the output, which the view rebuilds, then write
// exactly what the picture core writes for its dots, size rounding included.
TEST_F(DocumentSave, BothCommandsWriteTheRebuiltOutputAsTheCoreDoes)
{
    for (const bool saveAs : {false, true}) {
        SCOPED_TRACE(saveAs ? "Save As" : "Save");
        const PictureType type = saveAs ? PT_LOGO : PT_EPSON_GFX;
        OpenBitmap(200, 50);
        const std::string target = dir.Path(saveAs ? "out.log" : "out.gfx");
        page = {static_cast<std::int32_t>(type), saveAs ? dir.Path("page name") : target, 100, 30, 3, -2};
        doc.m_nOutputType = type;
        saveAnswer = target;
        saveAs ? doc.OnFileSaveAs() : doc.OnFileSave();

        ASSERT_NE(doc.OutputPicture(), nullptr);
        EXPECT_FALSE(doc.m_bInputDisplayed);
        EXPECT_EQ(doc.OutputPicture()->GetFileName(), target);
        const Written direct = WriteBits(type, BitsOf(*doc.OutputPicture()), 100, 30);
        EXPECT_EQ(ReadFile(target), direct.file);
        EXPECT_EQ(messages, std::vector{direct.message});
        EXPECT_EQ(dialogs.size(), saveAs ? 1u : 0u);
        EXPECT_EQ(events.back(), saveAs ? "chosen " + target : "hint 0");
    }
}

TEST_F(DocumentSave, SaveAsCancelledOrForNoTypeWritesNothing)
{
    OpenBitmap(16, 4);
    page = {PT_BITMAP, dir.Path("own name"), 16, 4, 0, 0};
    for (const auto& t : kTypes) {
        doc.m_nOutputType = t.type;
        doc.OnFileSaveAs();
    }
    for (const std::int32_t type : {-1, 5}) {
        doc.m_nOutputType = type;
        doc.OnFileSaveAs();
    }
    EXPECT_EQ(messages, std::vector<std::string>(2, "Error - unknown output type."));
    EXPECT_EQ(dialogs.size(), std::size(kTypes));
    for (std::size_t i = 0; i < dialogs.size(); ++i)
        EXPECT_EQ(dialogs[i], (std::pair<std::string, std::string>(kTypes[i].entry, kTypes[i].extension)));
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
