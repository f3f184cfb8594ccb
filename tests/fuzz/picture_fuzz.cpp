// One libFuzzer target per picture format: the input is a file image, parsed
// and decoded as received bytes are; whatever decodes is written back by the
// format's writer under TMPDIR, where a memory file system spares the syncs.

#include "logo_picture.h"
#include "picture_factory.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

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

// A folder of the run's own for the file written back, removed at its end.
struct Scratch {
    std::filesystem::path folder;
    Scratch()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vellumio-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        folder = pattern;
    }
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

const std::string& WriteBackPath()
{
    static const Scratch scratch;
    static const std::string path = (scratch.folder / "written").string();
    return path;
}

// The document's save: a writer of the format, handed the decoded dots.
void WriteBack(const CPicture& decoded)
{
    const auto writer = CreatePicture(kFormat, WriteBackPath());
    std::string message;
    if (writer->OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message) != PR_OK)
        std::abort();
    writer->SetBits(decoded.GetBits());
    std::uint32_t width = decoded.GetWidth();
    std::uint32_t height = decoded.GetHeight();
    const PictureResult written = writer->Write(width, height, message);
    if (kFormat != PT_LOGO || (written != PR_OK && written != PR_ADJUSTED))
        return;

    // A logo download sends what BuildFileImage makes; it must be the file's bytes.
    CLogoPicture builder("");
    builder.SetBits(decoded.GetBits());
    std::uint32_t buildWidth = decoded.GetWidth();
    std::uint32_t buildHeight = decoded.GetHeight();
    std::vector<std::uint8_t> image;
    std::uint32_t count = 0;
    const PictureResult built = builder.BuildFileImage(buildWidth, buildHeight, message, image, count);
    std::ifstream file(WriteBackPath(), std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (built != written || buildWidth != width || buildHeight != height || count != image.size() || image != bytes)
        std::abort();
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
    if (picture->Parse(message) != PR_OK || picture->GetWidth() != width || picture->GetHeight() != height)
        std::abort();

    const std::uint64_t dotBytes = DotBufferBytes(width, height);
    if (dotBytes > kMaxDecodeBytes && dotBytes <= kMaxPictureBufferBytes)
        return 0;
    if (!picture->Decode(message))
        return 0;
    if (picture->GetBits().size() != dotBytes)
        std::abort();
    if (PictureWeight(width, (height + kBandRows - 1) / kBandRows * kBandRows) <= kMaxWriteBackWeight)
        WriteBack(*picture);
    return 0;
}
