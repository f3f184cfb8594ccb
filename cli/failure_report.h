#pragma once

#include <string>
#include <string_view>

// A failure's text: the program's message, and on a line below it the
// system's reason when a system call failed (`error` is its errno, 0 if none).
std::string WithSystemReason(std::string_view message, int error);

// Prints a failure's text on standard error; the exit status for it.
int ReportFailure(std::string_view message, int error = 0);
