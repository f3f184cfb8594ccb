#pragma once

#include <cstdint>
#include <span>
#include <utility>

#include "communication.h"
#include "printer_reply.h"

// Sends a command that the printer answers and waits for its reply, in the
// form the reply rules read.
inline PrinterReply AskPrinter(ICommunication& communication, std::span<const std::uint8_t> command,
                               std::int32_t expectedLength)
{
    SendReceiveResult result = communication.SendReceive(command, expectedLength);
    return {result.ok, std::move(result.reply)};
}
