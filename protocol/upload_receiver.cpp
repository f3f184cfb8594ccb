#include "upload_receiver.h"

#include "byte_reader.h"
#include "picture.h"
#include "printer_commands.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kBmpSignature0 = 0x42;
constexpr std::uint8_t kBmpSignature1 = 0x4D;
constexpr std::size_t kSizeFieldAt = 3;
// 6A, "BM" and the 32-bit size: enough to know what is coming.
constexpr std::size_t kUploadHeaderLength = 7;
// The announced size counts "BM" and the size field themselves, so nothing
// smaller can be a bitmap.
constexpr std::uint32_t kSmallestUploadSize = 6;

// A bitmap the program could not hold as a picture is refused before any of
// it is stored.
constexpr std::uint64_t kLargestUploadSize = kMaxPictureBufferBytes;
// The announced size is the sender's word only; the buffer grows with what
// really arrives beyond this much.
constexpr std::size_t kInitialReserve = 64 * 1024;

}  // namespace

void UploadReceiver::Reset()
{
    m_header.clear();
    m_pUploadBuffer.reset();
    m_nUploadSize = 0;
}

std::vector<UploadEvent> UploadReceiver::Feed(std::span<const std::uint8_t> chunk)
{
    std::vector<UploadEvent> events;
    std::uint64_t dropped = 0;
    m_bStartedInChunk = false;

    ByteCursor cursor(chunk);
    while (!cursor.AtEnd()) {
        if (!m_pUploadBuffer) {
            ReadOutsideUpload(*cursor.Peek(), events, dropped);
            cursor.Skip(1);
            continue;
        }
        const std::size_t missing = m_nUploadSize - m_pUploadBuffer->size();
        const auto bytes = cursor.Take(std::min(missing, cursor.Remaining()));
        m_pUploadBuffer->insert(m_pUploadBuffer->end(), bytes->begin(), bytes->end());
        CompleteIfFull(events);
    }

    if (m_pUploadBuffer && !m_bStartedInChunk && !chunk.empty()) {
        const std::uint64_t percent = m_pUploadBuffer->size() * 100ull / m_nUploadSize;
        if (percent != 0)
            events.push_back({UploadEventKind::UploadProgress, percent, {}});
    }
    if (dropped != 0)
        events.push_back({UploadEventKind::BytesDropped, dropped, {}});
    return events;
}

void UploadReceiver::ReadOutsideUpload(std::uint8_t byte, std::vector<UploadEvent>& events, std::uint64_t& dropped)
{
    if (m_header.empty()) {
        if (byte == printer::kEraseAcknowledge)
            events.push_back({UploadEventKind::EraseAcknowledged, 0, {}});
        else if (byte == printer::kUploadMarker)
            m_header.push_back(byte);
        else
            ++dropped;
        return;
    }

    m_header.push_back(byte);
    switch (MatchHeader()) {
    case HeaderState::Incomplete:
        return;
    case HeaderState::EmptySlot:
        m_header.clear();
        events.push_back({UploadEventKind::EmptySlot, 0, {}});
        return;
    case HeaderState::Upload:
        StartUpload(events, dropped);
        return;
    case HeaderState::Mismatch: {
        // The marker began no reply; what followed it may begin one.
        const std::vector<std::uint8_t> rest(m_header.begin() + 1, m_header.end());
        m_header.clear();
        ++dropped;
        for (std::uint8_t next : rest)
            ReadOutsideUpload(next, events, dropped);
        return;
    }
    }
}

UploadReceiver::HeaderState UploadReceiver::MatchHeader() const
{
    const ByteReader header(m_header);
    const auto second = header.U8(1);
    if (!second)
        return HeaderState::Incomplete;
    if (*second == printer::kEmptySlotFiller) {
        const auto third = header.U8(2);
        if (!third)
            return HeaderState::Incomplete;
        return *third == printer::kEmptySlotFiller ? HeaderState::EmptySlot : HeaderState::Mismatch;
    }
    if (*second != kBmpSignature0)
        return HeaderState::Mismatch;
    const auto third = header.U8(2);
    if (!third)
        return HeaderState::Incomplete;
    if (*third != kBmpSignature1)
        return HeaderState::Mismatch;
    return header.Has(0, kUploadHeaderLength) ? HeaderState::Upload : HeaderState::Incomplete;
}

void UploadReceiver::StartUpload(std::vector<UploadEvent>& events, std::uint64_t& dropped)
{
    const ByteReader header(m_header);
    const std::uint32_t size = *header.Le32(kSizeFieldAt);
    if (size < kSmallestUploadSize || size > kLargestUploadSize) {
        events.push_back({UploadEventKind::UploadRefused, size, {}});
        dropped += m_header.size();
        m_header.clear();
        return;
    }
    m_nUploadSize = size;
    m_pUploadBuffer.emplace();
    m_pUploadBuffer->reserve(std::min<std::size_t>(size, kInitialReserve));
    const auto bitmapStart = *header.Bytes(1, kUploadHeaderLength - 1);
    m_pUploadBuffer->assign(bitmapStart.begin(), bitmapStart.end());
    m_header.clear();
    m_bStartedInChunk = true;
    events.push_back({UploadEventKind::UploadStarted, size, {}});
    CompleteIfFull(events);
}

void UploadReceiver::CompleteIfFull(std::vector<UploadEvent>& events)
{
    if (m_pUploadBuffer->size() < m_nUploadSize)
        return;
    events.push_back({UploadEventKind::UploadProgress, 100, {}});
    events.push_back({UploadEventKind::UploadComplete, m_nUploadSize, std::move(*m_pUploadBuffer)});
    m_pUploadBuffer.reset();
    m_nUploadSize = 0;
}
