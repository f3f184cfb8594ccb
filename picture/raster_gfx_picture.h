#pragma once

#include "picture.h"

// Raster graphics rows, each one command 0x11 followed by the row's bytes.
class CRasterGfxPicture : public CPicture {
public:
    explicit CRasterGfxPicture(std::string fileName);

    bool Decode(std::string& message) override;
    PictureResult Parse(std::string& message) override;
    PictureResult Write(std::uint32_t& width, std::uint32_t& height, std::string& message) override;
};
