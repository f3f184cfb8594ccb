#include "port_lists.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace {

const std::filesystem::path kDeviceDir = "/dev";
const std::filesystem::path kUsbPrinterDir = "/dev/usb";
const std::filesystem::path kTtyClassDir = "/sys/class/tty";

constexpr std::array<std::string_view, 4> kSerialPrefixes{"ttyS", "ttyUSB", "ttyACM", "rfcomm"};
constexpr std::array<std::string_view, 1> kParallelPrefixes{"lp"};
constexpr std::string_view kPlainUartPrefix = "ttyS";
constexpr std::array<std::string_view, 2> kParallelPathPrefixes{"/dev/lp", "/dev/usb/lp"};

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

bool IsNumberedName(std::string_view name, std::string_view prefix)
{
    if (!name.starts_with(prefix) || name.size() == prefix.size())
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(), IsDigit);
}

// The kernel makes every ttyS node whether or not a UART answers there; the
// empty ones report the UART type 0 (unknown).
bool HasUart(const std::string& name)
{
    if (!std::string_view(name).starts_with(kPlainUartPrefix))
        return true;
    std::ifstream typeFile(kTtyClassDir / name / "type");
    int type = -1;
    if (!(typeFile >> type))
        return true;
    return type != 0;
}

std::string_view DigitRun(std::string_view text, std::size_t from)
{
    std::size_t end = from;
    while (end < text.size() && IsDigit(text[end]))
        ++end;
    return text.substr(from, end - from);
}

std::string_view WithoutLeadingZeros(std::string_view digits)
{
    const auto first = digits.find_first_not_of('0');
    return first == std::string_view::npos ? std::string_view{} : digits.substr(first);
}

void AppendUnique(std::vector<std::string>& list, std::vector<std::string> extra)
{
    for (auto& path : extra)
        if (std::find(list.begin(), list.end(), path) == list.end())
            list.push_back(std::move(path));
}

}  // namespace

bool NaturalLess(std::string_view left, std::string_view right)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < left.size() && j < right.size()) {
        if (IsDigit(left[i]) && IsDigit(right[j])) {
            const auto leftRun = DigitRun(left, i);
            const auto rightRun = DigitRun(right, j);
            const auto leftValue = WithoutLeadingZeros(leftRun);
            const auto rightValue = WithoutLeadingZeros(rightRun);
            if (leftValue.size() != rightValue.size())
                return leftValue.size() < rightValue.size();
            if (leftValue != rightValue)
                return leftValue < rightValue;
            i += leftRun.size();
            j += rightRun.size();
            continue;
        }
        if (left[i] != right[j])
            return left[i] < right[j];
        ++i;
        ++j;
    }
    return left.size() - i < right.size() - j;
}

std::vector<std::string> ScanDevices(const std::filesystem::path& dir, std::span<const std::string_view> prefixes)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(dir, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (std::any_of(prefixes.begin(), prefixes.end(),
                        [&](std::string_view prefix) { return IsNumberedName(name, prefix); }))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const auto& name : names)
        paths.push_back((dir / name).string());
    return paths;
}

std::vector<std::string> SplitPathList(const char* list)
{
    std::vector<std::string> paths;
    if (!list)
        return paths;
    std::string_view rest(list);
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const auto entry = rest.substr(0, colon);
        if (!entry.empty())
            paths.emplace_back(entry);
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    return paths;
}

std::vector<std::string> ListSerialPorts()
{
    std::vector<std::string> ports;
    for (auto& path : ScanDevices(kDeviceDir, kSerialPrefixes))
        if (HasUart(std::filesystem::path(path).filename().string()))
            ports.push_back(std::move(path));
    AppendUnique(ports, SplitPathList(std::getenv(kSerialPortsVariable)));
    return ports;
}

std::vector<std::string> ListParallelPorts()
{
    auto ports = ScanDevices(kDeviceDir, kParallelPrefixes);
    AppendUnique(ports, ScanDevices(kUsbPrinterDir, kParallelPrefixes));
    AppendUnique(ports, SplitPathList(std::getenv(kParallelPortsVariable)));
    return ports;
}

bool IsParallelPortPath(const std::string& path)
{
    const std::string_view text(path);
    if (std::any_of(kParallelPathPrefixes.begin(), kParallelPathPrefixes.end(),
                    [&](std::string_view prefix) { return text.starts_with(prefix); }))
        return true;
    const auto extra = SplitPathList(std::getenv(kParallelPortsVariable));
    return std::find(extra.begin(), extra.end(), path) != extra.end();
}
