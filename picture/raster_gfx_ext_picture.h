#pragma once

#include "picture.h"

// The compact raster stream: ESC "." lines that skip white margins and repeat equal rows.
class CRasterGfxExtPicture : public CPicture {
public:
    explicit CRasterGfxExtPicture(std::string fileName);

    bool Decode(std::string& message) override;
    PictureResult Parse(std::string& message) override;
    PictureResult Write(std::uint32_t& width, std::uint32_t& height, std::string& message) override;
};
