#include "line_pacer.h"
#include "paper_tray.h"
#include "printed_logo.h"
#include "printer_process.h"
#include "sim_options.h"
#include "virtual_printer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <tuple>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
// The commands are written out here as a host sends them, byte for byte.
using Bytes = VirtualPrinter::Bytes;

// A download image of columns x 8 by rows x 8 dots, every dot byte `fill`.
Bytes Logo(std::uint8_t columns, std::uint8_t rows, std::uint8_t fill)
{
    Bytes image{0x1D, 0x2A, columns, rows};
    image.resize(image.size() + std::size_t{8} * columns * rows, fill);
    return image;
}

// Commands and the answers they get in turn, the whole stream fed at once and
// in pieces of one to five bytes, to a printer of 1280 KB with 512 for logos.
TEST(VirtualPrinter, AnswersEachCommandWhateverThePieces)
{
    const Bytes stored{0x65, 0x01, 0x16, 0xFA};  // 1D + 2A + 02 + 01 + 16 x 5A = 0x05EA
    const Bytes empty{0x65, 0x00, 0x00, 0x00};
    const struct {
        Bytes command;
        Bytes answer;
    } steps[] = {
        {{0x1D, 0x23, 0xFF}, {}},
        {Logo(2, 1, 0x5A), {}},
        {{0x1F, 0x65, 0xFF}, stored},
        {{0x1F, 0x65, 0x00}, empty},
        {{0x1F, 0x77, 0x01}, {'5', '2', '4', '2', '6', '8', 0, 0}},
        // Noise, a prefix that another prefix cuts short, and an erase with the wrong argument.
        {{0x00, 0x41, 0x1D, 0x1D, 0x23, 0x09, 0x1D, 0x40, 0x32, 0x1F, 0x99}, {}},
        {{0x1F, 0x1D, 0x0B}, {0x14}},
        // A refused size (21 units of 64 KB) changes nothing; an accepted one (15) re-formats the area.
        {{0x1D, 0x22, 0x55, 0x15, 0x00}, {0x15}},
        {{0x1F, 0x65, 0xFF}, stored},
        {{0x1D, 0x22, 0x55, 0x0F, 0x00}, {0x06}},
        {{0x1F, 0x07, 0x55}, {0x07, 0x0F, 0x55}},
        {{0x1F, 0x65, 0xFF}, empty},
    };
    Bytes stream;
    Bytes expected;
    for (const auto& step : steps) {
        stream.insert(stream.end(), step.command.begin(), step.command.end());
        expected.insert(expected.end(), step.answer.begin(), step.answer.end());
    }
    for (const std::size_t piece : {stream.size(), std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{5}}) {
        SCOPED_TRACE(::testing::Message() << "pieces of " << piece);
        VirtualPrinter printer;
        Bytes answers;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            const auto part = std::span(stream).subspan(at, std::min(piece, stream.size() - at));
            for (const PrinterAnswer& reply : printer.Feed(part))
                answers.insert(answers.end(), reply.bytes.begin(), reply.bytes.end());
        }
        EXPECT_EQ(answers, expected);
        EXPECT_EQ(printer.SelectedSlot(), 9);
    }
}

// 2040 x 2040 dots take 520204 bytes: more than 448 KB, less than 512.
TEST(VirtualPrinter, LogoMemoryBoundsWhatIsStored)
{
    for (const auto& [kbytes, stored] : {std::pair{448u, false}, std::pair{512u, true}}) {
        VirtualPrinter printer({.totalMemoryKbytes = 1280, .logoMemoryKbytes = kbytes});
        printer.Feed(Bytes{0x1D, 0x23, 0x02});
        printer.Feed(Logo(255, 255, 0x55));
        EXPECT_EQ(printer.Slot(2).has_value(), stored) << kbytes;
    }
}

// Print size bytes: 1 doubles the width, 2 the height, 3 both; five dots
// wide become ten, across a byte boundary.
TEST(PrintedLogo, SizeModesRepeatDotsAndRows)
{
    const Bytes rows{0xA8, 0x50};  // X.X.X over .X.X.
    const PrintedLogo both = ScaleForPrint(7, 5, 2, rows, 3);
    EXPECT_EQ(std::tuple(int{both.slot}, both.width, both.height), std::tuple(7, 10u, 4u));
    EXPECT_EQ(both.rows, (Bytes{0xCC, 0xC0, 0xCC, 0xC0, 0x33, 0x00, 0x33, 0x00}));
    EXPECT_EQ(ScaleForPrint(0, 5, 2, rows, 1).rows, (Bytes{0xCC, 0xC0, 0x33, 0x00}));
    EXPECT_EQ(ScaleForPrint(0, 5, 2, rows, 2).rows, (Bytes{0xA8, 0xA8, 0x50, 0x50}));
}

