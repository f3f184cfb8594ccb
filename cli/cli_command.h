#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

// Exit codes that scripts calling the tool rely on.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Thrown by a command whose arguments make no sense; the dispatcher prints
// the reason with the command's usage line and exits with kExitUsage.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One subcommand: its handler gets the arguments after the command's name.
struct CliCommand {
    std::string_view name;
    std::string_view summary;  // one line for the command list
    std::string_view usage;    // the synopsis, without the program name
    std::string_view help;     // what "--help" adds below the usage line
    int (*run)(std::span<const std::string> args);
};
