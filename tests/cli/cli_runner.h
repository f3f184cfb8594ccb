#pragma once

#include "picture_types.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// What one run of the built vellumio-cli produced.
struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs vellumio-cli with `args` (no shell involved); its output is captured
// in `scratch`.
CliRun RunCli(const std::vector<std::string>& args, const std::filesystem::path& scratch);

// A fresh folder under the system's temporary folder, removed on destruction.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// Writes dots with the library's writer of `type`; the test fails if it cannot.
void WritePictureFile(PictureType type, const std::string& path, std::uint32_t width, std::uint32_t height,
                      const std::vector<std::uint8_t>& bits);

struct ReadBack {
    PictureType type;
    std::uint32_t width;
    std::uint32_t height;
    std::vector<std::uint8_t> bits;
};

// Reads a file by the probing open; the test fails if it cannot.
ReadBack ReadPictureFile(const std::string& path);

std::string ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
