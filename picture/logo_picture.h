#pragma once

#include "picture.h"

#include <cstdint>
#include <vector>

// The printer's downloadable logo, GS "*" with dots in vertical columns. The
// same bytes that a ".log" file holds are what a logo download sends.
class CLogoPicture : public CPicture {
public:
    explicit CLogoPicture(std::string fileName);

    bool Decode(std::string& message) override;
    PictureResult Parse(std::string& message) override;
    PictureResult Write(std::uint32_t& width, std::uint32_t& height, std::string& message) override;

    // The file image of Write, built in memory and handed out as a copy; the
    // dots must have been set with SetBits. PR_OK or PR_ADJUSTED on success.
    PictureResult BuildFileImage(std::uint32_t& width, std::uint32_t& height, std::string& message,
                                 std::vector<std::uint8_t>& data, std::uint32_t& count);

private:
    // Rounds the size up to whole bytes of dots and builds the file image of
    // the dots in m_pFileImage; PR_OK, PR_INVALID or PR_NO_MEMORY.
    PictureResult BuildImage(std::uint32_t width, std::uint32_t height, std::string& message);
};
