#include "printer_commands.h"

#include <gtest/gtest.h>

namespace {

using printer::Bytes;

TEST(PrinterCommands, BytesOfEveryCommand)
{
    const struct { const char* name; Bytes bytes, expected; } cases[] = {
        {"select 255", printer::SelectLogo(255), {0x1D, 0x23, 0xFF}},
        {"checksum 255", printer::ChecksumQuery(255), {0x1F, 0x65, 0xFF}},
        {"print double both", printer::PrintLogo(printer::kSizeDoubleBoth), {0x1D, 0x2F, 0x03}},
        {"erase", printer::EraseLogos(), {0x1D, 0x40, 0x31}},
        {"upload", printer::UploadRequest(), {0x1F, 0x6A}},
        {"total memory", printer::TotalMemoryQuery(), {0x1D, 0x0B}},
        {"logo memory", printer::LogoMemoryQuery(), {0x1F, 0x07, 0x55}},
        {"remaining memory", printer::RemainingMemoryQuery(), {0x1F, 0x77, 0x01}},
        // Whole 64-kbyte units only, as the size choice offers nothing else.
        {"set memory 127", printer::SetLogoMemorySize(127).value_or(Bytes{}), {0x1D, 0x22, 0x55, 0x01, 0x00}},
        {"set memory 16383", printer::SetLogoMemorySize(16383).value_or(Bytes{}), {0x1D, 0x22, 0x55, 0xFF, 0x00}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.bytes, c.expected);
    }
    // 256 units would travel as 0 and wipe the logo area.
    EXPECT_FALSE(printer::SetLogoMemorySize(256 * 64).has_value());
}

}  // namespace
