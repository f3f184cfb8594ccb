#pragma once

#include "printed_logo.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

enum class PrinterCommand {
    SelectLogo,
    PrintLogo,
    EraseLogos,
    DownloadLogo,
    ChecksumQuery,
    UploadRequest,
    TotalMemoryQuery,
    LogoMemoryQuery,
    RemainingMemoryQuery,
    SetLogoMemorySize,
};

struct PrinterAnswer {
    PrinterCommand command;  // the command answered
    std::vector<std::uint8_t> bytes;

    bool operator==(const PrinterAnswer&) const = default;
};

// Memory figures travel in one byte each, counting units of this many kbytes.
inline constexpr std::uint32_t kKbytesPerMemoryUnit = 64;

struct VirtualPrinterConfig {
    // Both travel in one byte of memory units, so at most 16320.
    std::uint32_t totalMemoryKbytes = 1280;
    std::uint32_t logoMemoryKbytes = 512;
};

// The printer's side of the logo commands: 256 logo slots in a logo memory
// area of settable size. Bytes from the host go in as they arrive, in pieces
// of any size; replies and printed logos come out. Commands it does not know
// are skipped byte by byte until one it knows begins.
class VirtualPrinter {
public:
    using Bytes = std::vector<std::uint8_t>;
    static constexpr std::size_t kSlotCount = 256;

    explicit VirtualPrinter(VirtualPrinterConfig config = {});

    std::vector<PrinterAnswer> Feed(std::span<const std::uint8_t> bytes);

    // Logos printed since the last call.
    std::vector<PrintedLogo> TakePrinted();

    std::uint8_t SelectedSlot() const { return m_nSelectedSlot; }
    // The image stored in a slot, as it was downloaded.
    const std::optional<Bytes>& Slot(std::uint8_t slot) const { return m_slots[slot]; }
    std::uint32_t LogoMemoryKbytes() const { return m_nLogoMemoryKbytes; }
    std::uint64_t RemainingBytes() const;

private:
    void ReadCommandByte(std::uint8_t byte, std::vector<PrinterAnswer>& replies);
    void Execute(PrinterCommand command, std::vector<PrinterAnswer>& replies);
    void StoreDownload();
    void Print(std::uint8_t sizeMode);
    Bytes UploadReply() const;
    Bytes RemainingReply() const;

    VirtualPrinterConfig m_config;
    std::uint32_t m_nLogoMemoryKbytes;
    std::array<std::optional<Bytes>, kSlotCount> m_slots;
    std::uint8_t m_nSelectedSlot = 0;

    Bytes m_command;   // the command begun so far
    Bytes m_download;  // a logo image being received
    std::size_t m_nDownloadMissing = 0;
    bool m_bDownloading = false;

    std::vector<PrintedLogo> m_printed;
};
