#include "failure_report.h"

#include "cli_command.h"

#include <iostream>
#include <system_error>

std::string WithSystemReason(std::string_view message, int error)
{
    std::string text(message);
    if (error != 0)
        text += '\n' + std::generic_category().message(error);
    return text;
}

int ReportFailure(std::string_view message, int error)
{
    std::cerr << WithSystemReason(message, error) << '\n';
    return kExitFailure;
}
