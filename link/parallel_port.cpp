#include "parallel_port.h"

#include <fcntl.h>

std::unique_ptr<ParallelPort> ParallelPort::Open(std::shared_ptr<ITermiosApi> api, const std::string& path)
{
    constexpr int kFlags = O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    // Ports without a back channel may refuse to be opened for reading; they
    // still print.
    int fd = api->Open(path, O_RDWR | kFlags);
    bool readable = true;
    if (fd < 0) {
        fd = api->Open(path, O_WRONLY | kFlags);
        readable = false;
    }
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<ParallelPort>(new ParallelPort(std::move(api), fd, readable));
}
