#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/types.h>
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
