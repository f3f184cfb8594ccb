#include "printer_subcommands.h"

#include "failure_report.h"
#include "printer_session.h"
#include "progress_display.h"

#include "bmp_picture.h"
#include "printer_commands.h"
#include "upload_receiver.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

namespace {

// Milliseconds that replace kUploadStallTimeout, so that tests of a stalled
// upload need not wait that long.
constexpr const char* kUploadStallVariable = "VELLUMIO_UPLOAD_STALL_MS";

std::chrono::milliseconds UploadStallTimeout()
{
    const char* text = std::getenv(kUploadStallVariable);
    int ms = 0;
    if (!text || std::from_chars(text, text + std::strlen(text), ms).ec != std::errc{} || ms <= 0)
        return kUploadStallTimeout;
    return std::chrono::milliseconds(ms);
}

constexpr std::string_view kNoAnswer = "The printer has not answered the upload request.";

// Names the usual stall time even when a test has shortened it.
std::string StalledMessage()
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(kUploadStallTimeout).count();
    return "The upload has stopped: the printer has sent nothing for " + std::to_string(seconds) + " seconds.";
}

enum class UploadOutcome { Pending, Complete, EmptySlot, Refused };

// Reassembles the printer's answer to the upload request from the chunks
// the events bring, whatever their size.
class UploadFollower final : public ICommEventTarget {
public:
    explicit UploadFollower(PrinterSession& session)
        : m_session(session), m_progress(std::cerr, StandardErrorIsTerminal(), "upload")
    {
    }

    UploadOutcome Outcome() const { return m_outcome; }
    bool Started() const { return m_bStarted; }
    const std::vector<std::uint8_t>& Bitmap() const { return m_bitmap; }
    void EndProgress() { m_progress.End(); }

    void OnDataReceived(std::span<const std::uint8_t> chunk) override
    {
        for (UploadEvent& event : m_receiver.Feed(chunk))
            Handle(event);
        if (m_outcome != UploadOutcome::Pending)
            m_session.Finish();
        else if (m_receiver.IsUploading())
            m_session.SetTimeout(m_stallTimeout);
    }
    void OnTransferProgress(std::int32_t) override {}
    void OnTransferFailed() override {}

private:
    void Handle(UploadEvent& event)
    {
        if (m_outcome != UploadOutcome::Pending)
            return;
        switch (event.kind) {
        case UploadEventKind::UploadStarted:
            m_bStarted = true;
            m_progress.Show(0);
            break;
        case UploadEventKind::UploadProgress:
            m_progress.Show(static_cast<std::int32_t>(event.value));
            break;
        case UploadEventKind::UploadComplete:
            m_bitmap = std::move(event.bitmap);
            m_outcome = UploadOutcome::Complete;
            break;
        case UploadEventKind::EmptySlot:
            m_outcome = UploadOutcome::EmptySlot;
            break;
        case UploadEventKind::UploadRefused:
            m_outcome = UploadOutcome::Refused;
            break;
        case UploadEventKind::EraseAcknowledged:
        case UploadEventKind::BytesDropped:
            break;
        }
    }

    PrinterSession& m_session;
    UploadReceiver m_receiver;
    ProgressDisplay m_progress;
    const std::chrono::milliseconds m_stallTimeout = UploadStallTimeout();
    UploadOutcome m_outcome = UploadOutcome::Pending;
    bool m_bStarted = false;
    std::vector<std::uint8_t> m_bitmap;
};

// Decodes the uploaded bitmap and writes it as the BMP writer writes any
// picture; the failure text, or nothing when written.
std::optional<std::string> SaveBitmap(const std::vector<std::uint8_t>& bitmap, const std::string& path,
                                      std::uint32_t& width, std::uint32_t& height)
{
    std::string message;
    CBmpPicture uploaded("");
    uploaded.SetFileImage(bitmap);
    if (uploaded.Parse(message) != PR_OK || !uploaded.Decode(message))
        return message;

    CBmpPicture writer(path);
    if (writer.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message) != PR_OK)
        return WithSystemReason(message, writer.GetSystemError());
    writer.SetBits(uploaded.GetBits());
    width = uploaded.GetWidth();
    height = uploaded.GetHeight();
    const PictureResult written = writer.Write(width, height, message);
    if (written != PR_OK && written != PR_ADJUSTED)
        return WithSystemReason(message, writer.GetSystemError());
    return std::nullopt;
}

}  // namespace

int RunUpload(std::span<const std::string> args)
{
    const ParsedArguments parsed = ParsePrinterArguments(args);
    if (parsed.Positionals().size() != 2)
        throw UsageError("upload takes exactly a SLOT and an OUT.bmp file");
    const std::uint8_t slot = ParseSlot(parsed.Positionals()[0]);
    const std::string output = parsed.Positionals()[1];

    std::string failure;
    const auto session = PrinterSession::Open(ParseConnectionOptions(parsed), failure);
    if (!session)
        return ReportFailure(failure);
    if (!session->SendCommand(printer::SelectLogo(slot)) || !session->SendCommand(printer::UploadRequest()))
        return ReportFailure(printer_messages::kCommunicationFailure);

    UploadFollower follower(*session);
    const bool finished = session->Wait(follower, session->ReadTimeout());
    follower.EndProgress();
    if (!finished) {
        // Whatever is still on its way is no use any more.
        session->Link().Abort();
        return ReportFailure(follower.Started() ? StalledMessage() : std::string(kNoAnswer));
    }
    switch (follower.Outcome()) {
    case UploadOutcome::EmptySlot:
        return ReportFailure(printer_messages::kNoLogoAtLocation);
    case UploadOutcome::Refused:
        return ReportFailure(printer_messages::kUploadRefused);
    case UploadOutcome::Pending:
    case UploadOutcome::Complete:
        break;
    }

    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (const auto saveFailure = SaveBitmap(follower.Bitmap(), output, width, height))
        return ReportFailure(*saveFailure);
    std::cout << "width: " << width << '\n' << "height: " << height << '\n';
    return kExitOk;
}
