#include "picture_factory.h"

#include "bmp_picture.h"
#include "epson_gfx_picture.h"
#include "logo_picture.h"
#include "raster_gfx_ext_picture.h"
#include "raster_gfx_picture.h"

#include <array>

std::unique_ptr<CPicture> CreatePicture(std::uint32_t type, std::string fileName)
{
    switch (type) {
    case PT_BITMAP:
        return std::make_unique<CBmpPicture>(std::move(fileName));
    case PT_EPSON_GFX:
        return std::make_unique<CEpsonGfxPicture>(std::move(fileName));
    case PT_LOGO:
        return std::make_unique<CLogoPicture>(std::move(fileName));
    case PT_RASTER_GFX:
        return std::make_unique<CRasterGfxPicture>(std::move(fileName));
    case PT_RASTER_GFX_EXT:
        return std::make_unique<CRasterGfxExtPicture>(std::move(fileName));
    default:
        return nullptr;
    }
}

OpenedPicture OpenPictureFile(const std::string& path)
{
    static constexpr std::array kProbeOrder = {PT_RASTER_GFX, PT_BITMAP, PT_LOGO, PT_EPSON_GFX, PT_RASTER_GFX_EXT};

    OpenedPicture result;
    for (PictureType type : kProbeOrder) {
        auto picture = CreatePicture(type, path);
        const PictureResult opened = picture->OpenFile(FileAccess::Read, FileDisposition::OpenExisting, result.message);
        if (opened == PR_OPEN_FAILED || opened == PR_READ_FAILED || opened == PR_NO_MEMORY) {
            result.systemError = picture->GetSystemError();
            return result;
        }
        const PictureResult parsed = picture->Parse(result.message);
        if (parsed == PR_WRONG_FORMAT)
            continue;
        if (parsed == PR_INVALID)
            return result;
        // The program parses the recognised format a second time before decoding.
        if (picture->Parse(result.message) != PR_OK || !picture->Decode(result.message))
            return result;
        result.message.clear();
        result.picture = std::move(picture);
        return result;
    }
    result.message = picture_messages::kTypeNotSupported;
    return result;
}
