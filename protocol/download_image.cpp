#include "download_image.h"

#include "logo_picture.h"
#include "printer_commands.h"

#include <numeric>

std::uint16_t DownloadChecksum(std::span<const std::uint8_t> image)
{
    const std::uint16_t sum = std::accumulate(image.begin(), image.end(), std::uint16_t{0},
                                              [](std::uint16_t total, std::uint8_t byte) {
                                                  return static_cast<std::uint16_t>(total + byte);
                                              });
    return static_cast<std::uint16_t>(0u - sum);
}

DownloadImage BuildDownloadImage(const CPicture* source)
{
    if (source == nullptr)
        return {std::nullopt, printer_messages::kNoPictureToDownload, {}};

    CLogoPicture logo("");
    logo.SetBits(source->GetBits());
    std::uint32_t width = source->GetWidth();
    std::uint32_t height = source->GetHeight();
    DownloadImage built;
    std::vector<std::uint8_t> image;
    std::uint32_t count = 0;
    const PictureResult result = logo.BuildFileImage(width, height, built.reason, image, count);
    if (result == PR_OK || result == PR_ADJUSTED)
        built.image = std::move(image);
    return built;
}
