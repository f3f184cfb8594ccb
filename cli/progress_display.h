#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

// A transfer's progress in percent: on a terminal one line redrawn in place,
// elsewhere (a log, a pipe) a line for every tenth reached, so that logs stay
// short.
class ProgressDisplay {
public:
    ProgressDisplay(std::ostream& out, bool redraw, std::string_view label);
    ~ProgressDisplay();
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;

    void Show(std::int32_t percent);
    // Ends the redrawn line, so that what is printed next starts afresh.
    void End();

private:
    std::ostream& m_out;
    bool m_bRedraw;
    std::string m_strLabel;
    std::int32_t m_nShown = -1;
    bool m_bLineOpen = false;
};

// Whether standard error is a terminal.
bool StandardErrorIsTerminal();
