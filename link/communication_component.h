#pragma once

#include <memory>

#include "communication.h"
#include "termios_api.h"

// The printer communication component for Linux: serial lines through
// termios, parallel ports as device files, USB printers through libusb.
std::unique_ptr<ICommunication> MakeCommunicationComponent();
// The same, making its serial and parallel system calls through `termios`.
std::unique_ptr<ICommunication> MakeCommunicationComponent(std::shared_ptr<ITermiosApi> termios);

// Whether this system can take the USB printer from its kernel driver and
// give it back: the condition for offering the driver switch.
bool CanSwitchUsbDriver();
