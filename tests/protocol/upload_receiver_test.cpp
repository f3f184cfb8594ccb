#include "upload_receiver.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = UploadEventKind;

// A bitmap file image of `size` bytes as far as the receiver cares: "BM",
// the size, then bytes that vary so that a misplaced byte shows.
Bytes Bitmap(std::uint32_t size)
{
    Bytes bitmap(size);
    for (std::uint32_t i = 0; i < size; ++i)
        bitmap[i] = static_cast<std::uint8_t>(i * 7 + 3);
    bitmap[0] = 0x42;
    bitmap[1] = 0x4D;
    for (std::size_t i = 0; i < 4; ++i)
        bitmap[2 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    return bitmap;
}

Bytes UploadReply(const Bytes& bitmap)
{
    Bytes reply{0x6A};
    reply.insert(reply.end(), bitmap.begin(), bitmap.end());
    return reply;
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t count)
{
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

std::vector<Kind> KindsOf(const std::vector<UploadEvent>& events)
{
    std::vector<Kind> kinds;
    for (const UploadEvent& event : events)
        kinds.push_back(event.kind);
    return kinds;
}

// Feeds `bytes` cut into pieces of `chunk` bytes and collects every event.
std::vector<UploadEvent> FeedInChunks(UploadReceiver& receiver, const Bytes& bytes, std::size_t chunk)
{
    std::vector<UploadEvent> all;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        auto events = receiver.Feed(Slice(bytes, at, std::min(chunk, bytes.size() - at)));
        std::move(events.begin(), events.end(), std::back_inserter(all));
    }
    return all;
}

const UploadEvent* Find(const std::vector<UploadEvent>& events, Kind kind)
{
    const auto it = std::find_if(events.begin(), events.end(), [kind](const UploadEvent& e) { return e.kind == kind; });
    return it == events.end() ? nullptr : &*it;
}

TEST(UploadReceiver, KeepsThePartsResultsForItsChunks)
{
    const Bytes bitmap = Bitmap(1000);
    const Bytes reply = UploadReply(bitmap);
    UploadReceiver receiver;

    // The header chunk: 6A and 500 bytes of the bitmap leave the bar at 0.
    EXPECT_EQ(receiver.Feed(Slice(reply, 0, 501)), (std::vector<UploadEvent>{{Kind::UploadStarted, 1000, {}}}));
    EXPECT_EQ(receiver.UploadSize(), 1000);
    EXPECT_EQ(receiver.UploadReceived(), 500);

    EXPECT_EQ(receiver.Feed(Slice(reply, 501, 250)), (std::vector<UploadEvent>{{Kind::UploadProgress, 75, {}}}));

    const auto last = receiver.Feed(Slice(reply, 751, 250));
    EXPECT_EQ(last, (std::vector<UploadEvent>{{Kind::UploadProgress, 100, {}}, {Kind::UploadComplete, 1000, bitmap}}));
    EXPECT_FALSE(receiver.IsUploading());
    EXPECT_EQ(receiver.UploadSize(), -1);
    EXPECT_EQ(receiver.UploadReceived(), -1);
}

TEST(UploadReceiver, ReassemblesWhateverTheChunkSize)
{
    const Bytes bitmap = Bitmap(3000);
    const Bytes reply = UploadReply(bitmap);
    for (std::size_t chunk : {1u, 2u, 3u, 5u, 6u, 7u, 8u, 64u, 1023u, 1024u, 3001u}) {
        UploadReceiver receiver;
        const auto events = FeedInChunks(receiver, reply, chunk);

        ASSERT_FALSE(events.empty()) << "chunk " << chunk;
        EXPECT_EQ(events.front(), (UploadEvent{Kind::UploadStarted, 3000, {}})) << "chunk " << chunk;
        EXPECT_EQ(events.back(), (UploadEvent{Kind::UploadComplete, 3000, bitmap})) << "chunk " << chunk;
        EXPECT_EQ(std::count_if(events.begin(), events.end(),
                                [](const UploadEvent& e) { return e.kind != Kind::UploadProgress; }),
                  2)
            << "chunk " << chunk;

        std::uint64_t previous = 0;
        for (const UploadEvent& event : events) {
            if (event.kind != Kind::UploadProgress)
                continue;
            EXPECT_GE(event.value, std::max<std::uint64_t>(previous, 1)) << "chunk " << chunk;
            EXPECT_LE(event.value, 100u) << "chunk " << chunk;
            previous = event.value;
        }
        EXPECT_EQ(previous, 100u) << "chunk " << chunk;
        EXPECT_FALSE(receiver.IsUploading());
    }
}

TEST(UploadReceiver, HeaderChunkCarryingTheWholeBitmapCompletesAtOnce)
{
    const Bytes bitmap = Bitmap(200);
    UploadReceiver receiver;
    EXPECT_EQ(KindsOf(receiver.Feed(UploadReply(bitmap))),
              (std::vector<Kind>{Kind::UploadStarted, Kind::UploadProgress, Kind::UploadComplete}));
    EXPECT_FALSE(receiver.IsUploading());
}

TEST(UploadReceiver, ChunkBelowOnePercentReportsNoProgress)
{
    const Bytes reply = UploadReply(Bitmap(100000));
    UploadReceiver receiver;
    receiver.Feed(Slice(reply, 0, 7));
    EXPECT_TRUE(receiver.Feed(Slice(reply, 7, 1)).empty());
    EXPECT_EQ(receiver.Feed(Slice(reply, 8, 1000)), (std::vector<UploadEvent>{{Kind::UploadProgress, 1, {}}}));
}

TEST(UploadReceiver, EmptySlotReplyInAnyPieces)
{
    for (std::size_t chunk : {1u, 2u, 3u}) {
        UploadReceiver receiver;
        const auto events = FeedInChunks(receiver, {0x6A, 0x00, 0x00}, chunk);
        EXPECT_EQ(events, (std::vector<UploadEvent>{{Kind::EmptySlot, 0, {}}})) << "chunk " << chunk;
    }

    UploadReceiver receiver;
    const auto other = receiver.Feed(Bytes{0x6A, 0x00, 0x01});
    EXPECT_EQ(Find(other, Kind::EmptySlot), nullptr);
    EXPECT_EQ(other, (std::vector<UploadEvent>{{Kind::BytesDropped, 3, {}}}));
}

TEST(UploadReceiver, EraseAcknowledgementAndStrayBytes)
{
    UploadReceiver receiver;
    EXPECT_EQ(receiver.Feed(Bytes{0x0D}), (std::vector<UploadEvent>{{Kind::EraseAcknowledged, 0, {}}}));
    EXPECT_EQ(receiver.Feed(Bytes{0x41}), (std::vector<UploadEvent>{{Kind::BytesDropped, 1, {}}}));
    // A marker that begins no reply gives way to what follows it.
    EXPECT_EQ(KindsOf(receiver.Feed(Bytes{0x6A, 0x0D})), (std::vector<Kind>{Kind::EraseAcknowledged, Kind::BytesDropped}));

    const Bytes reply = UploadReply(Bitmap(50));
    Bytes doubled{0x6A};
    doubled.insert(doubled.end(), reply.begin(), reply.end());
    const auto events = FeedInChunks(receiver, doubled, 1);
    ASSERT_NE(Find(events, Kind::UploadComplete), nullptr);
    EXPECT_EQ(Find(events, Kind::UploadComplete)->bitmap, Bitmap(50));
}

TEST(UploadReceiver, EraseByteInsideAnUploadIsBitmapData)
{
    Bytes bitmap = Bitmap(20);
    bitmap[10] = 0x0D;
    UploadReceiver receiver;
    const auto events = FeedInChunks(receiver, UploadReply(bitmap), 1);
    EXPECT_EQ(Find(events, Kind::EraseAcknowledged), nullptr);
    ASSERT_NE(Find(events, Kind::UploadComplete), nullptr);
    EXPECT_EQ(Find(events, Kind::UploadComplete)->bitmap, bitmap);
}

TEST(UploadReceiver, BytesBeyondTheAnnouncedSizeAreNeverStored)
{
    const Bytes bitmap = Bitmap(300);
    Bytes reply = UploadReply(bitmap);
    reply.insert(reply.end(), 16, 0xA5);

    for (std::size_t chunk : {1u, 100u, 1024u}) {
        UploadReceiver receiver;
        const auto events = FeedInChunks(receiver, reply, chunk);
        ASSERT_NE(Find(events, Kind::UploadComplete), nullptr) << "chunk " << chunk;
        EXPECT_EQ(Find(events, Kind::UploadComplete)->bitmap, bitmap) << "chunk " << chunk;
        std::uint64_t dropped = 0;
        for (const UploadEvent& event : events)
            if (event.kind == Kind::BytesDropped)
                dropped += event.value;
        EXPECT_EQ(dropped, 16u) << "chunk " << chunk;
        EXPECT_FALSE(receiver.IsUploading());
    }
}

TEST(UploadReceiver, SizesTooSmallForABitmapAreNoUpload)
{
    for (std::uint32_t size : {0u, 1u, 5u}) {
        UploadReceiver receiver;
        Bytes reply{0x6A, 0x42, 0x4D};
        for (std::size_t i = 0; i < 4; ++i)
            reply.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
        reply.insert(reply.end(), {0x11, 0x22});
        const auto events = receiver.Feed(reply);
        EXPECT_EQ(events, (std::vector<UploadEvent>{{Kind::UploadRefused, size, {}}, {Kind::BytesDropped, 9, {}}}))
            << "size " << size;
        EXPECT_FALSE(receiver.IsUploading());
    }

    // Six bytes are exactly "BM" and the size: a bitmap with nothing more.
    UploadReceiver receiver;
    const auto events = receiver.Feed(UploadReply(Bitmap(6)));
    ASSERT_NE(Find(events, Kind::UploadComplete), nullptr);
    EXPECT_EQ(Find(events, Kind::UploadComplete)->bitmap.size(), 6u);
}

TEST(UploadReceiver, AnnouncedSizeUsesAllFourBytes)
{
    UploadReceiver receiver;
    const auto events = receiver.Feed(Bytes{0x6A, 0x42, 0x4D, 0x04, 0x03, 0x02, 0x01});
    EXPECT_EQ(events, (std::vector<UploadEvent>{{Kind::UploadStarted, 0x01020304, {}}}));
    EXPECT_EQ(receiver.UploadSize(), 0x01020304);

    const Bytes bitmap = Bitmap(70000);
    UploadReceiver large;
    const auto all = FeedInChunks(large, UploadReply(bitmap), 1024);
    EXPECT_EQ(all.front(), (UploadEvent{Kind::UploadStarted, 70000, {}}));
    EXPECT_EQ(all.back().bitmap, bitmap);
}

TEST(UploadReceiver, RefusesSizesOver256Mebibytes)
{
    UploadReceiver receiver;
    const auto refused = receiver.Feed(Bytes{0x6A, 0x42, 0x4D, 0x01, 0x00, 0x00, 0x10});
    EXPECT_EQ(KindsOf(refused), (std::vector<Kind>{Kind::UploadRefused, Kind::BytesDropped}));
    EXPECT_EQ(refused.front().value, 0x10000001u);
    EXPECT_FALSE(receiver.IsUploading());

    // Exactly 256 MiB is still taken, without reserving it all up front.
    EXPECT_EQ(KindsOf(receiver.Feed(Bytes{0x6A, 0x42, 0x4D, 0x00, 0x00, 0x00, 0x10})),
              (std::vector<Kind>{Kind::UploadStarted}));
    EXPECT_TRUE(receiver.IsUploading());
}

TEST(UploadReceiver, PercentageOfLargeUploadsDoesNotOverflow)
{
    // 25,000,000 x 100 does not fit 32 bits.
    const std::uint32_t size = 30'000'000;
    UploadReceiver receiver;
    receiver.Feed(Bytes{0x6A, 0x42, 0x4D, static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                        static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)});
    const Bytes block(25'000'000 - 6, 0x00);
    EXPECT_EQ(receiver.Feed(block), (std::vector<UploadEvent>{{Kind::UploadProgress, 83, {}}}));
}

TEST(UploadReceiver, ResetDropsTheUploadAndAHalfReceivedHeader)
{
    const Bytes reply = UploadReply(Bitmap(100));
    UploadReceiver receiver;
    receiver.Feed(Slice(reply, 0, 50));
    ASSERT_TRUE(receiver.IsUploading());
    receiver.Reset();
    EXPECT_FALSE(receiver.IsUploading());
    EXPECT_EQ(receiver.Feed(Slice(reply, 50, 51)), (std::vector<UploadEvent>{{Kind::BytesDropped, 51, {}}}));

    receiver.Feed(Bytes{0x6A, 0x00});
    receiver.Reset();
    EXPECT_EQ(receiver.Feed(Bytes{0x00}), (std::vector<UploadEvent>{{Kind::BytesDropped, 1, {}}}));
}

}  // namespace
