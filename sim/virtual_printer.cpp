#include "virtual_printer.h"

#include "bmp_picture.h"
#include "byte_reader.h"
#include "byte_writer.h"
#include "download_image.h"
#include "logo_picture.h"

#include <algorithm>
#include <string>
#include <utility>

using printer::Bytes;

namespace {

struct CommandForm {
    std::uint8_t prefix;
    std::uint8_t code;
    std::size_t length;                    // the download's: its header, the dots follow
    std::optional<std::uint8_t> argument;  // a fixed byte after the code
    PrinterCommand command;
};

constexpr std::size_t kCodeAt = 1;
constexpr std::size_t kArgumentAt = 2;
constexpr std::size_t kMemoryUnitsAt = 3;
constexpr std::size_t kColumnsAt = 2;
constexpr std::size_t kRowsAt = 3;
constexpr std::uint64_t kBytesPerKbyte = 1024;
constexpr std::uint8_t kSizeModeMask = 0x03;

const CommandForm* FindForm(std::uint8_t prefix, std::uint8_t code)
{
    using namespace printer;
    static const CommandForm forms[] = {
        {kGs, kSelectLogoCode, kSelectLogoLength, std::nullopt, PrinterCommand::SelectLogo},
        {kGs, kPrintLogoCode, kPrintLogoLength, std::nullopt, PrinterCommand::PrintLogo},
        {kGs, kEraseLogosCode, kEraseLogosLength, kEraseLogosArgument, PrinterCommand::EraseLogos},
        {kGs, kDownloadLogoCode, kDownloadHeaderLength, std::nullopt, PrinterCommand::DownloadLogo},
        {kGs, kTotalMemoryCode, kTotalMemoryQueryLength, std::nullopt, PrinterCommand::TotalMemoryQuery},
        {kGs, kSetMemorySizeCode, kSetMemorySizeLength, kMemoryArgument, PrinterCommand::SetLogoMemorySize},
        {kUs, kChecksumCode, kChecksumQueryLength, std::nullopt, PrinterCommand::ChecksumQuery},
        {kUs, kUploadCode, kUploadRequestLength, std::nullopt, PrinterCommand::UploadRequest},
        {kUs, kLogoMemoryCode, kLogoMemoryQueryLength, kMemoryArgument, PrinterCommand::LogoMemoryQuery},
        {kUs, kRemainingMemoryCode, kRemainingMemoryQueryLength, kRemainingMemoryArgument,
         PrinterCommand::RemainingMemoryQuery},
    };
    const auto it = std::find_if(std::begin(forms), std::end(forms),
                                 [&](const CommandForm& form) { return form.prefix == prefix && form.code == code; });
    return it == std::end(forms) ? nullptr : &*it;
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

std::vector<PrinterReply> VirtualPrinter::Feed(std::span<const std::uint8_t> bytes)
{
    std::vector<PrinterReply> replies;
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

void VirtualPrinter::ReadCommandByte(std::uint8_t byte, std::vector<PrinterReply>& replies)
{
    if (m_command.empty()) {
        if (byte == printer::kGs || byte == printer::kUs)
            m_command.push_back(byte);
        return;
    }

    m_command.push_back(byte);
    const ByteReader command(m_command);
    const CommandForm* form = FindForm(m_command.front(), *command.U8(kCodeAt));
    const auto argument = command.U8(kArgumentAt);
    if (form == nullptr || (form->argument && argument && *argument != *form->argument)) {
        // The prefix began nothing known; a later byte of it may begin a command.
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

void VirtualPrinter::Execute(PrinterCommand which, std::vector<PrinterReply>& replies)
{
    const ByteReader command(m_command);
    const auto reply = [&](Bytes bytes) { replies.push_back({which, std::move(bytes)}); };

    switch (which) {
    case PrinterCommand::SelectLogo:
        m_nSelectedSlot = *command.U8(kArgumentAt);
        break;
    case PrinterCommand::PrintLogo:
        Print(static_cast<printer::LogoSizeMode>(*command.U8(kArgumentAt) & kSizeModeMask));
        break;
    case PrinterCommand::EraseLogos:
        m_slots.fill(std::nullopt);
        reply({printer::kEraseAcknowledge});
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
        Bytes answer{printer::kChecksumCode, logo ? std::uint8_t{1} : std::uint8_t{0}};
        AppendLe16(answer, logo ? DownloadChecksum(*logo) : 0);
        reply(std::move(answer));
        break;
    }
    case PrinterCommand::UploadRequest:
        reply(UploadReply());
        break;
    case PrinterCommand::TotalMemoryQuery:
        reply({static_cast<std::uint8_t>(m_config.totalMemoryKbytes / printer::kMemoryUnitKbytes)});
        break;
    case PrinterCommand::LogoMemoryQuery:
        reply({printer::kLogoMemoryCode, static_cast<std::uint8_t>(m_nLogoMemoryKbytes / printer::kMemoryUnitKbytes),
               printer::kMemoryArgument});
        break;
    case PrinterCommand::RemainingMemoryQuery:
        reply(RemainingReply());
        break;
    case PrinterCommand::SetLogoMemorySize: {
        const std::uint32_t kbytes = *command.U8(kMemoryUnitsAt) * printer::kMemoryUnitKbytes;
        if (kbytes > m_config.totalMemoryKbytes) {
            reply({printer::kRefused});
            break;
        }
        // Resizing the logo area re-formats it: the logos stored are gone.
        m_nLogoMemoryKbytes = kbytes;
        m_slots.fill(std::nullopt);
        reply({printer::kAccepted});
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

void VirtualPrinter::Print(printer::LogoSizeMode mode)
{
    const auto& image = m_slots[m_nSelectedSlot];
    if (!image)
        return;
    const auto logo = DecodeLogo(*image);
    if (logo)
        m_printed.push_back(ScaleForPrint(m_nSelectedSlot, logo->width, logo->height, logo->rows, mode));
}

Bytes VirtualPrinter::UploadReply() const
{
    const Bytes empty{printer::kUploadMarker, printer::kEmptySlotFiller, printer::kEmptySlotFiller};
    const auto& image = m_slots[m_nSelectedSlot];
    if (!image)
        return empty;
    const auto logo = DecodeLogo(*image);
    if (!logo)
        return empty;
    const Bytes bitmap = BuildBmpFileImage(logo->width, logo->height, logo->rows);
    Bytes reply{printer::kUploadMarker};
    reply.insert(reply.end(), bitmap.begin(), bitmap.end());
    return reply;
}

Bytes VirtualPrinter::RemainingReply() const
{
    const std::string text = std::to_string(RemainingBytes());
    Bytes reply(text.begin(), text.end());
    reply.resize(static_cast<std::size_t>(printer::kRemainingMemoryReplyLength), 0);
    return reply;
}
