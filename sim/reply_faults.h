#pragma once

#include "virtual_printer.h"

// Ways the virtual printer can misbehave on purpose, for testing the host.
struct ReplyFaults {
    bool wrongChecksum = false;   // a stored logo's checksum is answered off by one
    bool noAnswer = false;        // nothing is ever answered
    bool stallUpload = false;     // an upload reply stops after half its bytes
    bool overlongUpload = false;  // an upload reply runs on past its bitmap
};

// How many bytes an over-long upload reply carries beyond its bitmap.
inline constexpr std::size_t kOverlongUploadExtra = 16;

// The bytes that go on the line for a reply.
std::vector<std::uint8_t> ApplyFaults(const PrinterAnswer& reply, const ReplyFaults& faults);
