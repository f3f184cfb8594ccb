#include "download_image.h"

#include "byte_reader.h"
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

namespace {

// The size bytes of a logo are one byte each, so a picture beyond 2040 dots
// would come out with wrapped sizes that describe other dots than those sent.
bool HeaderDescribesImage(std::span<const std::uint8_t> image)
{
    const ByteReader reader(image);
    const auto columnsBy8 = reader.U8(2);
    const auto rowsBy8 = reader.U8(3);
    if (!columnsBy8 || !rowsBy8)
        return false;
    const std::uint64_t dotBytes = 8ull * *columnsBy8 * *rowsBy8;
    return image.size() == printer::kDownloadHeaderLength + dotBytes;
}

}  // namespace

DownloadImage BuildDownloadImage(const CPicture* source)
{
    if (source == nullptr)
        return {std::nullopt, printer_messages::kNoPictureToDownload};

    CLogoPicture logo("");
    logo.SetBits(source->GetBits());
    std::uint32_t width = source->GetWidth();
    std::uint32_t height = source->GetHeight();
    std::string ignored;
    std::vector<std::uint8_t> image;
    std::uint32_t count = 0;
    const PictureResult result = logo.BuildFileImage(width, height, ignored, image, count);
    if ((result != PR_OK && result != PR_ADJUSTED) || image.size() != count || !HeaderDescribesImage(image))
        return {};
    return {std::move(image), {}};
}
