#include "line_pacer.h"
#include "sim_options.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

const LinePacer::Clock::time_point kStart = LinePacer::Clock::time_point{} + 100s;

TEST(LinePacer, EachByteTakesTenBitTimesAndQueuedPiecesFollowWithoutTheWaitersDelay)
{
    EXPECT_EQ(LinePacer(115200).Carry(11520, kStart, false), kStart + 1s);
    EXPECT_EQ(LinePacer(0).Carry(1'000'000, kStart, true), kStart);
    EXPECT_EQ(LinePacer(115200).PieceSize(), 23u);  // about 2 ms of line time
    EXPECT_EQ(LinePacer(300).PieceSize(), 1u);

    LinePacer pacer(9600);  // 1.041666 ms a byte
    EXPECT_EQ(pacer.Carry(3, kStart, false), kStart + 3125us);
    // Looked at a little late, but the bytes were already waiting.
    EXPECT_EQ(pacer.Carry(3, kStart + 3500us, true), kStart + 6250us);
    // Bytes handed over after a pause start then, and wait while the line is busy.
    EXPECT_EQ(pacer.Carry(3, kStart + 50ms, false), kStart + 53125us);
    EXPECT_EQ(pacer.Carry(3, kStart + 51ms, false), kStart + 56250us);
}

TEST(SimOptions, RefusesWhatItCannotTake)
{
    for (const auto& args : std::vector<std::vector<std::string_view>>{
             {"--baud"}, {"--baud", "0"}, {"--baud", "96OO"}, {"--hangup-after", "-1"}, {"--total-memory", "100"},
             {"--total-memory", "16384"}, {"--logo-memory", "1344"}, {"--link"}, {"--frobnicate"}}) {
        std::string error;
        EXPECT_FALSE(ParseSimOptions(args, error).has_value()) << args.front();
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
