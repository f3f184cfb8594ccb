#pragma once

#include <cstdint>
#include <span>
#include <vector>

// A logo as it comes out on paper: dot rows from the top, whole bytes per
// row, most significant bit leftmost, 1 = black.
struct PrintedLogo {
    std::uint8_t slot = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rows;
};

// The size byte of the print command: these bits double the width and the height.
inline constexpr std::uint8_t kPrintDoubleWidth = 0x01;
inline constexpr std::uint8_t kPrintDoubleHeight = 0x02;

// The stored dots in the size a print mode asks for: double width repeats
// every dot, double height every row.
PrintedLogo ScaleForPrint(std::uint8_t slot, std::uint32_t width, std::uint32_t height,
                          std::span<const std::uint8_t> rows, std::uint8_t sizeMode);

// The logo as a binary portable bitmap (P4), whose rows are laid out exactly
// like the dot rows.
std::vector<std::uint8_t> EncodePbm(const PrintedLogo& logo);
