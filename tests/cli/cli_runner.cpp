#include "cli_runner.h"

#include "picture_factory.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

CliRun RunCli(const std::vector<std::string>& args, const std::filesystem::path& scratch)
{
    const std::string outPath = (scratch / "cli.stdout").string();
    const std::string errPath = (scratch / "cli.stderr").string();

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
    const int spawned = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), environ);
    posix_spawn_file_actions_destroy(&actions);

    CliRun run;
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << argp[0];
        return run;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    else
        ADD_FAILURE() << "vellumio-cli did not exit normally (status " << status << ")";
    run.out = ReadWholeFile(outPath);
    run.err = ReadWholeFile(errPath);
    return run;
}

ScratchDir::ScratchDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vellumio-cli-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a scratch folder");
    m_path = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void WritePictureFile(PictureType type, const std::string& path, std::uint32_t width, std::uint32_t height,
                      const std::vector<std::uint8_t>& bits)
{
    const auto writer = CreatePicture(type, path);
    std::string message;
    ASSERT_EQ(writer->OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message), PR_OK) << message;
    writer->SetBits(bits);
    const PictureResult written = writer->Write(width, height, message);
    ASSERT_TRUE(written == PR_OK || written == PR_ADJUSTED) << message;
}

ReadBack ReadPictureFile(const std::string& path)
{
    const OpenedPicture opened = OpenPictureFile(path);
    if (!opened.picture) {
        ADD_FAILURE() << path << ": " << opened.message;
        return {};
    }
    const auto bits = opened.picture->GetBits();
    return {opened.picture->GetType(), opened.picture->GetWidth(), opened.picture->GetHeight(),
            std::vector<std::uint8_t>(bits.begin(), bits.end())};
}

std::string ReadWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteWholeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
