#include "import_options.h"

namespace {

struct MethodNames {
    DitherMethod method;
    std::string_view name;
    std::string_view label;
};
constexpr std::array kMethodNames{
    MethodNames{DitherMethod::Threshold, "threshold", "Threshold"},
    MethodNames{DitherMethod::FloydSteinberg, "floyd-steinberg", "Floyd-Steinberg"},
    MethodNames{DitherMethod::Atkinson, "atkinson", "Atkinson"},
    MethodNames{DitherMethod::Bayer, "bayer", "Bayer 8 x 8"},
};

const MethodNames& NamesOf(DitherMethod method)
{
    for (const MethodNames& names : kMethodNames)
        if (names.method == method)
            return names;
    return kMethodNames[1];
}

}  // namespace

std::string_view DitherMethodName(DitherMethod method)
{
    return NamesOf(method).name;
}

std::string_view DitherMethodLabel(DitherMethod method)
{
    return NamesOf(method).label;
}

std::optional<DitherMethod> DitherMethodFromName(std::string_view name)
{
    for (const MethodNames& names : kMethodNames)
        if (names.name == name)
            return names.method;
    return std::nullopt;
}

std::optional<std::uint32_t> PaperPresetWidth(std::string_view name)
{
    for (const PaperPreset& preset : kPaperPresets)
        if (preset.name == name)
            return preset.width;
    return std::nullopt;
}
