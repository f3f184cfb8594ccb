#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// An upload that has begun and then brings nothing for this long has
// stalled: the "Download" page then offers only to abort it, and the command
// line gives it up.
inline constexpr std::chrono::milliseconds kUploadStallTimeout{5000};

// What the bytes that the printer sends by itself amount to.
enum class UploadEventKind {
    EraseAcknowledged,  // the byte 0D outside an upload
    EmptySlot,          // 6A 00 00: the selected slot holds no logo
    UploadStarted,      // 6A 42 4D and the size: value is the announced size
    UploadProgress,     // value is the percentage received, 1 to 100
    UploadComplete,     // bitmap holds exactly the announced bytes
    UploadRefused,      // an announced size that is no bitmap or too big: value
    BytesDropped,       // bytes that belong to no reply: value is their count
};

struct UploadEvent {
    UploadEventKind kind;
    std::uint64_t value = 0;
    std::vector<std::uint8_t> bitmap;

    bool operator==(const UploadEvent&) const = default;
};

// Reassembles the printer's unasked replies from chunks cut anywhere, down to
// one byte each: the erase acknowledgement, the empty-slot reply and an
// uploaded bitmap (6A, then a Windows bitmap file image whose own size field
// announces how many bytes follow the 6A).
//
// A chunk that completes the upload header reports UploadStarted and no
// percentage, even when it already carries more of the bitmap; every later
// chunk reports the percentage reached, except 0. The upload completes as
// soon as the announced bytes are in, in whichever chunk that happens.
// Bytes after the announced size are no part of the bitmap: they are read as
// whatever the printer sends next, and dropped unless they form a reply.
class UploadReceiver {
public:
    std::vector<UploadEvent> Feed(std::span<const std::uint8_t> chunk);

    // Forgets a pending upload and any half-received reply, as after Abort.
    void Reset();

    bool IsUploading() const { return m_pUploadBuffer.has_value(); }

private:
    enum class HeaderState { Incomplete, EmptySlot, Upload, Mismatch };

    void ReadOutsideUpload(std::uint8_t byte, std::vector<UploadEvent>& events, std::uint64_t& dropped);
    HeaderState MatchHeader() const;
    void StartUpload(std::vector<UploadEvent>& events, std::uint64_t& dropped);
    void CompleteIfFull(std::vector<UploadEvent>& events);

    std::vector<std::uint8_t> m_header;  // a reply that has begun with 6A
    std::optional<std::vector<std::uint8_t>> m_pUploadBuffer;
    std::uint32_t m_nUploadSize = 0;
    bool m_bStartedInChunk = false;
};
