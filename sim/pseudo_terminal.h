#pragma once

#include <memory>
#include <string>

// A pseudo-terminal whose slave side stands in for a printer's serial port.
// The slave is set to raw mode, so every byte passes unchanged both ways,
// and held open here, so a host may close and reopen it without the line
// hanging up.
class PseudoTerminal {
public:
    // Null with a reason when the system has no terminal to give.
    static std::unique_ptr<PseudoTerminal> Open(std::string& error);

    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Non-blocking.
    int MasterFd() const { return m_masterFd; }
    const std::string& SlavePath() const { return m_slavePath; }

private:
    PseudoTerminal(int masterFd, int slaveFd, std::string slavePath);

    int m_masterFd;
    int m_slaveFd;
    std::string m_slavePath;
};
