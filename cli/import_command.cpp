#include "import_command.h"

#include "arguments.h"
#include "failure_report.h"
#include "picture_commands.h"

#include "picture_factory.h"
#include "picture_import.h"

#include <array>
#include <charconv>
#include <iostream>

namespace {

constexpr std::string_view kWidthOption = "--width";
constexpr std::string_view kPaperOption = "--paper";
constexpr std::string_view kDitherOption = "--dither";
constexpr std::string_view kThresholdOption = "--threshold";
constexpr std::string_view kBrightnessOption = "--brightness";
constexpr std::string_view kContrastOption = "--contrast";
constexpr std::string_view kGammaOption = "--gamma";
constexpr std::string_view kInvertFlag = "--invert";
constexpr std::array kValueOptions{kTypeOption,      kWidthOption,      kPaperOption,
                                   kDitherOption,    kThresholdOption,  kBrightnessOption,
                                   kContrastOption,  kGammaOption};
constexpr std::array kFlags{kInvertFlag};

struct ImportRequest {
    std::string input;
    std::string output;
    PictureType type = PT_BITMAP;
    ImportOptions options;
};

int ParseAdjust(std::string_view option, const std::string& text)
{
    const std::int32_t value = ParseInt32(option, text);
    if (value < kMinAdjust || value > kMaxAdjust)
        throw UsageError(std::string(option) + " must be a whole number from -100 to 100, not \"" + text + "\"");
    return value;
}

double ParseGamma(const std::string& text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < kMinGamma ||
        value > kMaxGamma)
        throw UsageError("--gamma must be a number from 0.1 to 10, not \"" + text + "\"");
    return value;
}

ImportRequest ParseImportRequest(std::span<const std::string> args)
{
    const ParsedArguments parsed(args, kValueOptions, kFlags);
    if (parsed.Positionals().size() != 2)
        throw UsageError("import takes exactly two files, IN and OUT");
    ImportRequest request;
    request.input = parsed.Positionals()[0];
    request.output = parsed.Positionals()[1];

    request.type = RequiredPictureType(parsed);

    ImportOptions& options = request.options;
    const auto width = parsed.Value(kWidthOption);
    const auto paper = parsed.Value(kPaperOption);
    if (width && paper)
        throw UsageError("--width and --paper cannot be combined");
    if (width)
        options.width = ParseUnsignedInRange(kWidthOption, *width, kMinImportWidth, kMaxImportWidth);
    if (paper) {
        options.width = PaperPresetWidth(*paper);
        if (!options.width)
            throw UsageError("--paper must be 58mm, 80mm, 512 or 640, not \"" + *paper + "\"");
    }
    if (const auto method = parsed.Value(kDitherOption)) {
        const auto known = DitherMethodFromName(*method);
        if (!known)
            throw UsageError("--dither must be threshold, floyd-steinberg, atkinson or bayer, not \"" + *method +
                             "\"");
        options.method = *known;
    }
    if (const auto threshold = parsed.Value(kThresholdOption); threshold && *threshold != "auto")
        options.threshold = static_cast<int>(ParseUnsignedInRange(kThresholdOption, *threshold, 0, 255));
    if (const auto text = parsed.Value(kBrightnessOption))
        options.brightness = ParseAdjust(kBrightnessOption, *text);
    if (const auto text = parsed.Value(kContrastOption))
        options.contrast = ParseAdjust(kContrastOption, *text);
    if (const auto text = parsed.Value(kGammaOption))
        options.gamma = ParseGamma(*text);
    options.invert = parsed.Flag(kInvertFlag);
    return request;
}

}  // namespace

int RunImport(std::span<const std::string> args)
{
    const ImportRequest request = ParseImportRequest(args);
    ImportResult imported = ImportPicture(request.input, request.options);
    if (!imported.dots)
        return ReportFailure(imported.message);

    // Cut at its own size, the writer gets the padded dot buffer every
    // format's size rules may reach into.
    std::string message;
    const auto writer = CreatePicture(request.type, request.output);
    const DitheredDots& dots = *imported.dots;
    if (writer->CropFrom(dots.width, dots.height, 0, 0, dots.width, dots.height, dots.bits, message) != PR_OK)
        return ReportFailure(message);
    imported.dots.reset();

    if (writer->OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message) != PR_OK)
        return ReportFailure(message, writer->GetSystemError());
    std::uint32_t width = writer->GetWidth();
    std::uint32_t height = writer->GetHeight();
    const PictureResult written = writer->Write(width, height, message);
    if (written != PR_OK && written != PR_ADJUSTED)
        return ReportFailure(message, writer->GetSystemError());
    if (written == PR_ADJUSTED)
        std::cerr << message << '\n';
    std::cout << "width: " << width << '\n' << "height: " << height << '\n';
    return kExitOk;
}
