#include "grey_image.h"
#include "import_options.h"
#include "tone_adjust.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// Transparency lies on white paper; colour becomes grey by Rec. 601 luminance.
TEST(GreyImageTest, PixelsBecomeGreyOnWhitePaper)
{
    const struct { QRgb pixel; int grey; } cases[] = {
        {qRgba(0, 0, 0, 0), 255}, {qRgba(0, 0, 0, 255), 0},
        {qRgba(0, 0, 0, 128), 127},  // half-covered black: half way to white
        {qRgb(255, 0, 0), 76}, {qRgb(0, 255, 0), 150}, {qRgb(0, 0, 255), 29},
    };
    for (const auto& c : cases) {
        QImage image(1, 1, QImage::Format_ARGB32);
        image.setPixel(0, 0, c.pixel);
        EXPECT_EQ(GreyFromImage(image).levels[0], c.grey) << std::hex << c.pixel;
    }
    // An indexed picture with a transparent entry, as a GIF holds it.
    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgba(0, 0, 0, 0), qRgb(0, 0, 0)});
    indexed.setPixel(0, 0, 0);
    indexed.setPixel(1, 0, 1);
    EXPECT_EQ(GreyFromImage(indexed).levels, (std::vector<std::uint8_t>{255, 0}));
}

GreyImage WhiteWithBlackColumn(std::uint32_t size, std::uint32_t column)
{
    GreyImage image{size, size, std::vector<std::uint8_t>(static_cast<std::size_t>(size) * size, 255)};
    for (std::uint32_t y = 0; y < size; ++y)
        image.levels[static_cast<std::size_t>(y) * size + column] = 0;
    return image;
}

// Shrinking averages the area, so a thin line stays as grey; the height
// follows the width, and is at least one row.
TEST(GreyImageTest, ScalingAveragesTheAreaAndKeepsTheAspectRatio)
{
    // A one-pixel line in a four-to-one shrink covers a quarter of its dots.
    const GreyPlane plane = ScaleToWidth(WhiteWithBlackColumn(16, 5), 4);
    ASSERT_EQ(plane.width, 4u);
    ASSERT_EQ(plane.height, 4u);
    for (std::uint32_t y = 0; y < 4; ++y) {
        EXPECT_FLOAT_EQ(plane.At(0, y), 255);
        EXPECT_FLOAT_EQ(plane.At(1, y), 255 * 3 / 4.0f);
        EXPECT_FLOAT_EQ(plane.At(2, y), 255);
    }
    // Shrinks by a fraction weigh the pixels cut through by their part.
    const GreyPlane third = ScaleToWidth(WhiteWithBlackColumn(3, 1), 2);
    EXPECT_FLOAT_EQ(third.At(0, 0), 255 * (1 - 0.5f / 1.5f));
    EXPECT_FLOAT_EQ(third.At(1, 0), 255 * (1 - 0.5f / 1.5f));

    EXPECT_EQ(ScaledHeight(600, 400, 576), 384u);
    EXPECT_EQ(ScaledHeight(3000, 1, 10), 1u);
    const GreyPlane enlarged = ScaleToWidth(WhiteWithBlackColumn(2, 0), 4);
    EXPECT_EQ(enlarged.height, 4u);
    EXPECT_FLOAT_EQ(enlarged.At(1, 3), 0);
    EXPECT_FLOAT_EQ(enlarged.At(2, 3), 255);
}

float Toned(float level, const ImportOptions& options)
{
    GreyPlane plane{1, 1, {level}};
    AdjustTone(plane, options);
    return plane.levels[0];
}

TEST(GreyImageTest, ToneIsNeutralByDefaultAndInvertSwapsTheScale)
{
    EXPECT_FLOAT_EQ(Toned(37.25f, {}), 37.25f);
    ImportOptions invert;
    invert.invert = true;
    EXPECT_NEAR(Toned(0, invert), 255, 1e-3);
    EXPECT_NEAR(Toned(200, invert), 55, 1e-3);
}

}  // namespace
