#include "printer_subcommands.h"

#include "printer_session.h"

#include "communication_component.h"
#include "printer_commands.h"
#include "upload_receiver.h"

#include <iostream>

namespace {

constexpr std::string_view kSizeOption = "--size";
constexpr std::string_view kEraseNotAcknowledged = "The printer has not acknowledged the erase command.";

void PrintPortList(std::string_view prefix, const std::vector<std::string>& ports)
{
    for (std::size_t i = 0; i < ports.size(); ++i)
        std::cout << prefix << i + 1 << "  " << ports[i] << '\n';
}

std::string UsbState(const UsbPrinterInfo& usb)
{
    if (!usb.found)
        return "no printer found";
    if (usb.driverName.empty())
        return "printer found";
    return "printer found, served by the driver \"" + usb.driverName + "\"";
}

// Waits for the byte that says the logos are erased; whatever else comes is
// no answer to the erase.
class EraseFollower final : public ICommEventTarget {
public:
    explicit EraseFollower(PrinterSession& session) : m_session(session) {}

    void OnDataReceived(std::span<const std::uint8_t> chunk) override
    {
        for (const UploadEvent& event : m_receiver.Feed(chunk)) {
            if (event.kind == UploadEventKind::EraseAcknowledged)
                m_session.Finish();
        }
    }
    void OnTransferProgress(std::int32_t) override {}
    void OnTransferFailed() override {}

private:
    PrinterSession& m_session;
    UploadReceiver m_receiver;
};

}  // namespace

int RunPorts(std::span<const std::string> args)
{
    const ParsedArguments parsed(args, {});
    if (!parsed.Positionals().empty())
        throw UsageError("ports takes no arguments");
    const auto link = MakeCommunicationComponent();
    PrintPortList("COM", link->GetComPorts());
    PrintPortList("LPT", link->GetLptPorts());
    std::cout << "USB   " << UsbState(link->FindUsbPrinter()) << '\n';
    return kExitOk;
}

int RunPrint(std::span<const std::string> args)
{
    const ParsedArguments parsed = ParsePrinterArguments(args, {kSizeOption});
    if (parsed.Positionals().size() != 1)
        throw UsageError("print takes exactly one SLOT");
    const std::uint8_t slot = ParseSlot(parsed.Positionals()[0]);
    auto mode = printer::kSizeNormal;
    if (const auto text = parsed.Value(kSizeOption))
        mode = static_cast<printer::LogoSizeMode>(
            ParseUnsignedInRange(kSizeOption, *text, printer::kSizeNormal, printer::kSizeDoubleBoth));

    std::string failure;
    const auto session = PrinterSession::Open(ParseConnectionOptions(parsed), failure);
    if (!session)
        return ReportFailure(failure);
    if (!session->SendCommand(printer::SelectLogo(slot)) || !session->SendCommand(printer::PrintLogo(mode)))
        return ReportFailure(printer_messages::kCommunicationFailure);
    return kExitOk;
}

int RunErase(std::span<const std::string> args)
{
    const ParsedArguments parsed = ParsePrinterArguments(args);
    if (!parsed.Positionals().empty())
        throw UsageError("erase takes no SLOT: it erases every logo");

    std::string failure;
    const auto session = PrinterSession::Open(ParseConnectionOptions(parsed), failure);
    if (!session)
        return ReportFailure(failure);
    if (!session->SendCommand(printer::EraseLogos()))
        return ReportFailure(printer_messages::kCommunicationFailure);
    EraseFollower follower(*session);
    if (!session->Wait(follower, session->ReadTimeout()))
        return ReportFailure(kEraseNotAcknowledged);
    return kExitOk;
}
