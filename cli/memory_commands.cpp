#include "printer_subcommands.h"

#include "printer_session.h"

#include "printer_commands.h"
#include "printer_replies.h"
#include "printer_request.h"

#include <algorithm>
#include <iostream>
#include <limits>

namespace {

struct MemoryFigures {
    std::optional<std::int32_t> totalKbytes;
    std::optional<std::int32_t> logoKbytes;
    std::optional<std::string> remainingBytes;
    bool complete = false;  // every question asked was answered
};

// The three questions of the "Download" page's refresh, in its order; the
// total and the logo memory only where the protocol level allows them. The
// first left unanswered ends them: each further one would wait out the read
// time-out as well.
MemoryFigures QueryMemory(ICommunication& link, std::int32_t protocolLevel)
{
    MemoryFigures figures;
    if (protocolLevel != 0) {
        figures.totalKbytes =
            TotalMemoryKbytes(AskPrinter(link, printer::TotalMemoryQuery(), printer::kTotalMemoryReplyLength));
        if (!figures.totalKbytes)
            return figures;
        figures.logoKbytes =
            LogoMemoryKbytes(AskPrinter(link, printer::LogoMemoryQuery(), printer::kLogoMemoryReplyLength));
        if (!figures.logoKbytes)
            return figures;
    }
    figures.remainingBytes =
        RemainingMemoryText(AskPrinter(link, printer::RemainingMemoryQuery(), printer::kRemainingMemoryReplyLength));
    figures.complete = figures.remainingBytes.has_value();
    return figures;
}

template <class Value>
void PrintFigure(std::string_view name, const std::optional<Value>& value, std::string_view unit)
{
    std::cout << name << ": ";
    if (value)
        std::cout << *value << ' ' << unit << '\n';
    else
        std::cout << "unknown\n";
}

void PrintMemory(const MemoryFigures& figures)
{
    PrintFigure("total", figures.totalKbytes, "KB");
    PrintFigure("logo", figures.logoKbytes, "KB");
    PrintFigure("remaining", figures.remainingBytes, "bytes");
}

std::string ChoiceList(const std::vector<std::int32_t>& choices)
{
    std::string list;
    for (std::int32_t kbytes : choices)
        list += (list.empty() ? "" : ", ") + std::to_string(kbytes);
    return list;
}

}  // namespace

int RunMemory(std::span<const std::string> args)
{
    const ParsedArguments parsed = ParsePrinterArguments(args);
    if (!parsed.Positionals().empty())
        throw UsageError("memory takes no arguments besides the connection options");

    std::string failure;
    const auto session = PrinterSession::Open(ParseConnectionOptions(parsed), failure);
    if (!session)
        return ReportFailure(failure);
    const MemoryFigures figures = QueryMemory(session->Link(), session->Settings().m_nVersion);
    PrintMemory(figures);
    return figures.complete ? kExitOk : ReportFailure(printer_messages::kCommunicationFailure);
}

int RunSetMemory(std::span<const std::string> args)
{
    const ParsedArguments parsed = ParsePrinterArguments(args);
    if (parsed.Positionals().size() != 1)
        throw UsageError("set-memory takes exactly one size KB");
    const std::int32_t kbytes = static_cast<std::int32_t>(
        ParseUnsignedInRange("KB", parsed.Positionals()[0], 0, std::numeric_limits<std::int32_t>::max()));

    std::string failure;
    const auto session = PrinterSession::Open(ParseConnectionOptions(parsed), failure);
    if (!session)
        return ReportFailure(failure);
    ICommunication& link = session->Link();
    const std::int32_t protocolLevel = session->Settings().m_nVersion;

    // The sizes offered depend on the printer's total memory where the
    // printer can tell it.
    std::int32_t totalKbytes = 0;
    if (protocolLevel != 0) {
        const auto total =
            TotalMemoryKbytes(AskPrinter(link, printer::TotalMemoryQuery(), printer::kTotalMemoryReplyLength));
        if (!total)
            return ReportFailure(printer_messages::kCommunicationFailure);
        totalKbytes = *total;
    }
    const std::vector<std::int32_t> choices = MemorySizeChoices(protocolLevel, totalKbytes);
    const auto command = printer::SetLogoMemorySize(static_cast<std::uint32_t>(kbytes));
    if (!command || std::find(choices.begin(), choices.end(), kbytes) == choices.end())
        throw UsageError("KB must be one of " + ChoiceList(choices) + ", not " + std::to_string(kbytes));

    const MemorySizeOutcome outcome =
        CheckMemorySizeReply(AskPrinter(link, *command, printer::kSetMemorySizeReplyLength));
    // A printer that did not answer is asked nothing more.
    if (outcome.verdict == MemorySizeVerdict::CommunicationFailure)
        return ReportFailure(outcome.message);
    const MemoryFigures figures = QueryMemory(link, protocolLevel);
    PrintMemory(figures);
    if (outcome.verdict != MemorySizeVerdict::Accepted)
        return ReportFailure(outcome.message);
    return figures.complete ? kExitOk : ReportFailure(printer_messages::kCommunicationFailure);
}
