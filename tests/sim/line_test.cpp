#include "line_pacer.h"
#include "reply_faults.h"
#include "sim_options.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using printer::Bytes;
using Clock = LinePacer::Clock;

const Clock::time_point kStart = Clock::time_point{} + 100s;

TEST(LinePacer, EachByteTakesTenBitTimes)
{
    LinePacer pacer(115200);
    EXPECT_EQ(pacer.Carry(11520, kStart, false) - kStart, 1s);
    // 9600 baud: one byte in 1.041666 ms.
    LinePacer slow(9600);
    EXPECT_EQ(slow.Carry(3, kStart, false) - kStart, 3125us);
}

TEST(LinePacer, QueuedPiecesFollowWithoutTheWaitersDelay)
{
    LinePacer pacer(10000);  // 1 ms a byte
    const auto first = pacer.Carry(10, kStart, false);
    EXPECT_EQ(first, kStart + 10ms);
    // Looked at a little late, but the bytes were already waiting.
    EXPECT_EQ(pacer.Carry(10, first + 300us, true), kStart + 20ms);
    // Bytes handed over after a pause start when handed over.
    EXPECT_EQ(pacer.Carry(10, kStart + 50ms, false), kStart + 60ms);
    // ... and bytes handed over while the line is busy wait for it.
    EXPECT_EQ(pacer.Carry(10, kStart + 55ms, false), kStart + 70ms);
}

TEST(LinePacer, UnpacedLineTakesEverythingAtOnce)
{
    LinePacer pacer(0);
    EXPECT_EQ(pacer.Carry(1'000'000, kStart, true), kStart);
    EXPECT_GE(pacer.PieceSize(), 4096u);
    EXPECT_EQ(LinePacer(115200).PieceSize(), 23u);
    EXPECT_EQ(LinePacer(300).PieceSize(), 1u);
}

TEST(ReplyFaults, EachFaultShapesOnlyItsReply)
{
    const PrinterReply checksum{PrinterCommand::ChecksumQuery, {0x65, 0x01, 0xCC, 0xED}};
    const PrinterReply emptySlot{PrinterCommand::ChecksumQuery, {0x65, 0x00, 0x00, 0x00}};
    const PrinterReply upload{PrinterCommand::UploadRequest, Bytes(101, 0x6A)};
    const PrinterReply erase{PrinterCommand::EraseLogos, {0x0D}};

    EXPECT_EQ(ApplyFaults(checksum, {}), checksum.bytes);
    EXPECT_EQ(ApplyFaults(checksum, {.wrongChecksum = true}), (Bytes{0x65, 0x01, 0xCD, 0xED}));
    EXPECT_EQ(ApplyFaults(emptySlot, {.wrongChecksum = true}), emptySlot.bytes);
    EXPECT_EQ(ApplyFaults(erase, {.wrongChecksum = true, .stallUpload = true}), erase.bytes);

    EXPECT_EQ(ApplyFaults(upload, {.stallUpload = true}).size(), 50u);
    const Bytes overlong = ApplyFaults(upload, {.overlongUpload = true});
    ASSERT_EQ(overlong.size(), 101u + kOverlongUploadExtra);
    EXPECT_TRUE(std::equal(upload.bytes.begin(), upload.bytes.end(), overlong.begin()));

    for (const PrinterReply& reply : {checksum, upload, erase})
        EXPECT_TRUE(ApplyFaults(reply, {.noAnswer = true}).empty());
}

std::optional<SimOptions> Parse(std::vector<std::string_view> args, std::string& error)
{
    return ParseSimOptions(args, error);
}

TEST(SimOptions, RefusesWhatItCannotTake)
{
    for (const auto& args : std::vector<std::vector<std::string_view>>{{"--baud"},
                                                                      {"--baud", "0"},
                                                                      {"--baud", "96OO"},
                                                                      {"--hangup-after", "-1"},
                                                                      {"--total-memory", "100"},
                                                                      {"--total-memory", "16384"},
                                                                      {"--logo-memory", "1344"},
                                                                      {"--link"},
                                                                      {"--frobnicate"}}) {
        std::string error;
        EXPECT_FALSE(Parse(args, error).has_value()) << args.front();
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
