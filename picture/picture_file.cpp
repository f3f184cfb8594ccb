#include "picture_file.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

mode_t DefaultCreationMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

PictureFile::PictureFile(int fd, std::string finalPath, std::string tempPath)
    : m_fd(fd), m_finalPath(std::move(finalPath)), m_tempPath(std::move(tempPath))
{
}

PictureFile::~PictureFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_tempPath.empty())
        ::unlink(m_tempPath.c_str());
}

std::unique_ptr<PictureFile> PictureFile::OpenForReading(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<PictureFile>(new PictureFile(fd, path, {}));
}

std::unique_ptr<PictureFile> PictureFile::CreateForWriting(const std::string& path)
{
    if (path.empty())
        return nullptr;
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return nullptr;
    struct stat existing {};
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : DefaultCreationMode();
    ::fchmod(fd, mode);
    return std::unique_ptr<PictureFile>(new PictureFile(fd, path, std::string(name.data())));
}

std::optional<std::uint64_t> PictureFile::Size() const
{
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t PictureFile::Read(std::span<std::uint8_t> into)
{
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t n = ::read(m_fd, into.data() + done, into.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t PictureFile::Write(std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool PictureFile::Commit()
{
    if (m_tempPath.empty())
        return true;
    const bool synced = ::fsync(m_fd) == 0;
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    if (!synced || !closed || ::rename(m_tempPath.c_str(), m_finalPath.c_str()) != 0)
        return false;
    m_tempPath.clear();
    return true;
}
