#include "picture_geometry.h"

namespace {

// The output size is limited as on the "Picture Info" page.
constexpr std::uint32_t kMaxOutputDots = 1000;

}  // namespace

PictureGeometry ParsePictureGeometry(const ParsedArguments& parsed)
{
    PictureGeometry geometry;
    if (const auto text = parsed.Value(kWidthOption))
        geometry.width = ParseUnsignedInRange(kWidthOption, *text, 0, kMaxOutputDots);
    if (const auto text = parsed.Value(kHeightOption))
        geometry.height = ParseUnsignedInRange(kHeightOption, *text, 0, kMaxOutputDots);
    if (const auto text = parsed.Value(kOffsetXOption))
        geometry.offsetX = ParseInt32(kOffsetXOption, *text);
    if (const auto text = parsed.Value(kOffsetYOption))
        geometry.offsetY = ParseInt32(kOffsetYOption, *text);
    return geometry;
}

PictureResult CropToGeometry(const CPicture& input, const PictureGeometry& geometry, CPicture& output,
                             std::string& message)
{
    return output.CropFrom(input.GetWidth(), input.GetHeight(), geometry.offsetX, geometry.offsetY,
                           geometry.width.value_or(input.GetWidth()), geometry.height.value_or(input.GetHeight()),
                           input.GetBits(), message);
}
