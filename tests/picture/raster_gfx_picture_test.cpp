#include "picture_test_support.h"

using namespace picture_test;

namespace {

constexpr const char* kNotRaster = "Error - File Format is not Raster Graphics (11)";

TEST(RasterGfxRecognition, RowLengthIsTheFirstCommandThatDividesTheFile)
{
    ExpectRead(PT_RASTER_GFX, {
        {"two rows", {0x11, 0xAA, 0x11, 0xBB}, 8, 2, {0xAA, 0xBB}},
        {"later rows' first byte unexamined", {0x11, 0xAA, 0xBB, 0x11, 0xCC, 0xDD, 0x00, 0xEE, 0xFF}, 16, 3,
         {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}},
        {"a dividing data byte", {0x11, 0xAA, 0x11, 0xBB, 0xCC, 0xDD}, 8, 3, {0xAA, 0xBB, 0xDD}},
        {"a data byte that does not divide", {0x11, 0xAA, 0x11, 0x11, 0xCC, 0xDD, 0x11, 0xEE, 0xFF}, 16, 3,
         {0xAA, 0x11, 0xCC, 0xDD, 0xEE, 0xFF}},
        {"rows without dots", {0x11, 0x11, 0x42, 0x99, 0x00}, 0, 5, {}},
        {"rows of the longest length", Concat({{0x11}, Bytes(127, 0)}, 2), 127 * 8, 2, Bytes(254, 0)},
    });
    ExpectRefused(PT_RASTER_GFX, {
        {"second command past the longest row", Concat({{0x11}, Bytes(129, 0), {0x11}, Bytes(69, 0)}), PR_INVALID,
         kNotRaster},
        {"one row", {0x11, 0xAA, 0xBB}, PR_INVALID, kNotRaster},
        {"a command that does not divide", {0x11, 0xAA, 0x11}, PR_INVALID, kNotRaster},
        {"empty", {}, PR_WRONG_FORMAT, kNotRaster},
        {"no command first", {0x12, 0x11, 0x00, 0x11}, PR_WRONG_FORMAT, kNotRaster},
    });
}

TEST(RasterGfxWriting, RoundsTheWidthUpAndWritesEveryRow)
{
    ExpectWritten(PT_RASTER_GFX, {8, 1, kWidthAdjusted}, {
        {"dots beyond width 10 as they stand", 10, 2, {0xB0, 0xB1, 0xB2, 0xB3}, {0x11, 0xB0, 0xB1, 0x11, 0xB2, 0xB3}},
        {"rows a short buffer lacks are white", 8, 3, {0x7E}, {0x11, 0x7E, 0x11, 0x00, 0x11, 0x00}},
    });
}

}  // namespace
