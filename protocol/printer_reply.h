#pragma once

#include <cstdint>
#include <vector>

// A reply as a request-and-wait call hands it back: whether the link
// reported success, and the bytes that came.
struct PrinterReply {
    bool ok = false;
    std::vector<std::uint8_t> bytes;
};
