#pragma once

#include "picture.h"

// A Windows bitmap of one bit per dot, the format pictures come in and out by.
class CBmpPicture : public CPicture {
public:
    explicit CBmpPicture(std::string fileName);

    bool Decode(std::string& message) override;
    PictureResult Parse(std::string& message) override;
    PictureResult Write(std::uint32_t& width, std::uint32_t& height, std::string& message) override;
};
