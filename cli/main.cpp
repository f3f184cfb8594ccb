#include "arguments.h"
#include "cli_command.h"
#include "failure_report.h"
#include "import_command.h"
#include "picture_commands.h"
#include "printer_subcommands.h"

#include "picture_types.h"
#include "vellumio_build_info.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <iomanip>
#include <iostream>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr std::string_view kProgram = "vellumio-cli";

// One line per subcommand.
constexpr std::array kCommands{
    kInfoCommand,
    kConvertCommand,
    kImportCommand,
    kPortsCommand,
    kDownloadCommand,
    kUploadCommand,
    kPrintCommand,
    kEraseCommand,
    kMemoryCommand,
    kSetMemoryCommand,
};

const CliCommand* FindCommand(std::string_view name)
{
    for (const CliCommand& command : kCommands)
        if (command.name == name)
            return &command;
    return nullptr;
}

void PrintUsageLine(std::ostream& out, std::string_view usage)
{
    out << "usage: " << kProgram << ' ' << usage << '\n';
}

void PrintOverview(std::ostream& out)
{
    PrintUsageLine(out, "COMMAND [ARGUMENTS]");
    out << "\nConverts pictures into thermal receipt printer logo files: BITMAP (monochrome\n"
           "Windows bitmap), EPSON GFX, LOGO, RASTER GFX and RASTER GFX EXT; downloads\n"
           "them into a printer's logo slots, reads them back, prints and erases them.\n\nCommands:\n";
    for (const CliCommand& command : kCommands)
        out << "  " << std::left << std::setw(12) << command.name << command.summary << '\n';
    out << "\nRun \"" << kProgram << " COMMAND --help\" for a command's arguments, \"" << kProgram
        << " --version\" for the version.\n";
}

bool IsHelp(std::string_view arg)
{
    return arg == "--help" || arg == "-h" || arg == "help";
}

int Dispatch(const std::vector<std::string>& args)
{
    if (args.empty()) {
        PrintOverview(std::cerr);
        return kExitUsage;
    }
    if (IsHelp(args[0])) {
        PrintOverview(std::cout);
        return kExitOk;
    }
    if (args[0] == "--version") {
        std::cout << kProgram << ' ' << kVellumioVersion << '\n';
        return kExitOk;
    }
    const CliCommand* command = FindCommand(args[0]);
    if (!command) {
        std::cerr << kProgram << ": unknown command \"" << args[0] << "\"\n";
        PrintUsageLine(std::cerr, "COMMAND [ARGUMENTS]");
        return kExitUsage;
    }

    const auto commandArgs = std::span<const std::string>(args).subspan(1);
    if (WantsHelp(commandArgs)) {
        PrintUsageLine(std::cout, command->usage);
        std::cout << '\n' << command->help;
        return kExitOk;
    }
    try {
        return command->run(commandArgs);
    } catch (const UsageError& error) {
        std::cerr << kProgram << ' ' << command->name << ": " << error.what() << '\n';
        PrintUsageLine(std::cerr, command->usage);
        return kExitUsage;
    } catch (const std::bad_alloc&) {
        return ReportFailure(picture_messages::kMemoryAllocation);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const int status = Dispatch(std::vector<std::string>(argv + 1, argv + argc));
    // What standard output still buffers is written now, so that lines lost
    // to a full disk end in failure. The buffer is written again even when
    // an earlier write failed, to learn the reason.
    errno = 0;
    const bool flushed = static_cast<bool>(std::cout.flush());
    if (std::fflush(stdout) != 0 || !flushed)
        return ReportFailure(picture_messages::kFileWrite, errno);
    return status;
}
