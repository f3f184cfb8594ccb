#include "picture_file.h"

#include "save_target.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Repeats a read or write step (given the bytes done so far) until every
// byte is through, the file ends, or a failure other than an interruption
// stops it; that failure's errno goes to `error`.
template <typename Step>
std::size_t RepeatUntilDone(std::size_t size, int& error, Step step)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = step(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = errno;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
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

std::unique_ptr<PictureFile> PictureFile::OpenForReading(const std::string& path, int& error)
{
    error = 0;
    // Only a regular file is opened at all: a FIFO would wait for a writer,
    // and a device may act on being opened.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = errno;
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : 0;
        return nullptr;
    }
    // Without blocking all the same, since the name may stand for a FIFO by now.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<PictureFile>(new PictureFile(fd, path, {}));
}

std::unique_ptr<PictureFile> PictureFile::CreateForWriting(const std::string& path, int& error)
{
    error = 0;
    if (path.empty()) {
        error = ENOENT;
        return nullptr;
    }
    if (const int fd = OpenNonFile(path, error); fd >= 0)
        return std::unique_ptr<PictureFile>(new PictureFile(fd, path, {}));
    if (error != 0)
        return nullptr;
    const auto finalPath = FollowLinks(path, error);
    std::string tempPath;
    const int fd = finalPath ? CreateBeside(*finalPath, tempPath, error) : -1;
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<PictureFile>(new PictureFile(fd, *finalPath, std::move(tempPath)));
}

std::unique_ptr<PictureFile> PictureFile::OpenForReading(const std::string& path)
{
    int ignored = 0;
    return OpenForReading(path, ignored);
}

std::unique_ptr<PictureFile> PictureFile::CreateForWriting(const std::string& path)
{
    int ignored = 0;
    return CreateForWriting(path, ignored);
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
    return RepeatUntilDone(into.size(), m_error, [&](std::size_t done) {
        return ::read(m_fd, into.data() + done, into.size() - done);
    });
}

std::size_t PictureFile::Write(std::span<const std::uint8_t> bytes)
{
    return RepeatUntilDone(bytes.size(), m_error, [&](std::size_t done) {
        return ::write(m_fd, bytes.data() + done, bytes.size() - done);
    });
}


bool PictureFile::Commit()
{
    // Written where it stands: nothing to sync (a FIFO cannot) or rename.
    if (m_tempPath.empty())
        return true;
    if (::fsync(m_fd) != 0 || ::close(std::exchange(m_fd, -1)) != 0 ||
        ::rename(m_tempPath.c_str(), m_finalPath.c_str()) != 0) {
        m_error = errno;
        return false;
    }
    m_tempPath.clear();
    return true;
}
