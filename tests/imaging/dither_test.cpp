#include "dither.h"
#include "imaging_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr float kGreys[] = {8, 40, 64, 100, 128, 160, 192, 230, 250};

double ExpectedShare(float grey)
{
    return (255.0 - grey) / 255.0;
}

// Bayer draws half grey as a checkerboard.
TEST(DitherTest, FloydSteinbergAndBayerKeepTheGreyLevelAsTheShareOfBlackDots)
{
    for (const float grey : kGreys) {
        const GreyPlane plane = FlatPlane(128, 128, grey);
        EXPECT_NEAR(BlackShare(DitherFloydSteinberg(plane)), ExpectedShare(grey), 0.01) << "grey " << grey;
        EXPECT_NEAR(BlackShare(DitherBayer(plane)), ExpectedShare(grey), 0.01) << "grey " << grey;
    }
    std::vector<std::uint8_t> checkerboard;
    for (int y = 0; y < 8; ++y)
        checkerboard.insert(checkerboard.end(), 2, y % 2 == 0 ? 0x55 : 0xAA);
    EXPECT_EQ(DitherBayer(FlatPlane(16, 8, 128)).bits, checkerboard);
}

// Spreading only six eighths of the error, Atkinson holds mid grey but lets
// the tails of the scale fall to paper white and full black.
TEST(DitherTest, AtkinsonKeepsMidGreyAndPushesLightAndDarkGreysOut)
{
    EXPECT_DOUBLE_EQ(BlackShare(DitherAtkinson(FlatPlane(128, 128, 128))), 0.5);
    for (const float light : {230.0f, 240.0f, 250.0f})
        EXPECT_LT(BlackShare(DitherAtkinson(FlatPlane(128, 128, light))), ExpectedShare(light) / 2) << light;
    for (const float dark : {5.0f, 15.0f, 25.0f})
        EXPECT_LT(1 - BlackShare(DitherAtkinson(FlatPlane(128, 128, dark))), (1 - ExpectedShare(dark)) / 2) << dark;
}

TEST(DitherTest, ThresholdSplitsExactlyAtItsLevel)
{
    // One column per level 0 to 255.
    GreyPlane ramp{256, 1, {}};
    for (int level = 0; level < 256; ++level)
        ramp.levels.push_back(static_cast<float>(level));
    for (const int threshold : {0, 1, 100, 128, 255}) {
        const DitheredDots dots = DitherThreshold(ramp, threshold);
        for (std::uint32_t x = 0; x < 256; ++x)
            EXPECT_EQ(dots.IsBlack(x, 0), static_cast<int>(x) < threshold) << "threshold " << threshold << " x " << x;
    }
    // Only the picture's width of each row's last byte is filled.
    EXPECT_EQ(DitherThreshold(FlatPlane(10, 2, 0), 128).bits, (std::vector<std::uint8_t>{0xFF, 0xC0, 0xFF, 0xC0}));
}

TEST(DitherTest, OtsuSplitsTwoToneSceneBetweenItsTones)
{
    GreyPlane plane = FlatPlane(20, 10, 200);
    for (std::size_t i = 0; i < 60; ++i)
        plane.levels[i] = 40;
    const int level = OtsuLevel(plane);
    EXPECT_GT(level, 40);
    EXPECT_LE(level, 200);
    ImportOptions options;
    options.method = DitherMethod::Threshold;
    EXPECT_DOUBLE_EQ(BlackShare(Dither(plane, options)), 0.3);
    EXPECT_EQ(OtsuLevel(FlatPlane(4, 4, 77)), 128);
}

// The second row runs right to left: its rightmost, darkest pixel is decided
// first and goes black, where a left-to-right pass ends it white.
TEST(DitherTest, FloydSteinbergRunsOddRowsBackwards)
{
    // Alone, the row ends white: white, black, white.
    EXPECT_EQ(DitherFloydSteinberg(GreyPlane{3, 1, {128, 128, 100}}).bits, std::vector<std::uint8_t>{0x40});
    // Below a white row: black, white, black.
    EXPECT_EQ(DitherFloydSteinberg(GreyPlane{3, 2, {255, 255, 255, 128, 128, 100}}).bits,
              (std::vector<std::uint8_t>{0x00, 0xA0}));
}

}  // namespace
