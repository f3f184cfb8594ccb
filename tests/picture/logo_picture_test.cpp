#include "picture_test_support.h"

using namespace picture_test;

namespace {

constexpr SizeRule kLogoSizes = {
    8, 8, "Picture Width & Height have been adjusted to be compatible with selected output format"};

Bytes LogoFile(std::size_t leading, std::uint8_t x, std::uint8_t y, std::size_t dataBytes)
{
    return Concat({Bytes(leading, 0), {0x1D, 0x2A, x, y}, Bytes(dataBytes, 0)});
}

// Dot (X, Y) is bit 7 - Y mod 8 of column byte X * y + Y / 8, checked dot by
// dot on a pattern that no mix-up of rows and columns leaves alone.
TEST(LogoReading, FindsTheCommandTurnsColumnsIntoRowsAndRefusesFilesShorterThanTheirDots)
{
    const std::string notValid = "Error - File Format is not valid Logo";
    ExpectRefused(PT_LOGO, {
        {"command at 128", LogoFile(128, 1, 1, 8), PR_WRONG_FORMAT, "Error - File Format is not Logo (1D 2A)"},
        {"a byte short of the dots", LogoFile(0, 2, 1, 15), PR_INVALID, notValid},
        {"no y", {0x1D, 0x2A, 0x02}, PR_INVALID, notValid},
    });
    const Bytes columns = Noise(24 * 2, 5);
    DotMatrix dots = DotMatrix::White(24, 16);
    for (std::uint32_t x = 0; x < 24; ++x)
        for (std::uint32_t y = 0; y < 16; ++y)
            if ((columns[x * 2 + y / 8] & (0x80 >> (y % 8))) != 0)
                dots.Set(x, y);
    ExpectRead(PT_LOGO, {
        {"after 1B 40 00", Concat({{0x1B, 0x40, 0x00, 0x1D, 0x2A, 0x03, 0x02}, columns}), 24, 16, dots.bits},
        {"command at 127", LogoFile(127, 1, 1, 8), 8, 8, Bytes(8, 0)},
        {"bytes after the dots", Concat({LogoFile(0, 2, 1, 16), Bytes(4, 0xFF)}), 16, 8, Bytes(16, 0)},
        {"x 0", LogoFile(0, 0, 5, 0), 0, 40, {}},
        {"y 0", LogoFile(0, 5, 0, 0), 40, 0, {}},
    });
}

// Only the requested dots are taken, whatever the buffer holds beyond them.
// (The download's image of the same dots: tests/protocol/printer_protocol_test.cpp.)
TEST(LogoWriting, RoundsBothSizesAndWhitensTheMargin)
{
    const Bytes black(2 * 24, 0xFF);
    Bytes columns;
    for (int x = 0; x < 16; ++x)
        columns = Concat({columns, x < 10 ? Bytes{0xFF, 0xFF, 0xF0} : Bytes(3, 0)});
    ExpectWritten(PT_LOGO, kLogoSizes, {
        {"10 by 20", 10, 20, black, Concat({{0x1D, 0x2A, 0x02, 0x03}, columns})},
        {"2040 by 2040", 2040, 2040, Bytes(255 * 2040, 0xFF),
         Concat({{0x1D, 0x2A, 0xFF, 0xFF}, Bytes(255 * 2040, 0xFF)})},
    });
}

}  // namespace
