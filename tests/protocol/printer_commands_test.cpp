#include "printer_commands.h"

#include <gtest/gtest.h>

namespace {

using printer::Bytes;

TEST(PrinterCommands, SlotNumbersTravelAsOneByte)
{
    EXPECT_EQ(printer::SelectLogo(0), (Bytes{0x1D, 0x23, 0x00}));
    EXPECT_EQ(printer::SelectLogo(255), (Bytes{0x1D, 0x23, 0xFF}));
    EXPECT_EQ(printer::ChecksumQuery(0), (Bytes{0x1F, 0x65, 0x00}));
    EXPECT_EQ(printer::ChecksumQuery(255), (Bytes{0x1F, 0x65, 0xFF}));
}

TEST(PrinterCommands, FixedCommands)
{
    EXPECT_EQ(printer::PrintLogo(printer::kSizeDoubleBoth), (Bytes{0x1D, 0x2F, 0x03}));
    EXPECT_EQ(printer::EraseLogos(), (Bytes{0x1D, 0x40, 0x31}));
    EXPECT_EQ(printer::UploadRequest(), (Bytes{0x1F, 0x6A}));
    EXPECT_EQ(printer::TotalMemoryQuery(), (Bytes{0x1D, 0x0B}));
    EXPECT_EQ(printer::LogoMemoryQuery(), (Bytes{0x1F, 0x07, 0x55}));
    EXPECT_EQ(printer::RemainingMemoryQuery(), (Bytes{0x1F, 0x77, 0x01}));
}

TEST(PrinterCommands, MemorySizeIsSentInUnitsOf64Kbytes)
{
    EXPECT_EQ(printer::SetLogoMemorySize(960), (Bytes{0x1D, 0x22, 0x55, 0x0F, 0x00}));
    EXPECT_EQ(printer::SetLogoMemorySize(0), (Bytes{0x1D, 0x22, 0x55, 0x00, 0x00}));
    // Integer division, as the size choice only ever offers multiples of 64.
    EXPECT_EQ(printer::SetLogoMemorySize(127), (Bytes{0x1D, 0x22, 0x55, 0x01, 0x00}));
    EXPECT_EQ(printer::SetLogoMemorySize(255 * 64 + 63), (Bytes{0x1D, 0x22, 0x55, 0xFF, 0x00}));
    // 16384 kbytes would wrap around to a size of 0 and wipe the logo area.
    EXPECT_FALSE(printer::SetLogoMemorySize(256 * 64).has_value());
}

}  // namespace
