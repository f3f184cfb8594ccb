#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

// The open file of a picture. A file opened for writing is written beside its
// final name and only replaces it on Commit, so a failed save never leaves a
// partial file or damages the file it was meant to replace. A target that is
// no regular file (a device, a FIFO) cannot be replaced and is written as it
// stands.
class PictureFile {
public:
    // Both give null on failure, with the system's error number in `error`;
    // 0 there when the program itself refused, as for a FIFO to read from.
    static std::unique_ptr<PictureFile> OpenForReading(const std::string& path, int& error);
    static std::unique_ptr<PictureFile> CreateForWriting(const std::string& path, int& error);
    // For callers that need no reason.
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

    // The system's error number of the last failed Read, Write or Commit.
    int Error() const { return m_error; }

private:
    PictureFile(int fd, std::string finalPath, std::string tempPath);

    int m_fd;
    std::string m_finalPath;
    std::string m_tempPath;  // empty for a file read or written where it stands
    int m_error = 0;
};
