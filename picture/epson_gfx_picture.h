#pragma once

#include "picture.h"

// An ESC/P bit-image print stream, written as 24-dot bands.
class CEpsonGfxPicture : public CPicture {
public:
    explicit CEpsonGfxPicture(std::string fileName);

    bool Decode(std::string& message) override;
    PictureResult Parse(std::string& message) override;
    PictureResult Write(std::uint32_t& width, std::uint32_t& height, std::string& message) override;
};
