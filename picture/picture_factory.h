#pragma once

#include "picture.h"

#include <memory>
#include <string>

// The format object for a type, or null for a value that is no type.
std::unique_ptr<CPicture> CreatePicture(std::uint32_t type, std::string fileName);

struct OpenedPicture {
    std::unique_ptr<CPicture> picture;  // decoded; null on failure
    std::string message;                // the text to show on failure
    int systemError = 0;                // the system's error number behind it, if any
};

// Opens a picture file by asking the formats in the order RASTER GFX, BITMAP,
// LOGO, EPSON GFX, RASTER GFX EXT; the first that does not answer
// PR_WRONG_FORMAT decides. Every probe reads the file anew.
OpenedPicture OpenPictureFile(const std::string& path);
