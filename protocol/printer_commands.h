#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The printer's logo command set, byte for byte, as the host sends it. The
// virtual printer keeps a table of its own, so a wrong byte here is caught
// rather than mirrored.
namespace printer {

using Bytes = std::vector<std::uint8_t>;

// Command prefixes and the codes that follow them.
inline constexpr std::uint8_t kGs = 0x1D;
inline constexpr std::uint8_t kUs = 0x1F;

inline constexpr std::uint8_t kSelectLogoCode = 0x23;       // GS
inline constexpr std::uint8_t kPrintLogoCode = 0x2F;        // GS
inline constexpr std::uint8_t kEraseLogosCode = 0x40;       // GS, then kEraseLogosArgument
inline constexpr std::uint8_t kEraseLogosArgument = 0x31;
inline constexpr std::uint8_t kTotalMemoryCode = 0x0B;      // GS
inline constexpr std::uint8_t kSetMemorySizeCode = 0x22;    // GS, then kMemoryArgument, k, 00
inline constexpr std::uint8_t kChecksumCode = 0x65;         // US
inline constexpr std::uint8_t kUploadCode = 0x6A;           // US
inline constexpr std::uint8_t kLogoMemoryCode = 0x07;       // US, then kMemoryArgument
inline constexpr std::uint8_t kRemainingMemoryCode = 0x77;  // US, then kRemainingMemoryArgument
inline constexpr std::uint8_t kMemoryArgument = 0x55;
inline constexpr std::uint8_t kRemainingMemoryArgument = 0x01;
inline constexpr std::uint8_t kSetMemorySizeTerminator = 0x00;

// Bytes the printer answers with.
inline constexpr std::uint8_t kAccepted = 0x06;
inline constexpr std::uint8_t kEraseAcknowledge = 0x0D;
inline constexpr std::uint8_t kUploadMarker = 0x6A;
// An upload reply for an empty slot is the marker followed by these two.
inline constexpr std::uint8_t kEmptySlotFiller = 0x00;

// Reply lengths the host waits for.
inline constexpr std::int32_t kChecksumReplyLength = 4;
inline constexpr std::int32_t kTotalMemoryReplyLength = 1;
inline constexpr std::int32_t kLogoMemoryReplyLength = 3;
inline constexpr std::int32_t kRemainingMemoryReplyLength = 8;
inline constexpr std::int32_t kSetMemorySizeReplyLength = 1;

// Memory figures travel in units of this many kbytes.
inline constexpr std::uint32_t kMemoryUnitKbytes = 64;

inline constexpr std::uint32_t kLogoSlotCount = 256;

// Print sizes, the values the "x.H x.W" choices stand for.
enum LogoSizeMode : std::uint8_t {
    kSizeNormal = 0,
    kSizeDoubleWidth = 1,
    kSizeDoubleHeight = 2,
    kSizeDoubleBoth = 3,
};

Bytes SelectLogo(std::uint8_t slot);
Bytes PrintLogo(LogoSizeMode mode);
Bytes EraseLogos();
Bytes ChecksumQuery(std::uint8_t slot);
Bytes UploadRequest();
Bytes TotalMemoryQuery();
Bytes LogoMemoryQuery();
Bytes RemainingMemoryQuery();
// Sizes are sent in units of 64 kbytes in one byte; a size whose unit count
// does not fit the byte has no command rather than a wrapped-around one.
std::optional<Bytes> SetLogoMemorySize(std::uint32_t kbytes);

}  // namespace printer

namespace printer_messages {
inline constexpr std::string_view kCommunicationFailure =
    "The command has not been sent, there is communication failure.";
inline constexpr std::string_view kSelectLogoNumber = "Please select a logo number.";
inline constexpr std::string_view kNoPictureToDownload =
    "There is no picture to downoad, please display one before to proceed.";
inline constexpr std::string_view kPrinterError = "The command has been sent, but the printer has returned one error.";
inline constexpr std::string_view kLogoNotDownloaded = "The logo has not been downloaded";
inline constexpr std::string_view kWrongChecksum =
    "The logo has been downloaded but the checksum returned from printer is wrong";
inline constexpr std::string_view kNoLogoAtLocation = "There is not logo at this location";
inline constexpr std::string_view kDownloadStopped =
    "There is communication failure and the download has been stopped";
inline constexpr std::string_view kUploadRefused = "The printer's answer announces no bitmap that can be read back.";
}  // namespace printer_messages
