#include "cli_test_support.h"

#include <cstdlib>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

namespace fs = std::filesystem;

class CliFailure : public CliTest {
protected:
    void SetUp() override
    {
        ::setenv("XDG_CONFIG_HOME", File("config").c_str(), 1);
        WriteFramedBmp(m_in, 16, 8);
        ASSERT_EQ(::mkfifo(File("fifo").c_str(), 0600), 0);
        // Copies of /dev/null and /dev/full, so that no real node is at stake.
        if (::mknod(File("null").c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0 ||
            ::mknod(m_full.c_str(), S_IFCHR | 0600, makedev(1, 7)) != 0)
            GTEST_SKIP() << "no device nodes can be made here";
    }

    // What waits on a descriptor opened without blocking.
    static std::string Drain(int fd)
    {
        std::string bytes(4096, '\0');
        bytes.resize(static_cast<std::size_t>(std::max<ssize_t>(::read(fd, bytes.data(), bytes.size()), 0)));
        return bytes;
    }

    std::string m_in = File("in.bmp");
    std::string m_full = File("full");
};

// A link is followed and its file replaced, what is no file is written as it
// stands, and a name of 254 characters leaves room for the temporary one.
TEST_F(CliFailure, OutputLinksAreFollowedAndNonFilesWrittenInPlace)
{
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

// Each failure keeps the program's message and adds the system's reason below
// it; a FIFO is refused at once instead of waiting for a writer.
TEST_F(CliFailure, MessagesCarryTheSystemsReason)
{
    const std::string missing = File("missing");
    const struct { std::vector<std::string> args; int exitCode; std::string err; } cases[] = {
        {{"info", File("fifo")}, 1, "Error - File Open : " + File("fifo") + "\n"},
        {{"info", missing}, 1, "Error - File Open : " + missing + "\nNo such file or directory\n"},
        {{"convert", m_in, m_full, "--type", "0"}, 1, "Error - File Write\nNo space left on device\n"},
        {{"erase", "--port", missing}, 1, "Communication broken (" + missing + ")\nNo such file or directory\n"},
        {{"print", "-1", "--port", missing}, 2, "vellumio-cli print: SLOT must be a whole number from 0 to 255"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const CliRun run = Run(c.args, std::chrono::seconds(5));
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.starts_with(c.err)) << run.err;
    }
    EXPECT_EQ(fs::symlink_status(m_full).type(), fs::file_type::character);

    // The run's standard output is the copy of /dev/full.
    const pid_t pid = SpawnProcess({VELLUMIO_CLI_EXECUTABLE, "info", m_in}, {{1, m_full}, {2, File("err")}});
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadWholeFile(File("err")), "Error - File Write\nNo space left on device\n");
}

// A printer that leaves the first question unanswered is asked nothing more;
// what the command sent is read back from a terminal that never answers.
TEST_F(CliFailure, MemoryQuestionsStopAtTheFirstUnanswered)
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
        EXPECT_EQ(Run(args).exitCode, 1);
        EXPECT_EQ(Drain(printer), c.sent);
    }
    ::close(held);
    ::close(printer);
}

}  // namespace
