#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

// The open file of a picture. A file opened for writing is written beside its
// final name and only replaces it on Commit, so a failed save never leaves a
// partial file or damages the file it was meant to replace.
class PictureFile {
public:
    static std::unique_ptr<PictureFile> OpenForReading(const std::string& path);
    static std::unique_ptr<PictureFile> CreateForWriting(const std::string& path);

    ~PictureFile();
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;

    std::optional<std::uint64_t> Size() const;

    // Both loop over short transfers; the count returned is what was moved.
    std::size_t Read(std::span<std::uint8_t> into);
    std::size_t Write(std::span<const std::uint8_t> bytes);

    // Makes written bytes durable and puts them under the final name.
    bool Commit();

private:
    PictureFile(int fd, std::string finalPath, std::string tempPath);

    int m_fd;
    std::string m_finalPath;
    std::string m_tempPath;  // empty for a file opened for reading
};
