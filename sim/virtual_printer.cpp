#include "virtual_printer.h"

#include "bmp_picture.h"
#include "byte_reader.h"
#include "byte_writer.h"
#include "logo_picture.h"

#include <algorithm>
#include <string>
#include <utility>

using Bytes = VirtualPrinter::Bytes;

namespace {

// A command as the printer reads it: the bytes that open it and its whole
// length. Written out here on purpose rather than taken from the host's
// protocol code, so that a wrong byte there shows up as a printer that does
// not understand.
struct CommandForm {
    PrinterCommand command;
    std::array<std::uint8_t, 3> lead;
    std::size_t leadLength;
    std::size_t length;  // the download's: its header, the dots follow
};

constexpr CommandForm kCommandTable[] = {
    {PrinterCommand::SelectLogo, {0x1D, 0x23}, 2, 3},                  // 1D 23 n
    {PrinterCommand::PrintLogo, {0x1D, 0x2F}, 2, 3},                   // 1D 2F m
    {PrinterCommand::EraseLogos, {0x1D, 0x40, 0x31}, 3, 3},            // 1D 40 31
    {PrinterCommand::DownloadLogo, {0x1D, 0x2A}, 2, 4},                // 1D 2A w h, then 8 x w x h bytes
    {PrinterCommand::TotalMemoryQuery, {0x1D, 0x0B}, 2, 2},            // 1D 0B
    {PrinterCommand::SetLogoMemorySize, {0x1D, 0x22, 0x55}, 3, 5},     // 1D 22 55 k 00
    {PrinterCommand::ChecksumQuery, {0x1F, 0x65}, 2, 3},               // 1F 65 n
    {PrinterCommand::UploadRequest, {0x1F, 0x6A}, 2, 2},               // 1F 6A
    {PrinterCommand::LogoMemoryQuery, {0x1F, 0x07, 0x55}, 3, 3},       // 1F 07 55
    {PrinterCommand::RemainingMemoryQuery, {0x1F, 0x77, 0x01}, 3, 3},  // 1F 77 01
};

constexpr std::size_t kArgumentAt = 2;  // n of select and checksum, m of print
constexpr std::size_t kColumnsAt = 2;   // w of the download
constexpr std::size_t kRowsAt = 3;      // h of the download
constexpr std::size_t kMemoryUnitsAt = 3;
constexpr std::uint8_t kSizeModeMask = 0x03;

constexpr std::uint8_t kErased = 0x0D;
constexpr std::uint8_t kAccepted = 0x06;
constexpr std::uint8_t kRefused = 0x15;
constexpr std::uint8_t kChecksumReplyLead = 0x65;
constexpr std::uint8_t kLogoMemoryReplyLead = 0x07;
constexpr std::uint8_t kLogoMemoryReplyTail = 0x55;
constexpr std::uint8_t kUploadMarker = 0x6A;
// The remaining memory goes as decimal text in a field of this many bytes,
// zeros after the digits.
constexpr std::size_t kRemainingReplyLength = 8;
constexpr std::uint64_t kBytesPerKbyte = 1024;

// The first command that what has come so far can still be; null when none.
const CommandForm* FormBegunBy(const Bytes& begun)
{
    const auto it = std::find_if(std::begin(kCommandTable), std::end(kCommandTable), [&](const CommandForm& form) {
        const std::size_t compared = std::min(begun.size(), form.leadLength);
        return std::equal(begun.begin(), begun.begin() + static_cast<std::ptrdiff_t>(compared), form.lead.begin());
    });
    return it == std::end(kCommandTable) ? nullptr : &*it;
}

// What the printer reports for a stored image: 0 minus the sum of all its
// bytes, header included, modulo 65536.
std::uint16_t StoredChecksum(const Bytes& image)
{
    std::uint16_t sum = 0;
    for (const std::uint8_t byte : image)
        sum = static_cast<std::uint16_t>(sum + byte);
    return static_cast<std::uint16_t>(0u - sum);
}

struct DecodedLogo {
    std::uint32_t width;
    std::uint32_t height;
    Bytes rows;
};

// The dots of a stored image; nothing for an image that is no logo.
std::optional<DecodedLogo> DecodeLogo(const Bytes& image)
{
    CLogoPicture logo("");
    std::string message;
    logo.SetFileImage(image);
    if (logo.Parse(message) != PR_OK || !logo.Decode(message))
        return std::nullopt;
    const auto rows = logo.GetBits();
    return DecodedLogo{logo.GetWidth(), logo.GetHeight(), Bytes(rows.begin(), rows.end())};
}

}  // namespace

VirtualPrinter::VirtualPrinter(VirtualPrinterConfig config)
    : m_config(config), m_nLogoMemoryKbytes(config.logoMemoryKbytes)
{
}

std::vector<PrinterAnswer> VirtualPrinter::Feed(std::span<const std::uint8_t> bytes)
{
    std::vector<PrinterAnswer> replies;
    ByteCursor input(bytes);
    while (!input.AtEnd()) {
        if (m_bDownloading) {
            const auto dots = input.Take(std::min(m_nDownloadMissing, input.Remaining()));
            m_download.insert(m_download.end(), dots->begin(), dots->end());
            m_nDownloadMissing -= dots->size();
            if (m_nDownloadMissing == 0) {
                m_bDownloading = false;
                StoreDownload();
            }
            continue;
        }
        ReadCommandByte(*input.Peek(), replies);
        input.Skip(1);
    }
    return replies;
}

