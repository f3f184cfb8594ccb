#include "picture_types.h"

#include <array>
#include <cctype>

namespace {

constexpr std::array<std::string_view, kPictureTypeCount> kNames = {
    "BITMAP", "EPSON GFX", "LOGO", "RASTER GFX", "RASTER GFX EXT"};

std::string Normalised(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '-' || c == '_')
            c = ' ';
        out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    return out;
}

}  // namespace

std::string_view PictureTypeName(std::uint32_t type)
{
    return type < kNames.size() ? kNames[type] : std::string_view{};
}

std::optional<PictureType> PictureTypeFromText(std::string_view text)
{
    if (text.size() == 1 && text[0] >= '0' && text[0] < static_cast<char>('0' + kPictureTypeCount))
        return static_cast<PictureType>(text[0] - '0');
    const std::string wanted = Normalised(text);
    for (std::uint32_t i = 0; i < kNames.size(); ++i)
        if (wanted == kNames[i])
            return static_cast<PictureType>(i);
    return std::nullopt;
}

std::string picture_messages::FileOpen(std::string_view path)
{
    return "Error - File Open : " + std::string(path);
}
