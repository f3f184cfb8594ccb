#include "download_transfer.h"

#include <algorithm>
#include <atomic>

struct DownloadTransfer::State {
    WorkerControl control;
    std::atomic<bool> writing{true};
};

namespace {

// Blocks small enough for a percentage step on logos of a few kilobytes.
constexpr std::size_t kDownloadBlock = 256;
constexpr std::int32_t kLastPercentBeforeDone = 99;
constexpr std::int32_t kDonePercent = 100;

enum class Outcome { Done, Failed, Stopped };

Outcome WriteAll(WorkerControl& control, IPortDevice& device, EventRelay& events,
                 const std::vector<std::uint8_t>& bytes, std::chrono::milliseconds writeTimeout)
{
    const auto wanted = [&control] { return !control.StopRequested(); };
    const std::span<const std::uint8_t> all(bytes);
    std::size_t written = 0;
    std::int32_t reported = 0;
    while (written < all.size()) {
        const auto block = all.subspan(written, std::min(kDownloadBlock, all.size() - written));
        const IoResult result = device.Write(block, writeTimeout, &control.Interrupt());
        written += result.count;
        if (result.status == IoStatus::Interrupted)
            return Outcome::Stopped;
        if (result.status != IoStatus::Ok)
            return Outcome::Failed;
        // 100 is kept for the moment the bytes have left the host.
        const auto percent = std::min(kLastPercentBeforeDone, static_cast<std::int32_t>(written * 100 / all.size()));
        if (percent == reported || percent == 0)
            continue;
        reported = percent;
        events.Raise(&control, wanted, [&](ICommunicationEvents& target) { target.Progress(percent); });
        // A stop during the event may have closed the device already.
        if (control.StopRequested())
            return Outcome::Stopped;
    }
    switch (device.Drain(writeTimeout, &control.Interrupt())) {
    case IoStatus::Ok:
        return Outcome::Done;
    case IoStatus::Interrupted:
        return Outcome::Stopped;
    default:
        return Outcome::Failed;
    }
}

}  // namespace

void DownloadTransfer::Run(const std::shared_ptr<State>& state, const std::shared_ptr<IPortDevice>& device,
                           const std::shared_ptr<EventRelay>& events, const std::vector<std::uint8_t>& bytes,
                           std::chrono::milliseconds writeTimeout)
{
    const Outcome outcome = WriteAll(state->control, *device, *events, bytes, writeTimeout);
    // The line is free for the next command before the last event, whose
    // handler sends the checksum check.
    state->writing = false;
    if (outcome == Outcome::Stopped)
        return;
    WorkerControl& control = state->control;
    events->Raise(
        &control, [&control] { return !control.StopRequested(); },
        [&](ICommunicationEvents& target) {
            if (outcome == Outcome::Done)
                target.Progress(kDonePercent);
            else
                target.TransferFailed();
        });
}

DownloadTransfer::DownloadTransfer(std::shared_ptr<IPortDevice> device, std::shared_ptr<EventRelay> events,
                                   std::vector<std::uint8_t> bytes, std::chrono::milliseconds writeTimeout)
    : m_state(std::make_shared<State>()), m_events(std::move(events))
{
    m_thread = std::thread(Run, m_state, std::move(device), m_events, std::move(bytes), writeTimeout);
}

DownloadTransfer::~DownloadTransfer() { Stop(); }

bool DownloadTransfer::Writing() const { return m_state->writing; }

void DownloadTransfer::Stop() { m_state->control.Stop(m_thread, *m_events); }
