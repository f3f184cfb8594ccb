#include "reply_faults.h"

#include "byte_reader.h"
#include "byte_writer.h"

namespace {

constexpr std::size_t kStoredFlagAt = 1;
constexpr std::size_t kChecksumAt = 2;
// Neither the erase acknowledgement nor the upload marker, so the extra bytes
// read as noise rather than as another reply.
constexpr std::uint8_t kOverlongFill = 0xA5;

}  // namespace

std::vector<std::uint8_t> ApplyFaults(const PrinterAnswer& reply, const ReplyFaults& faults)
{
    if (faults.noAnswer)
        return {};
    std::vector<std::uint8_t> bytes = reply.bytes;
    const ByteReader reader(reply.bytes);

    if (reply.command == PrinterCommand::ChecksumQuery && faults.wrongChecksum &&
        reader.U8(kStoredFlagAt).value_or(0) != 0) {
        const auto checksum = reader.Le16(kChecksumAt);
        if (checksum)
            StoreLe16(std::span(bytes).subspan<kChecksumAt, 2>(), static_cast<std::uint16_t>(*checksum + 1));
    }
    if (reply.command == PrinterCommand::UploadRequest) {
        if (faults.stallUpload)
            bytes.resize(bytes.size() / 2);
        else if (faults.overlongUpload)
            bytes.insert(bytes.end(), kOverlongUploadExtra, kOverlongFill);
    }
    return bytes;
}
