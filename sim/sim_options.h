#pragma once

#include "printer_line.h"
#include "virtual_printer.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

struct SimOptions {
    std::optional<std::string> linkPath;
    std::optional<std::string> paperFolder;
    std::optional<std::string> tcpAddress;  // serve on TCP instead of a terminal
    VirtualPrinterConfig printer;
    LineOptions line;
    bool help = false;
};

// Nothing, with the reason in `error`, for arguments it cannot take.
std::optional<SimOptions> ParseSimOptions(std::span<const std::string_view> args, std::string& error);

std::string_view SimUsage();
