#include "pseudo_terminal.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::string Failure(const char* step)
{
    return std::string(step) + ": " + std::strerror(errno);
}

}  // namespace

std::unique_ptr<PseudoTerminal> PseudoTerminal::Open(std::string& error)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        error = Failure("posix_openpt");
        return nullptr;
    }
    std::array<char, 128> name{};
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name.data(), name.size()) != 0) {
        error = Failure("pseudo-terminal slave");
        ::close(master);
        return nullptr;
    }
    const int slave = ::open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (slave < 0 || ::tcgetattr(slave, &raw) != 0) {
        error = Failure(name.data());
        if (slave >= 0)
            ::close(slave);
        ::close(master);
        return nullptr;
    }
    ::cfmakeraw(&raw);
    const int flags = ::fcntl(master, F_GETFL);
    if (::tcsetattr(slave, TCSANOW, &raw) != 0 || flags < 0 || ::fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = Failure("raw mode");
        ::close(slave);
        ::close(master);
        return nullptr;
    }
    return std::unique_ptr<PseudoTerminal>(new PseudoTerminal(master, slave, name.data()));
}

PseudoTerminal::PseudoTerminal(int masterFd, int slaveFd, std::string slavePath)
    : m_masterFd(masterFd), m_slaveFd(slaveFd), m_slavePath(std::move(slavePath))
{
}

PseudoTerminal::~PseudoTerminal()
{
    ::close(m_slaveFd);
    ::close(m_masterFd);
}
