#include "upload_receiver.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Events = std::vector<UploadEvent>;
using Kind = UploadEventKind;

// A bitmap announcing `size` bytes, as the printer sends it: "BM", the size,
// then bytes that vary, so that a misplaced byte shows; cut after `length`.
Bytes Bitmap(std::uint32_t size, std::uint32_t length = 0xFFFFFFFF)
{
    Bytes bitmap{0x42, 0x4D};
    for (int shift = 0; shift < 32; shift += 8)
        bitmap.push_back(static_cast<std::uint8_t>(size >> shift));
    for (std::uint32_t i = 6; i < std::min(size, length); ++i)
        bitmap.push_back(static_cast<std::uint8_t>(i * 7 + 3));
    return bitmap;
}

// 6A and the bitmap: the whole reply, or only its header of 7 bytes.
Bytes UploadReply(std::uint32_t size, bool headerOnly = false)
{
    Bytes reply = Bitmap(size, headerOnly ? 6 : size);
    reply.insert(reply.begin(), 0x6A);
    return reply;
}

Events FeedInChunks(UploadReceiver& receiver, std::span<const std::uint8_t> bytes, std::size_t chunk)
{
    Events all;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        Events events = receiver.Feed(bytes.subspan(at, std::min(chunk, bytes.size() - at)));
        std::move(events.begin(), events.end(), std::back_inserter(all));
    }
    return all;
}

TEST(UploadReceiver, PercentagesFollowTheHeaderChunkUntilAReset)
{
    const Bytes bytes = UploadReply(1000);
    const std::span<const std::uint8_t> reply(bytes);
    UploadReceiver receiver;
    EXPECT_EQ(receiver.Feed(reply.first(501)), (Events{{Kind::UploadStarted, 1000, {}}}));
    EXPECT_EQ(receiver.Feed(reply.subspan(501, 250)), (Events{{Kind::UploadProgress, 75, {}}}));
    EXPECT_EQ(receiver.Feed(reply.subspan(751)),
              (Events{{Kind::UploadProgress, 100, {}}, {Kind::UploadComplete, 1000, Bitmap(1000)}}));
    EXPECT_FALSE(receiver.IsUploading());

    // Below one percent a chunk reports nothing; 45,000,000 x 100 does not fit 32 bits.
    receiver.Feed(UploadReply(50'000'000, true));
    EXPECT_TRUE(receiver.Feed(Bytes(1, 0x00)).empty());
    for (int megabytes = 0; megabytes < 44; ++megabytes)
        receiver.Feed(Bytes(1'000'000, 0x00));
    EXPECT_EQ(receiver.Feed(Bytes(1'000'000 - 7, 0x00)), (Events{{Kind::UploadProgress, 90, {}}}));

    // Reset drops the pending upload: what follows belongs to no reply.
    receiver.Reset();
    EXPECT_FALSE(receiver.IsUploading());
    EXPECT_EQ(receiver.Feed(Bytes(94, 0x42)), (Events{{Kind::BytesDropped, 94, {}}}));
}

// Bytes past the announced size are never stored, whatever the pieces.
TEST(UploadReceiver, ReassemblesWhateverTheChunkSize)
{
    Bytes reply = UploadReply(3000);
    reply.insert(reply.end(), 16, 0xA5);
    for (std::size_t chunk : {1u, 2u, 6u, 7u, 8u, 1024u, 3001u}) {
        SCOPED_TRACE(::testing::Message() << "chunk " << chunk);
        UploadReceiver receiver;
        const Events events = FeedInChunks(receiver, reply, chunk);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.front(), (UploadEvent{Kind::UploadStarted, 3000, {}}));
        std::uint64_t percent = 0;
        std::uint64_t dropped = 0;
        Bytes bitmap;
        for (const UploadEvent& event : events) {
            if (event.kind == Kind::UploadProgress) {
                EXPECT_GE(event.value, std::max<std::uint64_t>(percent, 1));
                percent = event.value;
            }
            dropped += event.kind == Kind::BytesDropped ? event.value : 0;
            if (event.kind == Kind::UploadComplete)
                bitmap = event.bitmap;
        }
        EXPECT_EQ(bitmap, Bitmap(3000));
        EXPECT_EQ(percent, 100u);
        EXPECT_EQ(dropped, 16u);
        EXPECT_FALSE(receiver.IsUploading());
    }
}

TEST(UploadReceiver, EmptySlotAndEraseAcknowledgementOutsideAnUploadOnly)
{
    for (std::size_t chunk : {1u, 3u}) {
        UploadReceiver receiver;
        EXPECT_EQ(FeedInChunks(receiver, Bytes{0x6A, 0x00, 0x00}, chunk), (Events{{Kind::EmptySlot, 0, {}}}));
    }
    UploadReceiver receiver;
    EXPECT_EQ(receiver.Feed(Bytes{0x6A, 0x00, 0x01}), (Events{{Kind::BytesDropped, 3, {}}}));
    const Events acknowledgedThenDropped{{Kind::EraseAcknowledged, 0, {}}, {Kind::BytesDropped, 1, {}}};
    EXPECT_EQ(receiver.Feed(Bytes{0x0D, 0x41}), acknowledgedThenDropped);
    // A marker that begins no reply gives way to what follows it.
    EXPECT_EQ(receiver.Feed(Bytes{0x6A, 0x0D}), acknowledgedThenDropped);
    Bytes doubled = UploadReply(50);
    doubled.insert(doubled.begin(), 0x6A);
    EXPECT_EQ(FeedInChunks(receiver, doubled, 1).back(), (UploadEvent{Kind::UploadComplete, 50, Bitmap(50)}));

    // Inside an upload, 0D is a bitmap byte.
    Bytes erase = UploadReply(20);
    erase[11] = 0x0D;
    EXPECT_EQ(FeedInChunks(receiver, erase, 1).back(),
              (UploadEvent{Kind::UploadComplete, 20, Bytes(erase.begin() + 1, erase.end())}));
}

// Under 6 bytes no bitmap fits; over 64 MiB no picture could hold one. A
// header chunk carrying the whole bitmap completes at once.
TEST(UploadReceiver, AnnouncedSizesOutsideTheBitmapRangeAreRefused)
{
    const struct { std::uint32_t size; Events expected; } cases[] = {
        {0, {{Kind::UploadRefused, 0, {}}, {Kind::BytesDropped, 7, {}}}},
        {5, {{Kind::UploadRefused, 5, {}}, {Kind::BytesDropped, 7, {}}}},
        {6, {{Kind::UploadStarted, 6, {}}, {Kind::UploadProgress, 100, {}}, {Kind::UploadComplete, 6, Bitmap(6)}}},
        {0x01020304, {{Kind::UploadStarted, 0x01020304, {}}}},
        {0x04000000, {{Kind::UploadStarted, 0x04000000, {}}}},
        {0x04000001, {{Kind::UploadRefused, 0x04000001, {}}, {Kind::BytesDropped, 7, {}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        UploadReceiver receiver;
        EXPECT_EQ(receiver.Feed(UploadReply(c.size, true)), c.expected);
    }
}

}  // namespace
