#include "printer_replies.h"

#include "byte_reader.h"
#include "printer_commands.h"

#include <algorithm>

namespace {

constexpr std::int32_t kLargestSizeWithoutVersion = 1024;
constexpr std::int32_t kLargestOfferedSize = 1280;

bool HasLength(const PrinterReply& reply, std::int32_t expected)
{
    return reply.ok && reply.bytes.size() == static_cast<std::size_t>(expected);
}

// The memory figure carried in one byte of a valid reply.
std::optional<std::int32_t> KbytesAt(const PrinterReply& reply, std::size_t pos)
{
    const auto units = ByteReader(reply.bytes).U8(pos);
    if (!units)
        return std::nullopt;
    return static_cast<std::int32_t>(*units * printer::kMemoryUnitKbytes);
}

}  // namespace

ChecksumCheck CheckChecksumReply(const PrinterReply& reply, std::uint16_t checksum)
{
    if (!HasLength(reply, printer::kChecksumReplyLength))
        return {ChecksumVerdict::CommunicationFailure, printer_messages::kCommunicationFailure};
    const ByteReader reader(reply.bytes);
    if (reader.U8(1).value_or(0) == 0)
        return {ChecksumVerdict::NotStored, printer_messages::kLogoNotDownloaded};
    if (reader.Le16(2) == checksum)
        return {ChecksumVerdict::Verified, {}};
    return {ChecksumVerdict::WrongChecksum, printer_messages::kWrongChecksum};
}

std::optional<std::int32_t> TotalMemoryKbytes(const PrinterReply& reply)
{
    if (!HasLength(reply, printer::kTotalMemoryReplyLength))
        return std::nullopt;
    return KbytesAt(reply, 0);
}

std::optional<std::int32_t> LogoMemoryKbytes(const PrinterReply& reply)
{
    if (!HasLength(reply, printer::kLogoMemoryReplyLength))
        return std::nullopt;
    return KbytesAt(reply, 1);
}

std::optional<std::string> RemainingMemoryText(const PrinterReply& reply)
{
    if (!reply.ok || reply.bytes.empty())
        return std::nullopt;
    const auto end = std::find(reply.bytes.begin(), reply.bytes.end(), std::uint8_t{0});
    return std::string(reply.bytes.begin(), end);
}

MemorySizeOutcome CheckMemorySizeReply(const PrinterReply& reply)
{
    if (!HasLength(reply, printer::kSetMemorySizeReplyLength))
        return {MemorySizeVerdict::CommunicationFailure, printer_messages::kCommunicationFailure};
    if (ByteReader(reply.bytes).U8(0) == printer::kAccepted)
        return {MemorySizeVerdict::Accepted, {}};
    return {MemorySizeVerdict::Refused, printer_messages::kPrinterError};
}

std::vector<std::int32_t> MemorySizeChoices(std::int32_t version, std::int32_t totalMemoryKbytes)
{
    const std::int32_t largest =
        std::min(version != 0 ? totalMemoryKbytes : kLargestSizeWithoutVersion, kLargestOfferedSize);
    std::vector<std::int32_t> sizes;
    for (std::int32_t size = 0; size <= largest; size += static_cast<std::int32_t>(printer::kMemoryUnitKbytes))
        sizes.push_back(size);
    return sizes;
}
