#include "printer_test_support.h"

#include "download_image.h"
#include "picture_factory.h"

#include <QSettings>
#include <QString>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Where QSettings keeps the store "QUORIX"/"Vellumio" under a configuration
// folder on this platform.
constexpr const char* kStoreFile = "QUORIX/Vellumio.conf";

}  // namespace

void PrinterCliTest::SetUp()
{
    const std::filesystem::path config = m_scratch.Path() / "config";
    std::filesystem::create_directories(config);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::setenv("HOME", m_scratch.Path().c_str(), 1);
    ::unsetenv("VELLUMIO_SERIAL_PORTS");
    ::unsetenv("VELLUMIO_PARALLEL_PORTS");
}

void PrinterCliTest::TearDown()
{
    m_printer.reset();
}

void PrinterCliTest::StartPrinter(const std::vector<std::string>& options)
{
    m_printer = std::make_unique<PrinterProcess>(options);
    ASSERT_TRUE(m_printer->Started()) << m_printer->Error();
}

CliRun PrinterCliTest::Run(const std::vector<std::string>& args, std::chrono::milliseconds limit)
{
    const std::string outPath = m_scratch.File("cli.stdout");
    const std::string errPath = m_scratch.File("cli.stderr");
    std::vector<std::string> argv = {VELLUMIO_CLI_EXECUTABLE};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argp;
    for (std::string& arg : argv)
        argp.push_back(arg.data());
    argp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    CliRun run;
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << argp[0];
        return run;
    }

    const Clock::time_point deadline = Clock::now() + limit;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "vellumio-cli did not finish within " << limit.count() << " ms";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    run.out = ReadWholeFile(outPath);
    run.err = ReadWholeFile(errPath);
    return run;
}

CliRun PrinterCliTest::RunOnPrinter(std::vector<std::string> args, std::chrono::milliseconds limit)
{
    args.push_back("--port");
    args.push_back(Port());
    return Run(args, limit);
}

void PrinterCliTest::StoreSettings(const CommSettings& settings)
{
    const std::filesystem::path file = m_scratch.Path() / "config" / kStoreFile;
    QSettings store(QString::fromStdString(file.string()), QSettings::IniFormat);
    settings.SaveSettings(store);
    ASSERT_EQ(store.status(), QSettings::NoError);
}

std::vector<std::uint8_t> PatternDots(std::uint32_t width, std::uint32_t height)
{
    const std::uint32_t rowBytes = CPicture::BytesPerRow(width);
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(rowBytes) * height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            if ((x * 7 + y * 3) % 5 == 0 || x == y)
                bits[y * rowBytes + x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
        }
    }
    return bits;
}

std::vector<std::uint8_t> CroppedDots(std::uint32_t srcWidth, std::uint32_t srcHeight,
                                      const std::vector<std::uint8_t>& bits, std::int32_t offsetX,
                                      std::int32_t offsetY, std::uint32_t width, std::uint32_t height)
{
    const auto picture = CreatePicture(PT_BITMAP, "");
    std::string message;
    EXPECT_EQ(picture->CropFrom(srcWidth, srcHeight, offsetX, offsetY, width, height, bits, message), PR_OK);
    const auto cropped = picture->GetBits().first(DotBufferBytes(width, height));
    return {cropped.begin(), cropped.end()};
}

std::string ChecksumLine(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& bits)
{
    const auto picture = CreatePicture(PT_LOGO, "");
    std::string message;
    EXPECT_EQ(picture->CropFrom(width, height, 0, 0, width, height, bits, message), PR_OK);
    const DownloadImage built = BuildDownloadImage(picture.get());
    EXPECT_TRUE(built.image.has_value());
    char line[32];
    const std::uint16_t checksum = DownloadChecksum(built.image.value_or(std::vector<std::uint8_t>{}));
    std::snprintf(line, sizeof line, "checksum: %04X\n", checksum);
    return line;
}

std::optional<PbmSize> WaitForPbm(const std::filesystem::path& path, std::chrono::milliseconds timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    while (!std::filesystem::exists(path)) {
        if (Clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    PbmSize size;
    if (!(in >> magic >> size.width >> size.height) || magic != "P4")
        return std::nullopt;
    return size;
}
