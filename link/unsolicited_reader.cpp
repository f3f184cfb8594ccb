#include "unsolicited_reader.h"

#include <array>
#include <chrono>
#include <cstdint>

namespace {

using namespace std::chrono_literals;

// The wait is interrupted for pauses and stops, so it can be long.
constexpr auto kReadWait = 1000ms;
// After a device error (a hung-up line, a pulled adapter) the reader tries
// again at this pace rather than spin.
constexpr auto kRetryAfterError = 100ms;
constexpr std::size_t kReadChunk = 4096;

void ReadUntilStopped(const std::shared_ptr<WorkerControl>& control, const std::shared_ptr<IPortDevice>& device,
                      const std::shared_ptr<EventRelay>& events)
{
    std::array<std::uint8_t, kReadChunk> buffer{};
    std::uint64_t discards = 0;
    while (control->BeginDeviceUse(discards)) {
        const IoResult got = device->Read(buffer, kReadWait, &control->Interrupt());
        if (got.status == IoStatus::Failed)
            control->Interrupt().WaitFor(kRetryAfterError);
        control->EndDeviceUse();
        if (got.count == 0)
            continue;
        events->Raise(
            control.get(), [&] { return control->MayRaise(discards); },
            [&](ICommunicationEvents& target) {
                target.DataReceived(std::span<const std::uint8_t>(buffer).first(got.count));
            });
    }
}

}  // namespace

UnsolicitedReader::UnsolicitedReader(std::shared_ptr<IPortDevice> device, std::shared_ptr<EventRelay> events)
    : m_control(std::make_shared<WorkerControl>()), m_events(std::move(events))
{
    m_thread = std::thread(ReadUntilStopped, m_control, std::move(device), m_events);
}

UnsolicitedReader::~UnsolicitedReader() { Stop(); }

void UnsolicitedReader::DropInput() { m_control->Discard(*m_events); }

void UnsolicitedReader::Stop() { m_control->Stop(m_thread, *m_events); }

std::unique_ptr<UnsolicitedReader::Pause> UnsolicitedReader::PauseReading() const
{
    return std::make_unique<Pause>(m_control);
}

UnsolicitedReader::Pause::Pause(std::shared_ptr<WorkerControl> control) : m_control(std::move(control))
{
    m_control->Pause();
}

UnsolicitedReader::Pause::~Pause() { m_control->Resume(); }
