#include "printer_process.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// The line options reach the terminal: a reply takes at least its line time
// and comes one byte at a time when asked.
TEST(VirtualPrinterProgram, PacesAndSplitsRepliesAsAskedAndTakesItsLinkAlongWhenStopped)
{
    PrinterProcess printer({"--baud", "2400", "--byte-by-byte"});
    ASSERT_TRUE(printer.Started()) << printer.Error();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(printer.Send({0x1F, 0x77, 0x01}));
    std::size_t reads = 0;
    const auto reply = printer.Receive(8, 3s, reads);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(reply, (PrinterProcess::Bytes{'5', '2', '4', '2', '8', '8', 0, 0}));
    // 3 bytes there and 8 back, 10 bits each at 2400 baud.
    EXPECT_GE(elapsed, std::chrono::microseconds(11 * 10 * 1'000'000 / 2400));
    // A busy machine may let a reader find two bytes together now and then.
    EXPECT_GE(reads, 5u);

    const auto link = printer.LinkPath();
    EXPECT_EQ(printer.Stop(), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

}  // namespace
