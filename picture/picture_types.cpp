#include "picture_types.h"

#include "text_case.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

constexpr std::array<std::string_view, kPictureTypeCount> kNames = {
    "BITMAP", "EPSON GFX", "LOGO", "RASTER GFX", "RASTER GFX EXT"};

// '-' and '_' stand for the blanks of a name, which a command line makes awkward.
std::string Blanked(std::string_view text)
{
    std::string out(text);
    std::replace_if(out.begin(), out.end(), [](char c) { return c == '-' || c == '_'; }, ' ');
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
    const std::string wanted = Blanked(text);
    for (std::uint32_t i = 0; i < kNames.size(); ++i)
        if (EqualsIgnoringCase(wanted, kNames[i]))
            return static_cast<PictureType>(i);
    return std::nullopt;
}

std::string picture_messages::FileOpen(std::string_view path)
{
    return "Error - File Open : " + std::string(path);
}
