#include "virtual_printer.h"

#include <gtest/gtest.h>

namespace {

// The commands are written out here as a host sends them, byte for byte.
using Bytes = VirtualPrinter::Bytes;

// A download image of columns x 8 by rows x 8 dots, every dot byte `fill`.
Bytes Logo(std::uint8_t columns, std::uint8_t rows, std::uint8_t fill)
{
    Bytes image{0x1D, 0x2A, columns, rows};
    image.resize(image.size() + std::size_t{8} * columns * rows, fill);
    return image;
}

// The bytes of every reply to `command`.
Bytes Answer(VirtualPrinter& printer, const Bytes& command)
{
    Bytes bytes;
    for (const PrinterAnswer& reply : printer.Feed(command))
        bytes.insert(bytes.end(), reply.bytes.begin(), reply.bytes.end());
    return bytes;
}

TEST(VirtualPrinter, SlotsAreKeptApartAndAnswerTheirChecksum)
{
    // 1D + 2A + 02 + 01 + 16 x 5A = 0x05EA, so the checksum is 0xFA16.
    const Bytes image = Logo(2, 1, 0x5A);
    for (const std::uint8_t slot : {0, 255}) {
        SCOPED_TRACE(int{slot});
        const std::uint8_t other = slot == 0 ? 1 : 0;
        VirtualPrinter printer;
        EXPECT_TRUE(printer.Feed(Bytes{0x1D, 0x23, slot}).empty());
        EXPECT_TRUE(printer.Feed(image).empty());
        EXPECT_EQ(printer.Slot(slot), image);
        EXPECT_EQ(Answer(printer, Bytes{0x1F, 0x65, slot}), (Bytes{0x65, 0x01, 0x16, 0xFA}));
        EXPECT_EQ(Answer(printer, Bytes{0x1F, 0x65, other}), (Bytes{0x65, 0x00, 0x00, 0x00}));
    }
}

TEST(VirtualPrinter, TakesCommandsInPiecesOfAnySize)
{
    Bytes stream{0x1D, 0x23, 0x07};
    for (const Bytes& part : {Logo(2, 1, 0x5A), Bytes{0x1F, 0x65, 0x07}, Bytes{0x1D, 0x0B}})
        stream.insert(stream.end(), part.begin(), part.end());
    const auto expected = VirtualPrinter().Feed(stream);
    ASSERT_EQ(expected.size(), 2u);
    for (const std::size_t piece : {1u, 2u, 3u, 5u}) {
        VirtualPrinter printer;
        std::vector<PrinterAnswer> replies;
        for (std::size_t at = 0; at < stream.size(); at += piece)
            for (PrinterAnswer& reply : printer.Feed(std::span(stream).subspan(at, std::min(piece, stream.size() - at))))
                replies.push_back(std::move(reply));
        EXPECT_EQ(replies, expected) << "piece " << piece;
    }
}

TEST(VirtualPrinter, SkipsBytesThatBeginNoCommand)
{
    VirtualPrinter printer;
    // Noise, a prefix that another prefix cuts short, and an erase with the wrong argument.
    EXPECT_TRUE(printer.Feed(Bytes{0x00, 0x41, 0x1D, 0x1D, 0x23, 0x09, 0x1D, 0x40, 0x32, 0x1F, 0x99}).empty());
    EXPECT_EQ(printer.SelectedSlot(), 9);
    EXPECT_EQ(Answer(printer, Bytes{0x1F, 0x1D, 0x0B}), (Bytes{0x14}));
}

TEST(VirtualPrinter, LogoMemoryBoundsWhatIsStored)
{
    VirtualPrinter printer({.totalMemoryKbytes = 1280, .logoMemoryKbytes = 512});
    printer.Feed(Bytes{0x1D, 0x23, 0x01});
    printer.Feed(Logo(2, 1, 0x5A));
    EXPECT_EQ(Answer(printer, Bytes{0x1F, 0x77, 0x01}), (Bytes{'5', '2', '4', '2', '6', '8', 0, 0}));

    // A refused size (21 units of 64 kbytes) changes nothing; an accepted one (15) re-formats the area.
    EXPECT_EQ(Answer(printer, Bytes{0x1D, 0x22, 0x55, 0x15, 0x00}), (Bytes{0x15}));
    EXPECT_TRUE(printer.Slot(1).has_value());
    EXPECT_EQ(Answer(printer, Bytes{0x1D, 0x22, 0x55, 0x0F, 0x00}), (Bytes{0x06}));
    EXPECT_EQ(Answer(printer, Bytes{0x1F, 0x07, 0x55}), (Bytes{0x07, 0x0F, 0x55}));
    EXPECT_FALSE(printer.Slot(1).has_value());

    // 2040 x 2040 dots take 520204 bytes: more than 448 kbytes, less than 512.
    for (const auto& [kbytes, stored] : {std::pair{448u, false}, std::pair{512u, true}}) {
        VirtualPrinter sized({.totalMemoryKbytes = 1280, .logoMemoryKbytes = kbytes});
        sized.Feed(Bytes{0x1D, 0x23, 0x02});
        sized.Feed(Logo(255, 255, 0x55));
        EXPECT_EQ(sized.Slot(2).has_value(), stored) << kbytes;
    }
}

}  // namespace
