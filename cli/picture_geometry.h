#pragma once

#include "arguments.h"

#include "picture.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The output picture's size and offsets, as the "Picture Info" page sets
// them: a size left out is the input's own.
struct PictureGeometry {
    std::optional<std::uint32_t> width;
    std::optional<std::uint32_t> height;
    std::int32_t offsetX = 0;
    std::int32_t offsetY = 0;
};

inline constexpr std::string_view kWidthOption = "--width";
inline constexpr std::string_view kHeightOption = "--height";
inline constexpr std::string_view kOffsetXOption = "--offset-x";
inline constexpr std::string_view kOffsetYOption = "--offset-y";
inline constexpr std::array kGeometryOptions{kWidthOption, kHeightOption, kOffsetXOption, kOffsetYOption};

PictureGeometry ParsePictureGeometry(const ParsedArguments& parsed);

// Cuts or extends `input` into `output` by the geometry.
PictureResult CropToGeometry(const CPicture& input, const PictureGeometry& geometry, CPicture& output,
                             std::string& message);
