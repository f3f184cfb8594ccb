#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

enum class DitherMethod { Threshold, FloydSteinberg, Atkinson, Bayer };

inline constexpr std::array kDitherMethods{DitherMethod::Threshold, DitherMethod::FloydSteinberg,
                                           DitherMethod::Atkinson, DitherMethod::Bayer};

// Scaling targets; the widest is the widest picture a printer logo takes.
inline constexpr std::uint32_t kMinImportWidth = 1;
inline constexpr std::uint32_t kMaxImportWidth = 2040;

// Dots across the paper widths printers are sold with.
struct PaperPreset {
    std::string_view name;  // as the command line takes it
    std::string_view label; // as the window shows it
    std::uint32_t width;
};
inline constexpr std::array kPaperPresets{
    PaperPreset{"58mm", "58 mm paper (384 dots)", 384},
    PaperPreset{"80mm", "80 mm paper (576 dots)", 576},
    PaperPreset{"512", "512 dots", 512},
    PaperPreset{"640", "640 dots", 640},
};

// Every choice of an import; the defaults change nothing but the depth.
struct ImportOptions {
    // Width in dots, aspect kept; none keeps the picture's own size.
    std::optional<std::uint32_t> width;
    DitherMethod method = DitherMethod::FloydSteinberg;
    // For the threshold method: dots below this level are black; none picks
    // the level by Otsu's method.
    std::optional<int> threshold;
    int brightness = 0;   // -100 to 100, added in percent of full scale
    int contrast = 0;     // -100 to 100: 0 keeps, -100 flattens to mid grey, 100 doubles
    double gamma = 1.0;   // 0.1 to 10; above 1 lightens the mid tones
    bool invert = false;

    bool operator==(const ImportOptions&) const = default;
};

inline constexpr int kMinAdjust = -100;
inline constexpr int kMaxAdjust = 100;
inline constexpr double kMinGamma = 0.1;
inline constexpr double kMaxGamma = 10.0;

// The command-line and settings names: "threshold", "floyd-steinberg",
// "atkinson", "bayer".
std::string_view DitherMethodName(DitherMethod method);
std::optional<DitherMethod> DitherMethodFromName(std::string_view name);
// The window's text for a method.
std::string_view DitherMethodLabel(DitherMethod method);
std::optional<std::uint32_t> PaperPresetWidth(std::string_view name);
