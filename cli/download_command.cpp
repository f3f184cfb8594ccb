#include "printer_subcommands.h"

#include "picture_geometry.h"
#include "printer_session.h"
#include "progress_display.h"

#include "download_image.h"
#include "picture_factory.h"
#include "printer_commands.h"
#include "printer_replies.h"
#include "printer_request.h"

#include <iomanip>
#include <iostream>

namespace {

// Follows a download until its last byte is out or it fails. Once the first
// progress has come, the component itself bounds every wait on the line, so
// only the wait for that first one needs a limit here.
class DownloadFollower final : public ICommEventTarget {
public:
    explicit DownloadFollower(PrinterSession& session)
        : m_session(session), m_progress(std::cerr, StandardErrorIsTerminal(), "download")
    {
    }

    bool Done() const { return m_bDone; }
    void EndProgress() { m_progress.End(); }

    void OnDataReceived(std::span<const std::uint8_t>) override {}

    void OnTransferProgress(std::int32_t percent) override
    {
        m_progress.Show(percent);
        m_session.SetTimeout(std::nullopt);
        if (percent == 100) {
            m_bDone = true;
            m_session.Finish();
        }
    }

    void OnTransferFailed() override { m_session.Finish(); }

private:
    PrinterSession& m_session;
    ProgressDisplay m_progress;
    bool m_bDone = false;
};

// The size the LOGO image gives a picture: both sides raised to multiples of 8.
std::uint32_t LogoDots(std::uint32_t dots)
{
    return CPicture::BytesPerRow(dots) * 8;
}

}  // namespace

int RunDownload(std::span<const std::string> args)
{
    const ParsedArguments parsed =
        ParsePrinterArguments(args, {kWidthOption, kHeightOption, kOffsetXOption, kOffsetYOption});
    if (parsed.Positionals().size() != 2)
        throw UsageError("download takes exactly a SLOT and a FILE");
    const std::uint8_t slot = ParseSlot(parsed.Positionals()[0]);
    const PictureGeometry geometry = ParsePictureGeometry(parsed);
    const ConnectionOptions connection = ParseConnectionOptions(parsed);

    // The picture is made ready before the printer is touched, so that a bad
    // file leaves the printer as it was.
    const OpenedPicture opened = OpenPictureFile(parsed.Positionals()[1]);
    if (!opened.picture)
        return ReportFailure(opened.message, opened.systemError);
    std::string message;
    const auto output = CreatePicture(PT_LOGO, "");
    if (CropToGeometry(*opened.picture, geometry, *output, message) != PR_OK)
        return ReportFailure(message);
    const DownloadImage built = BuildDownloadImage(output.get());
    if (!built.image)
        return ReportFailure(built.message.empty() ? std::string_view(built.reason) : built.message);
    if (!built.reason.empty())
        std::cerr << built.reason << '\n';
    const std::vector<std::uint8_t>& image = *built.image;
    const std::uint16_t checksum = DownloadChecksum(image);

    std::string failure;
    const auto session = PrinterSession::Open(connection, failure);
    if (!session)
        return ReportFailure(failure);
    if (!session->SendCommand(printer::SelectLogo(slot)))
        return ReportFailure(printer_messages::kCommunicationFailure);
    if (session->Link().Send(image, kSendModeLogoDownload) != kSendOk)
        return ReportFailure(printer_messages::kCommunicationFailure);

    DownloadFollower follower(*session);
    const bool finished = session->Wait(follower, session->WriteTimeout());
    follower.EndProgress();
    if (!finished)
        session->Link().Abort();
    if (!follower.Done())
        return ReportFailure(printer_messages::kDownloadStopped);

    const ChecksumCheck check = CheckChecksumReply(
        AskPrinter(session->Link(), printer::ChecksumQuery(slot), printer::kChecksumReplyLength), checksum);
    if (check.verdict != ChecksumVerdict::Verified)
        return ReportFailure(check.message);

    std::cout << "slot: " << static_cast<unsigned>(slot) << '\n'
              << "width: " << LogoDots(output->GetWidth()) << '\n'
              << "height: " << LogoDots(output->GetHeight()) << '\n'
              << "bytes: " << image.size() << '\n'
              << "checksum: " << std::hex << std::uppercase << std::setw(4) << std::setfill('0') << checksum
              << '\n';
    return kExitOk;
}
