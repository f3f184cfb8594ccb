#pragma once

#include "picture.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The 16-bit value the printer reports for a stored logo: 0 minus the sum of
// every byte of the downloaded image, header included, modulo 65536.
std::uint16_t DownloadChecksum(std::span<const std::uint8_t> image);

struct DownloadImage {
    std::optional<std::vector<std::uint8_t>> image;  // empty on failure
    std::string_view message;                         // what the program shows on failure; may be empty
    // The picture's own account of a failure or of rounded sizes, which the
    // program does not show; a command line may.
    std::string reason;
};

// The LOGO image a download sends for a picture's dots, whatever the
// picture's own format. Null stands for "nothing displayed".
DownloadImage BuildDownloadImage(const CPicture* source);
