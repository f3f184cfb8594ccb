#include "picture_commands.h"

#include "arguments.h"
#include "failure_report.h"
#include "picture_geometry.h"

#include "picture_factory.h"

#include <iostream>

namespace {

struct ConvertRequest {
    std::string input;
    std::string output;
    PictureType type = PT_BITMAP;
    PictureGeometry geometry;
};

}  // namespace

PictureType RequiredPictureType(const ParsedArguments& parsed)
{
    const auto typeText = parsed.Value(kTypeOption);
    if (!typeText)
        throw UsageError("--type is required");
    const auto type = PictureTypeFromText(*typeText);
    if (!type)
        throw UsageError("--type must be 0 to 4 or a type name, not \"" + *typeText + "\"");
    return *type;
}

namespace {

ConvertRequest ParseConvertRequest(std::span<const std::string> args)
{
    const ParsedArguments parsed(args, {kTypeOption, kWidthOption, kHeightOption, kOffsetXOption, kOffsetYOption});
    if (parsed.Positionals().size() != 2)
        throw UsageError("convert takes exactly two files, IN and OUT");

    ConvertRequest request;
    request.input = parsed.Positionals()[0];
    request.output = parsed.Positionals()[1];

    request.type = RequiredPictureType(parsed);
    request.geometry = ParsePictureGeometry(parsed);
    return request;
}

}  // namespace

int RunInfo(std::span<const std::string> args)
{
    const ParsedArguments parsed(args, {});
    if (parsed.Positionals().size() != 1)
        throw UsageError("info takes exactly one FILE");

    const OpenedPicture opened = OpenPictureFile(parsed.Positionals()[0]);
    if (!opened.picture)
        return ReportFailure(opened.message, opened.systemError);
    const CPicture& picture = *opened.picture;
    std::cout << "type: " << PictureTypeName(picture.GetType()) << '\n'
              << "width: " << picture.GetWidth() << '\n'
              << "height: " << picture.GetHeight() << '\n'
              << "size: " << picture.GetSize() << '\n';
    return kExitOk;
}

int RunConvert(std::span<const std::string> args)
{
    const ConvertRequest request = ParseConvertRequest(args);

    OpenedPicture opened = OpenPictureFile(request.input);
    if (!opened.picture)
        return ReportFailure(opened.message, opened.systemError);

    // The writer is cut straight from the input, and the input dropped before
    // the file image is built: at most two dot buffers, or one and the image.
    std::string message;
    const auto writer = CreatePicture(request.type, request.output);
    if (CropToGeometry(*opened.picture, request.geometry, *writer, message) != PR_OK)
        return ReportFailure(message);
    opened.picture.reset();

    if (writer->OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message) != PR_OK)
        return ReportFailure(message, writer->GetSystemError());
    std::uint32_t width = writer->GetWidth();
    std::uint32_t height = writer->GetHeight();
    const PictureResult written = writer->Write(width, height, message);
    if (written == PR_ADJUSTED) {
        std::cerr << message << '\n';
        return kExitOk;
    }
    if (written != PR_OK)
        return ReportFailure(message, writer->GetSystemError());
    return kExitOk;
}
