#include "line_settings.h"

#include <array>
#include <optional>
#include <utility>

namespace {

std::optional<speed_t> SpeedFor(std::int32_t baudRate)
{
    static constexpr std::array<std::pair<std::int32_t, speed_t>, 9> kSpeeds{{
        {1200, B1200},
        {2400, B2400},
        {4800, B4800},
        {9600, B9600},
        {19200, B19200},
        {38400, B38400},
        {57600, B57600},
        {115200, B115200},
        {230400, B230400},
    }};
    for (const auto& [rate, speed] : kSpeeds)
        if (rate == baudRate)
            return speed;
    return std::nullopt;
}

std::optional<tcflag_t> WordLengthFor(std::int32_t dataBits)
{
    switch (dataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    case 8:
        return CS8;
    default:
        return std::nullopt;
    }
}

std::optional<tcflag_t> ParityFor(std::int32_t parity)
{
    switch (parity) {
    case kParityNone:
        return tcflag_t{0};
    case kParityOdd:
        return tcflag_t{PARENB | PARODD};
    case kParityEven:
        return tcflag_t{PARENB};
    default:
        return std::nullopt;
    }
}

std::optional<tcflag_t> StopBitsFor(std::int32_t stopBits)
{
    switch (stopBits) {
    case kStopBitsOne:
    case kStopBitsOneAlso:
        return tcflag_t{0};
    case kStopBitsTwo:
        return tcflag_t{CSTOPB};
    default:
        return std::nullopt;
    }
}

}  // namespace

bool WritesWaitForDsr(const LineSettings& line)
{
    return line.flowControl == kFlowDtrDsr || line.flowControl == kFlowDsr;
}

bool ApplyLineSettings(termios& attributes, const LineSettings& line)
{
    const auto speed = SpeedFor(line.baudRate);
    const auto wordLength = WordLengthFor(line.dataBits);
    const auto parity = ParityFor(line.parity);
    const auto stopBits = StopBitsFor(line.stopBits);
    if (!speed || !wordLength || !parity || !stopBits)
        return false;

    ::cfmakeraw(&attributes);
    // Parity is generated on output but not checked on input: with INPCK a
    // damaged byte would turn into a zero in the printer's reply.
    attributes.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    attributes.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    attributes.c_cflag |= CLOCAL | CREAD | *wordLength | *parity | *stopBits;
    if (line.flowControl == kFlowCts)
        attributes.c_cflag |= CRTSCTS;
    if (line.flowControl == kFlowXonXoff)
        attributes.c_iflag |= IXON | IXOFF;
    attributes.c_cc[VMIN] = 0;
    attributes.c_cc[VTIME] = 0;
    ::cfsetispeed(&attributes, *speed);
    ::cfsetospeed(&attributes, *speed);
    return true;
}
