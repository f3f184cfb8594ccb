#pragma once

#include "printer_reply.h"

#include <cstdint>
#include <span>

class ICommunication;

// Sends a command and waits for its reply on a worker thread while this
// thread goes on painting, so that a printer taking its time (up to the
// whole read time-out) does not freeze the window. User input waits until
// the reply is in; it is held back, not lost.
PrinterReply AskPrinterResponsively(ICommunication& communication, std::span<const std::uint8_t> command,
                                    std::int32_t expectedLength);
