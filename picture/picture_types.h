#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Values equal the positions of the sorted output-type list, so every switch
// on a type and every list index agree.
enum PictureType : std::uint32_t {
    PT_BITMAP = 0,
    PT_EPSON_GFX = 1,
    PT_LOGO = 2,
    PT_RASTER_GFX = 3,
    PT_RASTER_GFX_EXT = 4,
};

inline constexpr std::uint32_t kPictureTypeCount = 5;

enum PictureResult : std::uint32_t {
    PR_OK = 0,
    PR_INVALID = 1,
    PR_WRONG_FORMAT = 2,
    PR_NO_IMAGE = 3,
    PR_OPEN_FAILED = 4,
    PR_READ_FAILED = 5,
    PR_WRITE_FAILED = 6,
    PR_NO_MEMORY = 7,
    PR_ADJUSTED = 8,
};

// The name the program shows for a type; empty for a value that is no type.
std::string_view PictureTypeName(std::uint32_t type);

// Accepts the number 0 to 4 or the shown name, case-insensitive, with '-' or
// '_' standing for a blank.
std::optional<PictureType> PictureTypeFromText(std::string_view text);

namespace picture_messages {
inline constexpr std::string_view kMemoryAllocation = "Error - Memory Allocation";
inline constexpr std::string_view kReadInputFile = "Error - Read Input File";
inline constexpr std::string_view kFileWrite = "Error - File Write";
inline constexpr std::string_view kWidthAdjusted =
    "Picture Width has been adjusted to be compatible with selected output format";
inline constexpr std::string_view kHeightAdjusted =
    "Picture Height has been adjusted to be compatible with selected output format";
inline constexpr std::string_view kWidthHeightAdjusted =
    "Picture Width & Height have been adjusted to be compatible with selected output format";
inline constexpr std::string_view kTypeNotSupported = "Picture type not supported.";
inline constexpr std::string_view kUnknownOutputType = "Error - unknown output type.";

std::string FileOpen(std::string_view path);
}  // namespace picture_messages
