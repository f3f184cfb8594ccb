#include "printer_commands.h"

namespace printer {

Bytes SelectLogo(std::uint8_t slot)
{
    return {kGs, kSelectLogoCode, slot};
}

Bytes PrintLogo(LogoSizeMode mode)
{
    return {kGs, kPrintLogoCode, mode};
}

Bytes EraseLogos()
{
    return {kGs, kEraseLogosCode, kEraseLogosArgument};
}

Bytes ChecksumQuery(std::uint8_t slot)
{
    return {kUs, kChecksumCode, slot};
}

Bytes UploadRequest()
{
    return {kUs, kUploadCode};
}

Bytes TotalMemoryQuery()
{
    return {kGs, kTotalMemoryCode};
}

Bytes LogoMemoryQuery()
{
    return {kUs, kLogoMemoryCode, kMemoryArgument};
}

Bytes RemainingMemoryQuery()
{
    return {kUs, kRemainingMemoryCode, kRemainingMemoryArgument};
}

std::optional<Bytes> SetLogoMemorySize(std::uint32_t kbytes)
{
    const std::uint32_t units = kbytes / kMemoryUnitKbytes;
    if (units > 0xFF)
        return std::nullopt;
    return Bytes{kGs, kSetMemorySizeCode, kMemoryArgument, static_cast<std::uint8_t>(units), kSetMemorySizeTerminator};
}

}  // namespace printer
