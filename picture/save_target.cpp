#include "save_target.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <string_view>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// As many links as the kernel itself follows in one lookup.
constexpr int kMaxLinks = 40;
constexpr std::string_view kNameCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kRandomCharacters = 6;
constexpr int kNameAttempts = 100;
constexpr mode_t kModeBits = 07777;

// Up to and including the last slash; empty for a name in the current folder.
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::optional<std::string> LinkTarget(const std::string& path, int& error)
{
    std::vector<char> target(PATH_MAX);
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<std::size_t>(length) >= target.size()) {
        error = length < 0 ? errno : ENAMETOOLONG;
        return std::nullopt;
    }
    return std::string(target.data(), static_cast<std::size_t>(length));
}

std::string RandomName()
{
    std::array<std::uint8_t, kRandomCharacters> noise{};
    if (::getrandom(noise.data(), noise.size(), GRND_NONBLOCK) != static_cast<ssize_t>(noise.size())) {
        // Without the kernel's randomness the clock still varies the name;
        // O_EXCL keeps it from taking an existing one either way.
        auto ticks = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        for (std::uint8_t& byte : noise) {
            byte = static_cast<std::uint8_t>(ticks);
            ticks >>= 8;
        }
    }
    std::string name = ".";
    for (const std::uint8_t byte : noise)
        name.push_back(kNameCharacters[byte % kNameCharacters.size()]);
    return name;
}

}  // namespace

std::optional<std::string> FollowLinks(std::string path, int& error)
{
    for (int followed = 0; followed <= kMaxLinks; ++followed) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            if (errno == ENOENT)
                return path;
            error = errno;
            return std::nullopt;
        }
        if (!S_ISLNK(st.st_mode))
            return path;
        const auto target = LinkTarget(path, error);
        if (!target)
            return std::nullopt;
        path = target->starts_with('/') ? *target : FolderOf(path) + *target;
    }
    error = ELOOP;
    return std::nullopt;
}

int CreateBeside(const std::string& path, std::string& tempPath, int& error)
{
    struct stat replaced {};
    const bool replaces = ::stat(path.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode);
    // A new file is created as any other: the kernel applies the process's
    // mask, which is never read or changed here, since other threads may be
    // creating files meanwhile.
    const mode_t mode = replaces ? S_IRUSR | S_IWUSR : 0666;
    const std::string folder = FolderOf(path);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        tempPath = folder + RandomName();
        const int fd = ::open(tempPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            if (replaces)
                ::fchmod(fd, replaced.st_mode & kModeBits);
            return fd;
        }
        if (errno != EEXIST)
            break;
    }
    error = errno;
    tempPath.clear();
    return -1;
}

int OpenNonFile(const std::string& path, int& error)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))
        return -1;
    // Without blocking, so that a FIFO nobody reads fails at once instead of
    // waiting for a reader...
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    // ...and blocking from then on, so that a slow reader is waited for. A
    // name that has become a regular file since goes the replacing way.
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        error = errno;
        ::close(fd);
        return -1;
    }
    if (S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}
