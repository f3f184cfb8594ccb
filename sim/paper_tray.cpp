#include "paper_tray.h"

#include "picture_file.h"

#include <string>

PaperTray::PaperTray(std::filesystem::path folder) : m_folder(std::move(folder)) {}

std::optional<std::filesystem::path> PaperTray::Print(const PrintedLogo& logo)
{
    ++m_nPrinted;
    const std::filesystem::path path =
        m_folder / ("logo-" + std::to_string(logo.slot) + "-" + std::to_string(m_nPrinted) + ".pbm");
    const std::vector<std::uint8_t> pbm = EncodePbm(logo);
    const auto file = PictureFile::CreateForWriting(path.string());
    if (!file || file->Write(pbm) != pbm.size() || !file->Commit())
        return std::nullopt;
    return path;
}
