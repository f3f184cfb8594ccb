#include "printer_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// The line options reach the terminal: a reply takes at least its line time
// and comes one byte at a time when asked. A stop takes the link along.
TEST(VirtualPrinterProgram, PacesAndSplitsRepliesAsAskedAndTakesItsLinkAlongWhenStopped)
{
    PrinterProcess printer({"--baud", "2400", "--byte-by-byte"});
    ASSERT_TRUE(printer.Started()) << printer.Error();
    const int line = ::open(printer.LinkPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(line, 0);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(::write(line, "\x1F\x77\x01", 3), 3);
    std::string reply;
    std::size_t reads = 0;
    pollfd ready{line, POLLIN, 0};
    while (reply.size() < 8 && ::poll(&ready, 1, 3000) > 0) {
        char piece[8];
        const ssize_t got = ::read(line, piece, 8 - reply.size());
        if (got <= 0)
            break;
        reply.append(piece, static_cast<std::size_t>(got));
        ++reads;
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ::close(line);
    EXPECT_EQ(reply, std::string("524288\0\0", 8));
    // 3 bytes there and 8 back, 10 bits each at 2400 baud.
    EXPECT_GE(elapsed, std::chrono::microseconds(11 * 10 * 1'000'000 / 2400));
    // A busy machine may let a reader find two bytes together now and then.
    EXPECT_GE(reads, 5u);

    const auto link = printer.LinkPath();
    EXPECT_EQ(printer.Stop(), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

}  // namespace