// A print is a PBM file named by slot and count (the count as the end-to-end
// runs check); a tray whose folder is gone reports the print as failed.
TEST(PaperTray, APbmFilePerPrint)
{
    const auto folder = std::filesystem::temp_directory_path() / ("vellumio-tray-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    PaperTray tray(folder);
    const PrintedLogo logo = ScaleForPrint(7, 3, 2, Bytes{0xA0, 0x40}, 0);
    const auto printed = tray.Print(logo);
    ASSERT_TRUE(printed);
    EXPECT_EQ(printed->filename(), "logo-7-1.pbm");
    std::ifstream in(*printed, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "P4\n3 2\n\xA0\x40");

    std::filesystem::remove_all(folder);
    EXPECT_FALSE(tray.Print(logo).has_value());
}

const LinePacer::Clock::time_point kStart = LinePacer::Clock::time_point{} + 100s;

TEST(LinePacer, EachByteTakesTenBitTimesAndQueuedPiecesFollowWithoutTheWaitersDelay)
{
    EXPECT_EQ(LinePacer(0).Carry(1'000'000, kStart, true), kStart);
    EXPECT_EQ(LinePacer(115200).PieceSize(), 23u);  // about 2 ms of line time
    EXPECT_EQ(LinePacer(300).PieceSize(), 1u);

    LinePacer pacer(9600);  // 1.041666 ms a byte
    EXPECT_EQ(pacer.Carry(3, kStart, false), kStart + 3125us);
    // Looked at a little late, but the bytes were already waiting.
    EXPECT_EQ(pacer.Carry(3, kStart + 3500us, true), kStart + 6250us);
    // Bytes handed over after a pause start then, and wait while the line is busy.
    EXPECT_EQ(pacer.Carry(3, kStart + 50ms, false), kStart + 53125us);
    EXPECT_EQ(pacer.Carry(3, kStart + 51ms, false), kStart + 56250us);
}

TEST(SimOptions, RefusesWhatItCannotTake)
{
    for (const auto& args : std::vector<std::vector<std::string_view>>{
             {"--baud"}, {"--baud", "0"}, {"--baud", "96OO"}, {"--hangup-after", "-1"}, {"--total-memory", "100"},
             {"--total-memory", "16384"}, {"--logo-memory", "1344"}, {"--link"}, {"--frobnicate"}}) {
        std::string error;
        EXPECT_FALSE(ParseSimOptions(args, error).has_value()) << args.front();
        EXPECT_FALSE(error.empty());
    }
}

// The line options reach the terminal: a reply takes at least its line time
// and comes one byte at a time when asked. A stop takes the link along.
TEST(VirtualPrinterProgram, PacesAndSplitsRepliesAsAskedAndTakesItsLinkAlongWhenStopped)
{
    PrinterProcess printer({"--baud", "2400", "--byte-by-byte"});
    ASSERT_TRUE(printer.Started()) << printer.Error();
    const int line = ::open(printer.LinkPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(line, 0);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(::write(line, "\x1F\x77\x01", 3), 3);
    std::string reply;
    std::size_t reads = 0;
    pollfd ready{line, POLLIN, 0};
    while (reply.size() < 8 && ::poll(&ready, 1, 3000) > 0) {
        char piece[8];
        const ssize_t got = ::read(line, piece, 8 - reply.size());
        if (got <= 0)
            break;
        reply.append(piece, static_cast<std::size_t>(got));
        ++reads;
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ::close(line);
    EXPECT_EQ(reply, std::string("524288\0\0", 8));
    // 3 bytes there and 8 back, 10 bits each at 2400 baud.
    EXPECT_GE(elapsed, std::chrono::microseconds(11 * 10 * 1'000'000 / 2400));
    // A busy machine may let a reader find two bytes together now and then.
    EXPECT_GE(reads, 5u);

    const auto link = printer.LinkPath();
    EXPECT_EQ(printer.Stop(), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

}  // namespace
