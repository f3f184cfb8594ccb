#pragma once

#include "bmp_picture.h"
#include "picture/picture_test_support.h"
#include "spawn_process.h"

#include <chrono>
#include <csignal>
#include <sys/wait.h>

using Dots = std::vector<std::uint8_t>;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string ReadWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each test runs vellumio-cli in a fresh folder of its own, removed
// afterwards, which also holds the settings, so that no run reads the user's.
class CliTest : public ::testing::Test {
protected:
    CliTest()
    {
        ::setenv("XDG_CONFIG_HOME", File("config").c_str(), 1);
        ::setenv("HOME", m_scratch.c_str(), 1);
    }

    std::string File(const std::string& name) const { return m_dir.Path(name); }

    // Runs vellumio-cli with `args`, no shell involved. A run that outlasts
    // `limit` is killed and fails the test, so that a hang shows as such.
    CliRun Run(std::vector<std::string> args, std::chrono::milliseconds limit = std::chrono::seconds(15))
    {
        args.insert(args.begin(), VELLUMIO_CLI_EXECUTABLE);
        const pid_t pid = SpawnProcess(args, {{STDOUT_FILENO, File("cli.out")}, {STDERR_FILENO, File("cli.err")}});
        if (pid < 0) {
            ADD_FAILURE() << "cannot start " << args[0];
            return {};
        }
        if (!WaitForProcessEnd(pid, limit)) {
            ::kill(pid, SIGKILL);
            ADD_FAILURE() << "vellumio-cli did not finish within " << limit.count() << " ms";
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return {exitCode, ReadWholeFile(File("cli.out")), ReadWholeFile(File("cli.err"))};
    }

    const picture_test::ScratchDir m_dir;
    const std::filesystem::path m_scratch = m_dir.root;
};

// Black first and last columns keep every writer from dropping white
// margins; rows that all differ let no turned or shifted picture pass.
inline Dots FramedDots(std::uint32_t width, std::uint32_t height)
{
    const std::uint32_t rowBytes = CPicture::BytesPerRow(width);
    Dots bits(static_cast<std::size_t>(rowBytes) * height);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            if (x == 0 || x + 1 == width || (x * 7 + y * 3) % 5 == 0 || x == y % width)
                bits[y * rowBytes + x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
    return bits;
}

// Writes a BMP file of FramedDots at `path` and gives the path back.
inline std::string WriteFramedBmp(const std::string& path, std::uint32_t width, std::uint32_t height)
{
    picture_test::WriteFile(path, BuildBmpFileImage(width, height, FramedDots(width, height)));
    return path;
}

// The dots of a file read by the probing open; the test fails if it cannot.
inline Dots ReadDots(const std::string& path)
{
    const OpenedPicture opened = OpenPictureFile(path);
    if (!opened.picture) {
        ADD_FAILURE() << path << ": " << opened.message;
        return {};
    }
    return picture_test::BitsOf(*opened.picture);
}
