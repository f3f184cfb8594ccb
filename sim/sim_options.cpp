#include "sim_options.h"

#include <charconv>

namespace {

constexpr std::uint32_t kLargestMemoryKbytes = 0xFF * kKbytesPerMemoryUnit;

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text)
{
    Number value{};
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<std::uint32_t> ParseMemorySize(std::string_view text)
{
    const auto kbytes = ParseNumber<std::uint32_t>(text);
    if (!kbytes || *kbytes % kKbytesPerMemoryUnit != 0 || *kbytes > kLargestMemoryKbytes)
        return std::nullopt;
    return kbytes;
}

}  // namespace

std::string_view SimUsage()
{
    return "usage: vellumio-virtual-printer [options]\n"
           "Opens a pseudo-terminal that answers like a logo printer and prints its path.\n"
           "  --link PATH          also make a symbolic link to the terminal at PATH\n"
           "  --tcp [HOST:]PORT    serve on a TCP socket instead, one client at a time\n"
           "  --paper DIR          write every printed logo into DIR as logo-SLOT-N.pbm\n"
           "  --total-memory KB    total memory reported, a multiple of 64 (default 1280)\n"
           "  --logo-memory KB     logo memory at start, a multiple of 64 (default 512)\n"
           "  --baud N             take and send bytes at the rate of an N baud line\n"
           "  --hangup-after N     close the terminal after receiving N bytes\n"
           "  --wrong-checksum     answer the checksum of a stored logo wrongly\n"
           "  --no-answer          never answer anything\n"
           "  --stall-upload       send only half of an upload reply\n"
           "  --overlong-upload    send extra bytes after an uploaded bitmap\n"
           "  --byte-by-byte       send replies one byte at a time\n"
           "  --help               show this text\n";
}

std::optional<SimOptions> ParseSimOptions(std::span<const std::string_view> args, std::string& error)
{
    SimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view name = args[i];
        const auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        const auto invalid = [&](std::string_view what) {
            error = std::string(name) + ": " + std::string(what);
            return std::nullopt;
        };

        if (name == "--help") {
            options.help = true;
        } else if (name == "--link" || name == "--paper") {
            const auto path = value();
            if (!path || path->empty())
                return invalid("needs a path");
            (name == "--link" ? options.linkPath : options.paperFolder) = std::string(*path);
        } else if (name == "--tcp") {
            const auto address = value();
            if (!address || address->empty())
                return invalid("needs [HOST:]PORT");
            options.tcpAddress = std::string(*address);
        } else if (name == "--total-memory" || name == "--logo-memory") {
            const auto text = value();
            const auto kbytes = text ? ParseMemorySize(*text) : std::nullopt;
            if (!kbytes)
                return invalid("needs a size in kbytes, a multiple of 64 up to 16320");
            (name == "--total-memory" ? options.printer.totalMemoryKbytes : options.printer.logoMemoryKbytes) =
                *kbytes;
        } else if (name == "--baud") {
            const auto text = value();
            const auto baud = text ? ParseNumber<std::uint32_t>(*text) : std::nullopt;
            if (!baud || *baud == 0)
                return invalid("needs a positive rate");
            options.line.baud = *baud;
        } else if (name == "--hangup-after") {
            const auto text = value();
            const auto count = text ? ParseNumber<std::uint64_t>(*text) : std::nullopt;
            if (!count)
                return invalid("needs a byte count");
            options.line.hangupAfter = *count;
        } else if (name == "--wrong-checksum") {
            options.line.faults.wrongChecksum = true;
        } else if (name == "--no-answer") {
            options.line.faults.noAnswer = true;
        } else if (name == "--stall-upload") {
            options.line.faults.stallUpload = true;
        } else if (name == "--overlong-upload") {
            options.line.faults.overlongUpload = true;
        } else if (name == "--byte-by-byte") {
            options.line.byteByByte = true;
        } else {
            error = "unknown option " + std::string(name);
            return std::nullopt;
        }
    }
    if (options.tcpAddress && options.linkPath) {
        error = "--link names a terminal, which --tcp does not make";
        return std::nullopt;
    }
    if (options.printer.logoMemoryKbytes > options.printer.totalMemoryKbytes) {
        error = "the logo memory cannot exceed the total memory";
        return std::nullopt;
    }
    return options;
}
