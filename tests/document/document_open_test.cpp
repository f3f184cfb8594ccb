#include "document_test_support.h"

#include <filesystem>

using namespace document_test;

namespace {

using DocumentOpen = DocumentTest;

// Which format wins is the probe's matter; the document keeps the path,
// marks the input new and the document unmodified, and shows the input.
TEST_F(DocumentOpen, AnOpenedFileBecomesTheNewInput)
{
    OpenBitmap(16, 4);
    doc.OnOutputPicture();
    doc.SetModifiedFlag();
    doc.m_bNewInput = false;
    Forget();
    const Bytes bytes = {0x1B, 0x2E, 0x00, 0x01, 0x01, 0x00, 0xFF};
    const std::string path = Store("in.gfx", bytes);
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_EQ(messages, std::vector<std::string>{});
    EXPECT_EQ(events, (std::vector<std::string>{"input shown", "status Input picture displayed - Communication broken",
                                                "hint 1"}));
    ASSERT_NE(doc.InputPicture(), nullptr);
    EXPECT_EQ(doc.DisplayedPicture(), doc.InputPicture());
    EXPECT_EQ(doc.InputPicture()->GetType(), PT_RASTER_GFX_EXT);
    EXPECT_EQ(BitsOf(*doc.InputPicture()), BitsOf(*DecodeBytes(PT_RASTER_GFX_EXT, bytes).picture));
    EXPECT_EQ(doc.FilePath(), path);
    EXPECT_TRUE(doc.m_bNewInput);
    EXPECT_FALSE(doc.IsModified());
}

// A path that cannot be opened keeps the document. A file that no format
// takes, or that has vanished by the first probe, shows one message, leaves
// no input and keeps the output.
TEST_F(DocumentOpen, AFailedOpenShowsOneMessage)
{
    OpenBitmap(16, 4);
    const std::string opened = doc.FilePath();
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

TEST_F(DocumentOpen, AnUploadReplacesTheInputAndDropsTheOutput)
{
    const Bytes uploaded = NoiseBitmap(24, 3);
    for (const bool outputShown : {false, true}) {
        SCOPED_TRACE(outputShown ? "output shown" : "input shown");
        OpenBitmap(16, 4);
        ASSERT_TRUE(doc.BuildOutputPicture(PT_LOGO, "", 8, 8, 0, 0));
        if (outputShown)
            doc.OnOutputPicture();
        Forget();
        doc.LoadUploadedPicture(uploaded);
        EXPECT_EQ(messages, std::vector<std::string>{});
        EXPECT_EQ(events.back(), "hint 1");
        EXPECT_TRUE(doc.m_bInputDisplayed);
        EXPECT_TRUE(doc.m_bNewInput);
        EXPECT_EQ(doc.OutputPicture(), nullptr);
        ASSERT_NE(doc.InputPicture(), nullptr);
        EXPECT_EQ(doc.InputPicture()->GetFileName(), "");
        EXPECT_EQ(BitsOf(*doc.InputPicture()), BitsOf(*DecodeBytes(PT_BITMAP, uploaded).picture));
    }
}

// A bitmap the format calls unusable is refused rather than decoded into
// wrong dots.
TEST_F(DocumentOpen, AnUnusableUploadLeavesNoPicture)
{
    const struct { Bytes bytes; std::string message; } cases[] = {
        {{0x1D, 0x2A, 0x01, 0x01}, "Picture type not supported."},
        {BmpFile{.width = 8, .height = 1, .bitsPerPixel = 4, .storedRows = Bytes(4)}.Build(),
         "Error - Bmp File is not monochrome"},
    };
    for (const auto& c : cases) {
        OpenBitmap(16, 4);
        doc.LoadUploadedPicture(c.bytes);
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
        EXPECT_EQ(events, std::vector<std::string>{});
        EXPECT_EQ(doc.InputPicture(), nullptr);
    }
}

}  // namespace
