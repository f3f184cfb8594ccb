#include "progress_display.h"

#include <unistd.h>

namespace {

constexpr std::int32_t kLineStep = 10;

}  // namespace

ProgressDisplay::ProgressDisplay(std::ostream& out, bool redraw, std::string_view label)
    : m_out(out), m_bRedraw(redraw), m_strLabel(label)
{
}

ProgressDisplay::~ProgressDisplay()
{
    End();
}

void ProgressDisplay::Show(std::int32_t percent)
{
    if (m_bRedraw) {
        if (percent == m_nShown)
            return;
        m_out << '\r' << m_strLabel << ": " << percent << '%' << std::flush;
        m_bLineOpen = true;
    } else {
        if (m_nShown >= 0 && percent / kLineStep <= m_nShown / kLineStep)
            return;
        m_out << m_strLabel << ": " << percent << "%\n" << std::flush;
    }
    m_nShown = percent;
}

void ProgressDisplay::End()
{
    if (!m_bLineOpen)
        return;
    m_out << '\n' << std::flush;
    m_bLineOpen = false;
}

bool StandardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}