std::vector<PrintedLogo> VirtualPrinter::TakePrinted()
{
    return std::exchange(m_printed, {});
}

std::uint64_t VirtualPrinter::RemainingBytes() const
{
    std::uint64_t used = 0;
    for (const auto& logo : m_slots)
        if (logo)
            used += logo->size();
    const std::uint64_t area = m_nLogoMemoryKbytes * kBytesPerKbyte;
    return used < area ? area - used : 0;
}

void VirtualPrinter::ReadCommandByte(std::uint8_t byte, std::vector<PrinterAnswer>& replies)
{
    m_command.push_back(byte);
    const CommandForm* form = FormBegunBy(m_command);
    if (form == nullptr) {
        // The first byte began nothing known; a later one may begin a command.
        const Bytes rest(m_command.begin() + 1, m_command.end());
        m_command.clear();
        for (std::uint8_t next : rest)
            ReadCommandByte(next, replies);
        return;
    }
    if (m_command.size() < form->length)
        return;
    Execute(form->command, replies);
    m_command.clear();
}

void VirtualPrinter::Execute(PrinterCommand which, std::vector<PrinterAnswer>& replies)
{
    const ByteReader command(m_command);
    const auto reply = [&](Bytes bytes) { replies.push_back({which, std::move(bytes)}); };

    switch (which) {
    case PrinterCommand::SelectLogo:
        m_nSelectedSlot = *command.U8(kArgumentAt);
        break;
    case PrinterCommand::PrintLogo:
        Print(*command.U8(kArgumentAt) & kSizeModeMask);
        break;
    case PrinterCommand::EraseLogos:
        m_slots.fill(std::nullopt);
        reply({kErased});
        break;
    case PrinterCommand::DownloadLogo:
        m_nDownloadMissing = std::size_t{8} * *command.U8(kColumnsAt) * *command.U8(kRowsAt);
        m_download = m_command;
        m_download.reserve(m_download.size() + m_nDownloadMissing);
        m_bDownloading = m_nDownloadMissing != 0;
        if (!m_bDownloading)
            StoreDownload();
        break;
    case PrinterCommand::ChecksumQuery: {
        const auto& logo = m_slots[*command.U8(kArgumentAt)];
        Bytes answer{kChecksumReplyLead, logo ? std::uint8_t{1} : std::uint8_t{0}};
        AppendLe16(answer, logo ? StoredChecksum(*logo) : 0);
        reply(std::move(answer));
        break;
    }
    case PrinterCommand::UploadRequest:
        reply(UploadReply());
        break;
    case PrinterCommand::TotalMemoryQuery:
        reply({static_cast<std::uint8_t>(m_config.totalMemoryKbytes / kKbytesPerMemoryUnit)});
        break;
    case PrinterCommand::LogoMemoryQuery:
        reply({kLogoMemoryReplyLead, static_cast<std::uint8_t>(m_nLogoMemoryKbytes / kKbytesPerMemoryUnit),
               kLogoMemoryReplyTail});
        break;
    case PrinterCommand::RemainingMemoryQuery:
        reply(RemainingReply());
        break;
    case PrinterCommand::SetLogoMemorySize: {
        const std::uint32_t kbytes = *command.U8(kMemoryUnitsAt) * kKbytesPerMemoryUnit;
        if (kbytes > m_config.totalMemoryKbytes) {
            reply({kRefused});
            break;
        }
        // Resizing the logo area re-formats it: the logos stored are gone.
        m_nLogoMemoryKbytes = kbytes;
        m_slots.fill(std::nullopt);
        reply({kAccepted});
        break;
    }
    }
}

void VirtualPrinter::StoreDownload()
{
    auto& slot = m_slots[m_nSelectedSlot];
    slot.reset();
    // A logo that does not fit the remaining area is not stored; the
    // checksum query then reports the slot empty.
    if (m_download.size() <= RemainingBytes())
        slot = std::move(m_download);
    m_download.clear();
}

void VirtualPrinter::Print(std::uint8_t sizeMode)
{
    const auto& image = m_slots[m_nSelectedSlot];
    if (!image)
        return;
    const auto logo = DecodeLogo(*image);
    if (logo)
        m_printed.push_back(ScaleForPrint(m_nSelectedSlot, logo->width, logo->height, logo->rows, sizeMode));
}

Bytes VirtualPrinter::UploadReply() const
{
    const Bytes empty{kUploadMarker, 0x00, 0x00};
    const auto& image = m_slots[m_nSelectedSlot];
    if (!image)
        return empty;
    const auto logo = DecodeLogo(*image);
    if (!logo)
        return empty;
    const Bytes bitmap = BuildBmpFileImage(logo->width, logo->height, logo->rows);
    Bytes reply{kUploadMarker};
    reply.insert(reply.end(), bitmap.begin(), bitmap.end());
    return reply;
}

Bytes VirtualPrinter::RemainingReply() const
{
    const std::string text = std::to_string(RemainingBytes());
    Bytes reply(text.begin(), text.end());
    reply.resize(kRemainingReplyLength, 0);
    return reply;
}
