// vellumio-virtual-printer: a logo printer behind a pseudo-terminal or a TCP
// socket, for trying and testing the printer commands without a printer.

#include "paper_tray.h"
#include "printer_line.h"
#include "pseudo_terminal.h"
#include "sim_options.h"
#include "tcp_listener.h"
#include "virtual_printer.h"
#include "vellumio_build_info.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <signal.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

void RequestStop(int)
{
    g_stopRequested = 1;
}

// The stop signals are held back except while the line waits, so a stop
// can never slip in between looking at the flag and starting to wait.
sigset_t HoldStopSignals()
{
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigset_t waitMask;
    ::sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    return waitMask;
}

// A link left by an earlier run is replaced; anything else at the path is
// not ours to remove.
bool MakeLink(const std::string& target, const std::string& link)
{
    std::error_code error;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(link, error)))
        std::filesystem::remove(link, error);
    std::filesystem::create_symlink(target, link, error);
    if (error) {
        std::cerr << "vellumio-virtual-printer: cannot link " << link << ": " << error.message() << '\n';
        return false;
    }
    return true;
}

void RemoveLink(const std::string& target, const std::string& link)
{
    std::error_code error;
    if (std::filesystem::read_symlink(link, error) == target)
        std::filesystem::remove(link, error);
}

void ReportHangUp(const SimOptions& options)
{
    std::cerr << "vellumio-virtual-printer: hung up after " << *options.line.hangupAfter << " bytes\n";
}

int ServeTerminal(const SimOptions& options, VirtualPrinter& printer, PaperTray* paper, const sigset_t& waitMask)
{
    std::string error;
    const auto terminal = PseudoTerminal::Open(error);
    if (!terminal) {
        std::cerr << "vellumio-virtual-printer: " << error << '\n';
        return 1;
    }
    if (options.linkPath && !MakeLink(terminal->SlavePath(), *options.linkPath))
        return 1;
    std::cout << terminal->SlavePath() << std::endl;

    PrinterLine line(terminal->MasterFd(), options.line, printer, paper);
    const LineEnding ending = line.Run(g_stopRequested, &waitMask);
    if (ending == LineEnding::HungUp)
        ReportHangUp(options);
    if (options.linkPath)
        RemoveLink(terminal->SlavePath(), *options.linkPath);
    return ending == LineEnding::Failed ? 1 : 0;
}

// Clients come one after another to the same printer, its stored logos
// kept; a client leaving ends only its own connection.
int ServeTcp(const SimOptions& options, VirtualPrinter& printer, PaperTray* paper, const sigset_t& waitMask)
{
    std::string error;
    const auto listener = TcpListener::Listen(*options.tcpAddress, error);
    if (!listener) {
        std::cerr << "vellumio-virtual-printer: " << error << '\n';
        return 1;
    }
    // A client gone while a reply is written is an error to see, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::cout << listener->Address() << std::endl;
    for (;;) {
        const int client = listener->Accept(g_stopRequested, &waitMask);
        if (client < 0)
            return 0;
        PrinterLine line(client, options.line, printer, paper);
        const LineEnding ending = line.Run(g_stopRequested, &waitMask);
        ::close(client);
        if (ending == LineEnding::HungUp) {
            ReportHangUp(options);
            return 0;
        }
        if (ending == LineEnding::Stopped)
            return 0;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "vellumio-virtual-printer " << kVellumioVersion << '\n';
        return 0;
    }
    std::string error;
    const auto options = ParseSimOptions(args, error);
    if (!options) {
        std::cerr << "vellumio-virtual-printer: " << error << '\n' << SimUsage();
        return 2;
    }
    if (options->help) {
        std::cout << SimUsage();
        return 0;
    }

    const sigset_t waitMask = HoldStopSignals();
    std::optional<PaperTray> paper;
    if (options->paperFolder) {
        std::error_code created;
        std::filesystem::create_directories(*options->paperFolder, created);
        paper.emplace(*options->paperFolder);
    }
    VirtualPrinter printer(options->printer);
    PaperTray* tray = paper ? &*paper : nullptr;
    return options->tcpAddress ? ServeTcp(*options, printer, tray, waitMask)
                               : ServeTerminal(*options, printer, tray, waitMask);
}
