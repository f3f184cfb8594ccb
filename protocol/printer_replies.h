#pragma once

#include "printer_reply.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the printer's answers to the logo commands mean. Each takes the
// component's SendReceive result as it came back.

enum class ChecksumVerdict {
    Verified,
    NotStored,
    WrongChecksum,
    CommunicationFailure,
};

struct ChecksumCheck {
    ChecksumVerdict verdict;
    std::string_view message;  // empty when verified
};

ChecksumCheck CheckChecksumReply(const PrinterReply& reply, std::uint16_t checksum);

// The figures in kbytes; nothing when the reply is not valid, in which case
// the program leaves its shown figure as it was.
std::optional<std::int32_t> TotalMemoryKbytes(const PrinterReply& reply);
std::optional<std::int32_t> LogoMemoryKbytes(const PrinterReply& reply);
// The printer sends the remaining bytes as text, ended by a zero byte or by
// the end of what came back.
std::optional<std::string> RemainingMemoryText(const PrinterReply& reply);

enum class MemorySizeVerdict {
    Accepted,
    Refused,
    CommunicationFailure,
};

struct MemorySizeOutcome {
    MemorySizeVerdict verdict;
    std::string_view message;  // empty when accepted
};

MemorySizeOutcome CheckMemorySizeReply(const PrinterReply& reply);

// The sizes in kbytes the memory-size choice offers, rising: multiples of 64
// up to the largest size and never above 1280. Without the protocol level
// that reports the total memory (version 0) the largest size is 1024.
std::vector<std::int32_t> MemorySizeChoices(std::int32_t version, std::int32_t totalMemoryKbytes);
