#include "printer_replies.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view kFailure = "The command has not been sent, there is communication failure.";

PrinterReply Reply(Bytes bytes, bool ok = true)
{
    return {ok, std::move(bytes)};
}

TEST(ChecksumReply, VerdictsForTheChecksum0xEDCC)
{
    const struct { PrinterReply reply; ChecksumVerdict verdict; std::string_view message; } cases[] = {
        {Reply({0x65, 0x01, 0xCC, 0xED}), ChecksumVerdict::Verified, ""},
        {Reply({0x00, 0x80, 0xCC, 0xED}), ChecksumVerdict::Verified, ""},  // byte 0 is not examined
        {Reply({0x65, 0x01, 0xED, 0xCC}), ChecksumVerdict::WrongChecksum,
         "The logo has been downloaded but the checksum returned from printer is wrong"},
        {Reply({0x65, 0x00, 0xCC, 0xED}), ChecksumVerdict::NotStored, "The logo has not been downloaded"},
        {Reply({0x65, 0x01, 0xCC, 0xED}, false), ChecksumVerdict::CommunicationFailure, kFailure},
        {Reply({0x65, 0x01, 0xCC}), ChecksumVerdict::CommunicationFailure, kFailure},
        {Reply({0x65, 0x01, 0xCC, 0xED, 0x00}), ChecksumVerdict::CommunicationFailure, kFailure},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.reply.bytes) + (c.reply.ok ? "" : " not ok"));
        const ChecksumCheck check = CheckChecksumReply(c.reply, 0xEDCC);
        EXPECT_EQ(check.verdict, c.verdict);
        EXPECT_EQ(check.message, c.message);
    }
}

TEST(MemoryReplies, FiguresComeOnlyFromValidRepliesOfTheExpectedLength)
{
    EXPECT_EQ(TotalMemoryKbytes(Reply({0x14})), 1280);
    EXPECT_EQ(TotalMemoryKbytes(Reply({0x14}, false)), std::nullopt);
    EXPECT_EQ(TotalMemoryKbytes(Reply({0x14, 0x00})), std::nullopt);
    EXPECT_EQ(LogoMemoryKbytes(Reply({0x07, 0x08, 0x55})), 512);
    EXPECT_EQ(LogoMemoryKbytes(Reply({0x07, 0x08})), std::nullopt);
    // Text up to the first zero or the end; any nonzero count will do.
    EXPECT_EQ(RemainingMemoryText(Reply({'5', '2', '4', '2', '8', '8', 0, 0})), "524288");
    EXPECT_EQ(RemainingMemoryText(Reply({'1', '6', '7', '1', '1', '6', '8', '0'})), "16711680");
    EXPECT_EQ(RemainingMemoryText(Reply({0, '9', '9'})), "");
    EXPECT_EQ(RemainingMemoryText(Reply({})), std::nullopt);
    EXPECT_EQ(RemainingMemoryText(Reply({'4', '2'}, false)), std::nullopt);

    EXPECT_EQ(CheckMemorySizeReply(Reply({0x06})).verdict, MemorySizeVerdict::Accepted);
    const MemorySizeOutcome refused = CheckMemorySizeReply(Reply({0x15}));
    EXPECT_EQ(refused.verdict, MemorySizeVerdict::Refused);
    EXPECT_EQ(refused.message, "The command has been sent, but the printer has returned one error.");
    for (const PrinterReply& reply : {Reply({0x06}, false), Reply({}), Reply({0x06, 0x06})}) {
        EXPECT_EQ(CheckMemorySizeReply(reply).verdict, MemorySizeVerdict::CommunicationFailure);
        EXPECT_EQ(CheckMemorySizeReply(reply).message, kFailure);
    }
}

TEST(MemorySizeChoices, MultiplesOf64UpToTheLargestOffered)
{
    EXPECT_EQ(MemorySizeChoices(1, 250), (std::vector<std::int32_t>{0, 64, 128, 192}));
    EXPECT_EQ(MemorySizeChoices(0, 1280).back(), 1024);  // without the protocol level
    EXPECT_EQ(MemorySizeChoices(2, 16320).back(), 1280);
}

}  // namespace
