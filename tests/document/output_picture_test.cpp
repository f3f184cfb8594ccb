#include "document_test_support.h"

using namespace document_test;

namespace {

using OutputPicture = DocumentTest;

TEST_F(OutputPicture, TheOutputIsTheInputCutOrExtendedWithWhite)
{
    const struct { const char* what; PictureType type; std::uint32_t width, height; std::int32_t x, y; std::uint32_t size; } cases[] = {
        {"cut", PT_RASTER_GFX, 100, 30, 0, 0, 13 * 48},
        {"moved right", PT_BITMAP, 200, 50, -10, 0, 25 * 72},
        {"moved left and down", PT_LOGO, 205, 24, 7, -3, 26 * 24},
        {"beyond the input", PT_EPSON_GFX, 9, 25, 200, 0, 2 * 48},
        {"no width", PT_RASTER_GFX_EXT, 0, 30, 0, 0, 0},
        {"no height", PT_BITMAP, 100, 0, 0, 0, 0},
    };
    OpenBitmap(200, 50);
    const DotMatrix input = DotMatrix::Of(*doc.InputPicture());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        doc.m_bNewInput = true;
        ASSERT_TRUE(doc.BuildOutputPicture(c.type, c.what, c.width, c.height, c.x, c.y));
        const CPicture& output = *doc.OutputPicture();
        EXPECT_EQ(output.GetType(), c.type);
        EXPECT_EQ(output.GetFileName(), c.what);
        EXPECT_EQ(output.GetSize(), c.size);
        EXPECT_EQ(output.GetBits().size(), c.size);
        EXPECT_FALSE(doc.m_bNewInput);
        DotMatrix expected = DotMatrix::White(c.width, c.height);
        for (std::uint32_t y = 0; y < c.height; ++y)
            for (std::uint32_t x = 0; x < c.width; ++x) {
                const std::int64_t fromX = std::int64_t{x} + c.x, fromY = std::int64_t{y} + c.y;
                if (fromX >= 0 && fromY >= 0 && input.Get(static_cast<std::uint64_t>(fromX), static_cast<std::uint64_t>(fromY)))
                    expected.Set(x, y);
            }
        EXPECT_EQ(DotMatrix::Of(output).Masked(), expected);
    }
    EXPECT_EQ(messages, std::vector<std::string>{});
}

TEST_F(OutputPicture, AFailedBuildLeavesNoUsableOutput)
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
