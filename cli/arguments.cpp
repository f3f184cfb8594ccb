#include "arguments.h"

#include "cli_command.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

constexpr std::string_view kEndOfOptions = "--";

// A negative number is an argument, so that it meets its range check.
bool LooksLikeOption(std::string_view arg)
{
    return arg.size() > 1 && arg.front() == '-' && (arg[1] < '0' || arg[1] > '9');
}

// Accepts an optional sign, then decimal digits and nothing else.
std::optional<std::int64_t> ParseInteger(std::string_view text)
{
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace

ParsedArguments::ParsedArguments(std::span<const std::string> args,
                                 std::initializer_list<std::string_view> valueOptions)
    : ParsedArguments(args, std::span<const std::string_view>(valueOptions.begin(), valueOptions.size()))
{
}

ParsedArguments::ParsedArguments(std::span<const std::string> args, std::span<const std::string_view> valueOptions,
                                 std::span<const std::string_view> flags)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || !LooksLikeOption(arg)) {
            m_positionals.emplace_back(arg);
            continue;
        }
        if (arg == kEndOfOptions) {
            optionsEnded = true;
            continue;
        }
        if (std::find(flags.begin(), flags.end(), arg) != flags.end()) {
            if (!m_flags.emplace(arg).second)
                throw UsageError(std::string(arg) + " given more than once");
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        if (std::find(valueOptions.begin(), valueOptions.end(), name) == valueOptions.end())
            throw UsageError("unknown option " + std::string(name));
        if (m_values.contains(name))
            throw UsageError(std::string(name) + " given more than once");
        if (equals != std::string_view::npos) {
            m_values.emplace(name, arg.substr(equals + 1));
        } else {
            if (i + 1 >= args.size())
                throw UsageError(std::string(name) + " needs a value");
            m_values.emplace(name, args[++i]);
        }
    }
}

std::optional<std::string> ParsedArguments::Value(std::string_view option) const
{
    const auto found = m_values.find(option);
    if (found == m_values.end())
        return std::nullopt;
    return found->second;
}

bool WantsHelp(std::span<const std::string> args)
{
    for (const std::string& arg : args) {
        if (arg == kEndOfOptions)
            return false;
        if (arg == "--help" || arg == "-h")
            return true;
    }
    return false;
}

std::uint32_t ParseUnsignedInRange(std::string_view option, std::string_view text, std::uint32_t lowest,
                                   std::uint32_t highest)
{
    const auto value = ParseInteger(text);
    if (!value || *value < lowest || *value > highest)
        throw UsageError(std::string(option) + " must be a whole number from " + std::to_string(lowest) +
                         " to " + std::to_string(highest) + ", not \"" + std::string(text) + "\"");
    return static_cast<std::uint32_t>(*value);
}

std::int32_t ParseInt32(std::string_view option, std::string_view text)
{
    using Limits = std::numeric_limits<std::int32_t>;
    const auto value = ParseInteger(text);
    if (!value || *value < Limits::min() || *value > Limits::max())
        throw UsageError(std::string(option) + " must be a whole number from " + std::to_string(Limits::min()) +
                         " to " + std::to_string(Limits::max()) + ", not \"" + std::string(text) + "\"");
    return static_cast<std::int32_t>(*value);
}
