#include "cli_test_support.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kWidth = 16;
constexpr std::uint32_t kHeight = 24;
const std::string kConvertUsage =
    "usage: vellumio-cli convert IN OUT --type T [--width W] [--height H] [--offset-x X] [--offset-y Y]\n";

class CliCommands : public CliTest {
protected:
    void SetUp() override { WriteFramedBmp(m_in, kWidth, kHeight); }

    // A FIFO and copies of /dev/null and /dev/full, so that no real node is at stake.
    bool MakeNodes()
    {
        return ::mkfifo(File("fifo").c_str(), 0600) == 0 &&
               ::mknod(File("null").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0 &&
               ::mknod(m_full.c_str(), S_IFCHR | 0600, makedev(1, 7)) == 0;
    }

    // What waits on a descriptor opened without blocking.
    static std::string Drain(int fd)
    {
        std::string bytes(4096, '\0');
        bytes.resize(static_cast<std::size_t>(std::max<ssize_t>(::read(fd, bytes.data(), bytes.size()), 0)));
        return bytes;
    }

    std::string m_in = File("in.bmp");
    std::string m_out = File("out.bmp");
    std::string m_full = File("full");
};

// Refused arguments print the usage (or what is wrong), exit with 2 and write
// nothing; a printer command is refused before the missing port is opened.
TEST_F(CliCommands, ArgumentsAreCheckedAtTheLimitsOfTheirRanges)
{
    const std::string missing = File("missing");
    const struct {
        std::vector<std::string> args;
        std::string err;  // empty where the arguments are taken
    } cases[] = {
        {{"transmogrify"}, "usage: vellumio-cli COMMAND"},
        {{"info", m_in, m_in}, "usage: vellumio-cli info FILE\n"},
        {{"convert", m_in, m_out, "extra", "--type", "0"}, kConvertUsage},
        {{"convert", m_in, m_out, "--type", "5"}, kConvertUsage},
        {{"convert", m_in, m_out, "--type", "0", "--width", "1001"}, kConvertUsage},
        {{"convert", m_in, m_out, "--type", "0", "--height", "4294967304"}, kConvertUsage},  // 8 in 32 bits
        {{"convert", m_in, m_out, "--type", "0", "--offset-x", "2147483648"}, kConvertUsage},
        {{"download", "256", m_in, "--port", missing}, "usage: vellumio-cli download"},
        {{"print", "-1", "--port", missing}, "vellumio-cli print: SLOT must be a whole number from 0 to 255"},
        {{"print", "1", "--size", "4", "--port", missing}, "usage: vellumio-cli print"},
        {{"erase", "--baud", "1200", "--port", missing}, "usage: vellumio-cli erase"},
        {{"erase", "--read-timeout", "0", "--port", missing}, "usage: vellumio-cli erase"},
        {{"set-memory", "--port", missing}, "usage: vellumio-cli set-memory"},
        {{"convert", "--help"}, ""},
        {{"convert", m_in, m_out, "--type", "0", "--width", "1000", "--height", "0"}, ""},
        {{"convert", m_in, m_out, "--type=0", "--width=+7", "--offset-x", "-2147483648", "--offset-y=2147483647"}, ""},
        {{"convert", "--type", "0", "--", m_in, File("--out.bmp")}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const CliRun run = Run(c.args);
        EXPECT_EQ(run.exitCode, c.err.empty() ? 0 : 2);
        if (!c.err.empty()) {
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
            EXPECT_FALSE(fs::exists(m_out));
        }
    }
    EXPECT_TRUE(fs::exists(File("--out.bmp")));
}

// A type goes by its number or any spelling of its name; info describes the
// file written. The cut and the shift reach the picture. (The dots each
// format keeps: tests/picture/picture_formats_test.cpp.)
TEST_F(CliCommands, ConvertWritesEveryTypeByNumberOrNameAndInfoDescribesIt)
{
    const struct {
        std::string typeArgument;
        PictureType type;
    } cases[] = {
        {"0", PT_BITMAP}, {"Epson Gfx", PT_EPSON_GFX}, {"2", PT_LOGO}, {"raster_gfx", PT_RASTER_GFX},
        {"raster-gfx_EXT", PT_RASTER_GFX_EXT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typeArgument);
        const CliRun run = Run({"convert", m_in, m_out, "--type", c.typeArgument});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out + run.err, "");
        EXPECT_EQ(Run({"info", m_out}).out, "type: " + std::string(PictureTypeName(c.type)) +
                                                "\nwidth: 16\nheight: 24\nsize: " +
                                                std::to_string(fs::file_size(m_out)) + "\n");
    }
    const std::vector<std::string> cut{"convert", m_in, m_out, "--type=0", "--width=8", "--height=5",
                                       "--offset-x=-3", "--offset-y=2"};
    ASSERT_EQ(Run(cut).exitCode, 0);
    // Output dot (x, y) is input dot (x - 3, y + 2).
    Dots expected;
    for (std::uint32_t y = 0; y < 5; ++y)
        expected.push_back(FramedDots(kWidth, kHeight)[(y + 2) * 2] >> 3);
    EXPECT_EQ(ReadDots(m_out), expected);
}

// Sizes a format cannot take are rounded and said so. Each failure keeps the
// program's message, adds the system's reason below it and leaves no output;
// a FIFO is refused at once instead of waiting for a writer.
TEST_F(CliCommands, MessagesAndExitStatus)
{
    if (!MakeNodes())
        GTEST_SKIP() << "no device nodes can be made here";
    const std::string missing = File("missing");
    std::ofstream(File("unknown.bin")) << "hello";
    const std::string unwritable = File("no-such-folder/out.bmp");
    const std::string noSuchFile = "\nNo such file or directory\n";
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    } cases[] = {
        {{"convert", m_in, File("b.log"), "--type", "LOGO", "--width", "10", "--height", "20"}, 0,
         "Picture Width & Height have been adjusted to be compatible with selected output format\n"},
        {{"info", File("fifo")}, 1, "Error - File Open : " + File("fifo") + "\n"},
        {{"info", File("unknown.bin")}, 1, "Picture type not supported.\n"},
        {{"info", missing}, 1, "Error - File Open : " + missing + noSuchFile},
        {{"convert", missing, m_out, "--type", "0"}, 1, "Error - File Open : " + missing + noSuchFile},
        {{"convert", m_in, unwritable, "--type", "0"}, 1, "Error - File Open : " + unwritable + noSuchFile},
        {{"convert", m_in, m_full, "--type", "0"}, 1, "Error - File Write\nNo space left on device\n"},
        {{"erase", "--port", missing}, 1, "Communication broken (" + missing + ")" + noSuchFile},
        // COM999 lies past the end of the serial ports.
        {{"erase", "--port", "COM999"}, 1, "Communication broken (COM999)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const CliRun run = Run(c.args, std::chrono::seconds(5));
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out + run.err, c.message);
    }
    EXPECT_FALSE(fs::exists(m_out));
    EXPECT_EQ(fs::symlink_status(m_full).type(), fs::file_type::character);

