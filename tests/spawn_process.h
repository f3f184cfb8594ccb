#pragma once

#include <chrono>
#include <filesystem>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern "C" char** environ;

// Starts the program args[0] with `args`, no shell involved, each listed
// descriptor written to a fresh file. -1 when it cannot start.
inline pid_t SpawnProcess(std::vector<std::string> args, const std::vector<std::pair<int, std::string>>& outputs)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const auto& [fd, path] : outputs)
        posix_spawn_file_actions_addopen(&actions, fd, path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits until the process ends or the limit passes; true when it ended. The
// process descriptor turns readable at the end, so nothing polls.
inline bool WaitForProcessEnd(pid_t pid, std::chrono::milliseconds limit)
{
    const int process = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (process < 0)
        return false;
    pollfd ended{process, POLLIN, 0};
    const bool done = ::poll(&ended, 1, static_cast<int>(limit.count())) > 0;
    ::close(process);
    return done;
}

// Waits until `path` exists, woken by each change in its folder; true when
// it does. The folder must exist.
inline bool WaitForPath(const std::filesystem::path& path, std::chrono::milliseconds limit)
{
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ::inotify_add_watch(watch, path.parent_path().c_str(), IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE);
    pollfd changed{watch, POLLIN, 0};
    char events[4096];
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!std::filesystem::exists(std::filesystem::symlink_status(path))) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || ::poll(&changed, 1, static_cast<int>(left.count())) <= 0 ||
            ::read(watch, events, sizeof events) <= 0)
            break;
    }
    ::close(watch);
    return std::filesystem::exists(std::filesystem::symlink_status(path));
}
