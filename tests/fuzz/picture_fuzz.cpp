// One libFuzzer target per picture format: the input is a file image, parsed
// and decoded as received bytes are; whatever decodes is written back by the
// format's writer under TMPDIR, where a memory file system spares the syncs.

#include "picture_factory.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

// The format under test, chosen by the target's build.
constexpr PictureType kFormat = VELLUMIO_FUZZ_TYPE;

// Pictures between this many dot bytes and the refusal limit only run the
// same code for longer (a few input bytes can claim megabytes), so they are
// skipped; those beyond the limit are decoded, to be refused.
constexpr std::uint64_t kMaxDecodeBytes = 4u << 10;

// Writing back costs a file per input, and the writers spend time on every
// row, the EPSON writer on bands of 24; small pictures reach every branch.
constexpr std::uint64_t kMaxWriteBackWeight = 1u << 10;
constexpr std::uint64_t kBandRows = 24;

// A fault the sanitizers cannot see ends the run as a crash would.
void Require(bool holds)
{
    if (!holds)
        std::abort();
}

// The file written back, in a folder of the run's own removed at its end.
struct Scratch {
    std::filesystem::path folder;
    std::string file;
    Scratch()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vellumio-fuzz-XXXXXX").string();
        Require(::mkdtemp(pattern.data()) != nullptr);
        folder = pattern;
        file = (folder / "written").string();
    }
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

// The document's save: a writer of the format, handed the decoded dots.
void WriteBack(const CPicture& decoded)
{
    static const Scratch scratch;
    const auto writer = CreatePicture(kFormat, scratch.file);
    std::string message;
    Require(writer->OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message) == PR_OK);
    writer->SetBits(decoded.GetBits());
    std::uint32_t width = decoded.GetWidth();
    std::uint32_t height = decoded.GetHeight();
    writer->Write(width, height, message);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto picture = CreatePicture(kFormat, "");
    picture->SetFileImage(std::span<const std::uint8_t>(data, size));
    std::string message;
    if (picture->Parse(message) != PR_OK)
        return 0;

    // The document parses a recognised file twice; both answers must agree.
    const std::uint32_t width = picture->GetWidth();
    const std::uint32_t height = picture->GetHeight();
    Require(picture->Parse(message) == PR_OK && picture->GetWidth() == width && picture->GetHeight() == height);

    const std::uint64_t dotBytes = DotBufferBytes(width, height);
    if (dotBytes > kMaxDecodeBytes && dotBytes <= kMaxPictureBufferBytes)
        return 0;
    if (!picture->Decode(message))
        return 0;
    Require(picture->GetBits().size() == dotBytes);
    if (PictureWeight(width, (height + kBandRows - 1) / kBandRows * kBandRows) <= kMaxWriteBackWeight)
        WriteBack(*picture);
    return 0;
}