    // The run's standard output is the copy of /dev/full.
    const pid_t pid = SpawnProcess({VELLUMIO_CLI_EXECUTABLE, "info", m_in}, {{1, m_full}, {2, File("err")}});
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadWholeFile(File("err")), "Error - File Write\nNo space left on device\n");
}

// A link is followed and its file replaced, what is no file is written as it
// stands, and a name of 254 characters leaves room for the temporary one.
TEST_F(CliCommands, OutputLinksAreFollowedAndNonFilesWrittenInPlace)
{
    if (!MakeNodes())
        GTEST_SKIP() << "no device nodes can be made here";
    const std::string longName = File(std::string(254, 'n'));
    fs::create_directory(File("real"));
    fs::create_symlink("real/old.bmp", File("link.bmp"));
    std::ofstream(File("real/old.bmp")) << "old";
    const int reader = ::open(File("fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const struct { std::string out; fs::file_type kind; } cases[] = {
        {longName, fs::file_type::regular}, {File("link.bmp"), fs::file_type::symlink},
        {File("fifo"), fs::file_type::fifo}, {File("null"), fs::file_type::character},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        EXPECT_EQ(Run({"convert", m_in, c.out, "--type", "0"}).exitCode, 0);
        EXPECT_EQ(fs::symlink_status(c.out).type(), c.kind);
    }
    EXPECT_EQ(ReadWholeFile(File("real/old.bmp")), ReadWholeFile(longName));
    EXPECT_EQ(Drain(reader), ReadWholeFile(longName));
    ::close(reader);
}

// A printer that leaves the first question unanswered is asked nothing more
// and the command fails; what it sent is read back from a terminal that never
// answers.
TEST_F(CliCommands, MemoryQuestionsStopAtTheFirstUnanswered)
{
    const int printer = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_TRUE(printer >= 0 && ::grantpt(printer) == 0 && ::unlockpt(printer) == 0);
    const std::string port = ::ptsname(printer);
    const int held = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);  // no hang-up between runs
    const struct { std::vector<std::string> args; std::string sent; } cases[] = {
        {{"memory", "--protocol-level", "1"}, "\x1D\x0B"},
        {{"set-memory", "64", "--protocol-level", "0"}, std::string("\x1D\x22\x55\x01\x00", 5)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--port", port, "--read-timeout", "100"});
        const CliRun run = Run(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.ends_with("The command has not been sent, there is communication failure.\n")) << run.err;
        EXPECT_EQ(Drain(printer), c.sent);
    }
    ::close(held);
    ::close(printer);
}

}  // namespace
