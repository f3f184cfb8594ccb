#pragma once

#include "picture.h"

#include <cstdint>
#include <span>
#include <vector>

// A Windows bitmap of one bit per dot, the format pictures come in and out by.
class CBmpPicture : public CPicture {
public:
    explicit CBmpPicture(std::string fileName);

    bool Decode(std::string& message) override;
    PictureResult Parse(std::string& message) override;
    PictureResult Write(std::uint32_t& width, std::uint32_t& height, std::string& message) override;
};

// The exact file image Write produces for these dots: 40-byte header, white
// then black palette, rows bottom first padded to 4 bytes. Dots missing from
// a short `bits` are white. Empty when the image would exceed
// kMaxPictureBufferBytes.
std::vector<std::uint8_t> BuildBmpFileImage(std::uint32_t width, std::uint32_t height,
                                            std::span<const std::uint8_t> bits);
