#pragma once

#include "printed_logo.h"

#include <cstdint>
#include <filesystem>
#include <optional>

// Where printed logos land: one PBM file per print, named
// logo-<slot>-<count>.pbm with the count rising over the printer's run.
// Each file appears complete under its name or not at all.
class PaperTray {
public:
    explicit PaperTray(std::filesystem::path folder);

    // The path written, or nothing when the file could not be written.
    std::optional<std::filesystem::path> Print(const PrintedLogo& logo);

private:
    std::filesystem::path m_folder;
    std::uint32_t m_nPrinted = 0;
};
