// Decode and encode time of every picture format on square logo-like pictures.
// Decoding starts from the file's bytes in memory; encoding is the whole save,
// including the write of the file under the system's temporary folder.

#include "logo_picture.h"
#include "picture_factory.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kSizes[] = {1000, 2040};

// A ring, a band of slanted strokes and a checkered corner: white margins,
// repeated rows and busy rows, as a real logo has.
Bytes LogoDots(std::uint32_t size)
{
    const std::uint32_t rowBytes = CPicture::BytesPerRow(size);
    Bytes bits(static_cast<std::size_t>(rowBytes) * size, 0);
    const double centre = size / 2.0;
    for (std::uint32_t y = 0; y < size; ++y) {
        for (std::uint32_t x = 0; x < size; ++x) {
            const double dx = x - centre;
            const double dy = y - centre;
            const double r2 = (dx * dx + dy * dy) / (size * size);
            const bool ring = r2 > 0.09 && r2 < 0.16;
            const bool strokes = y > size * 45 / 100 && y < size * 55 / 100 && (x / 6 + y / 9) % 4 == 0;
            const bool corner = x < size / 8 && y < size / 8 && (x / 4 + y / 4) % 2 == 0;
            if (ring || strokes || corner)
                bits[static_cast<std::size_t>(y) * rowBytes + x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
        }
    }
    return bits;
}

class Scratch {
public:
    Scratch()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vellumio-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_dir = pattern;
    }
    ~Scratch() { std::filesystem::remove_all(m_dir); }
    std::string File(const std::string& name) const { return (m_dir / name).string(); }

private:
    std::filesystem::path m_dir;
};

const Scratch& ScratchFolder()
{
    static const Scratch scratch;
    return scratch;
}

bool Save(PictureType type, const std::string& path, std::uint32_t size, const Bytes& dots, std::string& message)
{
    const auto writer = CreatePicture(type, path);
    if (writer->OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message) != PR_OK)
        return false;
    writer->SetBits(dots);
    std::uint32_t width = size;
    std::uint32_t height = size;
    const PictureResult written = writer->Write(width, height, message);
    return written == PR_OK || written == PR_ADJUSTED;
}

void Decode(benchmark::State& state, PictureType type, std::uint32_t size)
{
    const std::string path = ScratchFolder().File("decode");
    std::string message;
    if (!Save(type, path, size, LogoDots(size), message)) {
        state.SkipWithError(message.c_str());
        return;
    }
    std::ifstream in(path, std::ios::binary);
    const Bytes file(std::istreambuf_iterator<char>(in), {});

    for (auto _ : state) {
        const auto picture = CreatePicture(type, "");
        picture->SetFileImage(file);
        if (picture->Parse(message) != PR_OK || !picture->Decode(message)) {
            state.SkipWithError(("cannot read back: " + message).c_str());
            return;
        }
        benchmark::DoNotOptimize(picture->GetBits().data());
    }
    state.counters["file_bytes"] = static_cast<double>(file.size());
    state.SetItemsProcessed(state.iterations() * size * size);
}

void Encode(benchmark::State& state, PictureType type, std::uint32_t size)
{
    const std::string path = ScratchFolder().File("encode");
    const Bytes dots = LogoDots(size);
    std::string message;
    for (auto _ : state) {
        if (!Save(type, path, size, dots, message)) {
            state.SkipWithError(message.c_str());
            return;
        }
    }
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
    state.SetItemsProcessed(state.iterations() * size * size);
}

// The bytes of a logo download, built without any file.
void BuildLogoImage(benchmark::State& state, std::uint32_t size)
{
    const Bytes dots = LogoDots(size);
    std::string message;
    for (auto _ : state) {
        CLogoPicture logo("");
        logo.SetBits(dots);
        std::uint32_t width = size;
        std::uint32_t height = size;
        Bytes image;
        std::uint32_t count = 0;
        if (logo.BuildFileImage(width, height, message, image, count) != PR_OK) {
            state.SkipWithError(message.c_str());
            return;
        }
        benchmark::DoNotOptimize(image.data());
    }
    state.SetItemsProcessed(state.iterations() * size * size);
}

void RegisterAll()
{
    for (std::uint32_t type = 0; type < kPictureTypeCount; ++type) {
        const auto pictureType = static_cast<PictureType>(type);
        const std::string name(PictureTypeName(type));
        for (std::uint32_t size : kSizes) {
            const std::string suffix = "/" + name + "/" + std::to_string(size);
            benchmark::RegisterBenchmark(("decode" + suffix).c_str(), Decode, pictureType, size)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("encode" + suffix).c_str(), Encode, pictureType, size)
                ->Unit(benchmark::kMillisecond);
        }
    }
    for (std::uint32_t size : kSizes)
        benchmark::RegisterBenchmark(("build_logo_image/" + std::to_string(size)).c_str(), BuildLogoImage, size)
            ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv)
{
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
