#pragma once

#include <algorithm>
#include <string_view>

// Names typed by users or found in the system (port names, type names, list
// entries, driver files) are matched without regard to case. Only ASCII
// letters fold: the names are ASCII, and the C library's folding follows the
// locale that Qt switches to.
inline bool EqualsIgnoringCase(std::string_view left, std::string_view right)
{
    const auto folded = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(), [&](char a, char b) { return folded(a) == folded(b); });
}
