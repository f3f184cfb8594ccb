#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A command's arguments split into positional ones, "--name value" or
// "--name=value" options and "--name" flags. Anything unexpected throws
// UsageError, so handlers only deal with arguments that are well formed.
class ParsedArguments {
public:
    // `valueOptions` are the option names (with their dashes) that take a value,
    // `flags` those that stand alone; after "--" every argument is positional.
    ParsedArguments(std::span<const std::string> args, std::span<const std::string_view> valueOptions,
                    std::span<const std::string_view> flags = {});
    ParsedArguments(std::span<const std::string> args, std::initializer_list<std::string_view> valueOptions);

    const std::vector<std::string>& Positionals() const { return m_positionals; }
    std::optional<std::string> Value(std::string_view option) const;
    bool Flag(std::string_view flag) const { return m_flags.contains(flag); }

private:
    std::vector<std::string> m_positionals;
    std::map<std::string, std::string, std::less<>> m_values;
    std::set<std::string, std::less<>> m_flags;
};

// True when the arguments ask for help before any "--".
bool WantsHelp(std::span<const std::string> args);

// Whole decimal numbers only; `option` names the argument in the error.
std::uint32_t ParseUnsignedInRange(std::string_view option, std::string_view text, std::uint32_t lowest,
                                   std::uint32_t highest);
std::int32_t ParseInt32(std::string_view option, std::string_view text);
