#include "printer_replies.h"

#include <gtest/gtest.h>

namespace {

SendReceiveResult Reply(std::vector<std::uint8_t> bytes, bool ok = true)
{
    return {ok, std::move(bytes)};
}

TEST(ChecksumReply, PrinterAnswersTheChecksumLowByteFirst)
{
    const ChecksumCheck check = CheckChecksumReply(Reply({0x65, 0x01, 0xCC, 0xED}), 0xEDCC);
    EXPECT_EQ(check.verdict, ChecksumVerdict::Verified);
    EXPECT_TRUE(check.message.empty());

    const ChecksumCheck swapped = CheckChecksumReply(Reply({0x65, 0x01, 0xED, 0xCC}), 0xEDCC);
    EXPECT_EQ(swapped.verdict, ChecksumVerdict::WrongChecksum);
    EXPECT_EQ(swapped.message, "The logo has been downloaded but the checksum returned from printer is wrong");
}

TEST(ChecksumReply, ByteZeroIsNotExamined)
{
    EXPECT_EQ(CheckChecksumReply(Reply({0x00, 0x01, 0x34, 0x12}), 0x1234).verdict, ChecksumVerdict::Verified);
    EXPECT_EQ(CheckChecksumReply(Reply({0xFF, 0x80, 0x34, 0x12}), 0x1234).verdict, ChecksumVerdict::Verified);
}

TEST(ChecksumReply, EmptySlotComesBeforeTheChecksum)
{
    const ChecksumCheck check = CheckChecksumReply(Reply({0x65, 0x00, 0x34, 0x12}), 0x1234);
    EXPECT_EQ(check.verdict, ChecksumVerdict::NotStored);
    EXPECT_EQ(check.message, "The logo has not been downloaded");
}

TEST(ChecksumReply, MissingFlagOrWrongLengthIsACommunicationFailure)
{
    const char* failure = "The command has not been sent, there is communication failure.";
    for (const SendReceiveResult& reply : {Reply({0x65, 0x01, 0x34, 0x12}, false), Reply({0x65, 0x01, 0x34}),
                                          Reply({0x65, 0x01, 0x34, 0x12, 0x00}), Reply({})}) {
        const ChecksumCheck check = CheckChecksumReply(reply, 0x1234);
        EXPECT_EQ(check.verdict, ChecksumVerdict::CommunicationFailure);
        EXPECT_EQ(check.message, failure);
    }
}

TEST(MemoryReplies, TotalMemoryIsOneByteIn64KbyteUnits)
{
    EXPECT_EQ(TotalMemoryKbytes(Reply({0x10})), 1024);
    EXPECT_EQ(TotalMemoryKbytes(Reply({0x14})), 1280);
    EXPECT_EQ(TotalMemoryKbytes(Reply({0xFF})), 16320);
    EXPECT_EQ(TotalMemoryKbytes(Reply({0x10}, false)), std::nullopt);
    EXPECT_EQ(TotalMemoryKbytes(Reply({0x10, 0x00})), std::nullopt);
    EXPECT_EQ(TotalMemoryKbytes(Reply({})), std::nullopt);
}

TEST(MemoryReplies, LogoMemoryIsTheMiddleByteOfThree)
{
    EXPECT_EQ(LogoMemoryKbytes(Reply({0x07, 0x08, 0x55})), 512);
    EXPECT_EQ(LogoMemoryKbytes(Reply({0xAA, 0x00, 0xBB})), 0);
    EXPECT_EQ(LogoMemoryKbytes(Reply({0x07, 0x08})), std::nullopt);
    EXPECT_EQ(LogoMemoryKbytes(Reply({0x07, 0x08, 0x55}, false)), std::nullopt);
}

TEST(MemoryReplies, RemainingMemoryIsTextUpToTheFirstZero)
{
    EXPECT_EQ(RemainingMemoryText(Reply({'5', '2', '4', '2', '8', '8', 0, 0})), "524288");
    // Eight digits leave no room for the terminating zero.
    EXPECT_EQ(RemainingMemoryText(Reply({'1', '6', '7', '1', '1', '6', '8', '0'})), "16711680");
    // Any nonzero count is accepted, also a short one.
    EXPECT_EQ(RemainingMemoryText(Reply({'4', '2'})), "42");
    EXPECT_EQ(RemainingMemoryText(Reply({0, '9', '9'})), "");
    EXPECT_EQ(RemainingMemoryText(Reply({})), std::nullopt);
    EXPECT_EQ(RemainingMemoryText(Reply({'4', '2'}, false)), std::nullopt);
}

TEST(MemoryReplies, MemorySizeReply)
{
    EXPECT_EQ(CheckMemorySizeReply(Reply({0x06})).verdict, MemorySizeVerdict::Accepted);
    EXPECT_TRUE(CheckMemorySizeReply(Reply({0x06})).message.empty());

    const MemorySizeOutcome refused = CheckMemorySizeReply(Reply({0x15}));
    EXPECT_EQ(refused.verdict, MemorySizeVerdict::Refused);
    EXPECT_EQ(refused.message, "The command has been sent, but the printer has returned one error.");

    for (const SendReceiveResult& reply : {Reply({0x06}, false), Reply({}), Reply({0x06, 0x06})}) {
        const MemorySizeOutcome outcome = CheckMemorySizeReply(reply);
        EXPECT_EQ(outcome.verdict, MemorySizeVerdict::CommunicationFailure);
        EXPECT_EQ(outcome.message, "The command has not been sent, there is communication failure.");
    }
}

TEST(MemorySizeChoices, WithoutVersionTheLargestIs1024)
{
    const auto sizes = MemorySizeChoices(0, 1280);
    ASSERT_EQ(sizes.size(), 17u);
    EXPECT_EQ(sizes.front(), 0);
    EXPECT_EQ(sizes[1], 64);
    EXPECT_EQ(sizes.back(), 1024);
}

TEST(MemorySizeChoices, WithVersionTheTotalLimitsUpTo1280)
{
    const auto sizes = MemorySizeChoices(1, 1280);
    ASSERT_EQ(sizes.size(), 21u);
    EXPECT_EQ(sizes.back(), 1280);

    EXPECT_EQ(MemorySizeChoices(2, 16320).size(), 21u);
    EXPECT_EQ(MemorySizeChoices(1, 512).back(), 512);
    EXPECT_EQ(MemorySizeChoices(1, 500).back(), 448);
    // An unknown total (0) leaves only the size 0.
    EXPECT_EQ(MemorySizeChoices(1, 0), (std::vector<std::int32_t>{0}));
}

}  // namespace
