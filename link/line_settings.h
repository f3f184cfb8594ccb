#pragma once

#include <cstdint>

#include <termios.h>

// Serial line parameters, coded as the settings store keeps them.
inline constexpr std::int32_t kParityNone = 0;
inline constexpr std::int32_t kParityOdd = 1;
inline constexpr std::int32_t kParityEven = 2;

inline constexpr std::int32_t kStopBitsOne = 0;
// Never stored, but passed on unchanged when found; it means one stop bit.
inline constexpr std::int32_t kStopBitsOneAlso = 1;
inline constexpr std::int32_t kStopBitsTwo = 2;

inline constexpr std::int32_t kFlowDtrDsr = 1;
inline constexpr std::int32_t kFlowDsr = 2;
inline constexpr std::int32_t kFlowCts = 3;
inline constexpr std::int32_t kFlowXonXoff = 4;

struct LineSettings {
    std::int32_t baudRate = 115200;
    std::int32_t parity = kParityNone;
    std::int32_t stopBits = kStopBitsOne;
    std::int32_t dataBits = 8;
    std::int32_t flowControl = kFlowDtrDsr;
};

// Linux has no DSR flow control in the driver, so the writer watches DSR
// itself for these two modes.
bool WritesWaitForDsr(const LineSettings& line);

// Puts the terminal into raw mode with the given parameters and non-blocking
// reads (VMIN 0, VTIME 0; the back end polls). False for a rate, parity, word
// length or stop-bit value that a serial line cannot take; any handshaking
// value other than the four known ones means none.
bool ApplyLineSettings(termios& attributes, const LineSettings& line);
