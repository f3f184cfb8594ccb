#pragma once

#include "byte_writer.h"
#include "picture_factory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace picture_test {

using Bytes = std::vector<std::uint8_t>;

inline constexpr const char* kNoMemory = "Error - Memory Allocation";
inline constexpr const char* kWidthAdjusted =
    "Picture Width has been adjusted to be compatible with selected output format";

// The parts one after another, all of them `times` times.
inline Bytes Concat(std::initializer_list<Bytes> parts, std::size_t times = 1)
{
    Bytes out;
    for (std::size_t i = 0; i < times; ++i)
        for (const Bytes& part : parts)
            out.insert(out.end(), part.begin(), part.end());
    return out;
}

// Fixed by the seed, so that a failure repeats.
inline Bytes Noise(std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes bytes(count);
    for (auto& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    return bytes;
}

inline Bytes BitsOf(const CPicture& picture)
{
    return Bytes(picture.GetBits().begin(), picture.GetBits().end());
}

// Dots set and looked up one at a time, so that expectations never share the
// byte arithmetic of the code under test.
struct DotMatrix {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    Bytes bits;

    static DotMatrix White(std::uint32_t width, std::uint32_t height)
    {
        return {width, height, Bytes(DotBufferBytes(width, height))};
    }
    static DotMatrix Of(const CPicture& picture) { return {picture.GetWidth(), picture.GetHeight(), BitsOf(picture)}; }
    // White but for the dots given as (x, y).
    static Bytes Dots(std::uint32_t width, std::uint32_t height,
                      std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> at)
    {
        DotMatrix dots = White(width, height);
        for (const auto& [x, y] : at)
            dots.Set(x, y);
        return dots.bits;
    }

    void Set(std::uint32_t x, std::uint32_t y) { bits[At(x, y)] |= Mask(x); }
    // Dots outside the picture or its buffer read as white.
    bool Get(std::uint64_t x, std::uint64_t y) const
    {
        return x < width && y < height && At(x, y) < bits.size() && (bits[At(x, y)] & Mask(x)) != 0;
    }
    // The dots of the given size from the top left, white beyond this picture.
    DotMatrix Cropped(std::uint32_t toWidth, std::uint32_t toHeight) const
    {
        DotMatrix out = White(toWidth, toHeight);
        for (std::uint32_t y = 0; y < toHeight; ++y)
            for (std::uint32_t x = 0; x < toWidth; ++x)
                if (Get(x, y))
                    out.Set(x, y);
        return out;
    }
    // Without the bits beyond the width, which carry no meaning.
    DotMatrix Masked() const { return Cropped(width, height); }
    bool operator==(const DotMatrix&) const = default;

private:
    std::size_t At(std::uint64_t x, std::uint64_t y) const
    {
        return static_cast<std::size_t>(y * CPicture::BytesPerRow(width) + x / 8);
    }
    static std::uint8_t Mask(std::uint64_t x) { return static_cast<std::uint8_t>(0x80u >> (x % 8)); }
};

inline Bytes ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A folder of its own, removed with everything in it.
struct ScratchDir {
    ScratchDir() : root(std::filesystem::temp_directory_path() / "vellumio-picture-XXXXXX")
    {
        std::string pattern = root.string();
        EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string Path(const std::string& name) const { return (root / name).string(); }

    std::filesystem::path root;
};

// The picture is decoded when the result is PR_OK; PR_NO_MEMORY means that
// Decode refused.
struct Decoded { PictureResult result; std::string message; std::unique_ptr<CPicture> picture; };

// Reads bytes as received bytes are read; a recognised image is parsed twice,
// as the document does, before it is decoded.
inline Decoded DecodeBytes(PictureType type, const Bytes& image)
{
    Decoded out{PR_NO_IMAGE, {}, CreatePicture(type, "")};
    out.picture->SetFileImage(image);
    out.result = out.picture->Parse(out.message);
    if (out.result == PR_OK) {
        EXPECT_EQ(out.picture->Parse(out.message), PR_OK);
        if (!out.picture->Decode(out.message))
            out.result = PR_NO_MEMORY;
    }
    return out;
}

// The file as the save left it; empty when nothing reached the disk.
struct Written { PictureResult result; std::uint32_t width, height; std::string message; Bytes file; };

// Saves dots as the document does: open for writing, SetBits, Write; to a
// folder of its own unless a path is given.
inline Written WriteBits(PictureType type, const Bytes& bits, std::uint32_t width, std::uint32_t height,
                         std::string path = {})
{
    const ScratchDir dir;
    if (path.empty())
        path = dir.Path("out");
    const auto picture = CreatePicture(type, path);
    Written out{PR_OK, width, height, {}, {}};
    out.result = picture->OpenFile(FileAccess::Write, FileDisposition::CreateAlways, out.message);
    if (out.result != PR_OK)
        return out;
    picture->SetBits(bits);
    out.result = picture->Write(out.width, out.height, out.message);
    out.file = ReadFile(path);
    return out;
}

// Bytes a format must refuse, with the result and message it gives. A header
// may claim any size: one too large to hold is refused before anything is
// allocated, as PR_NO_MEMORY.
struct Refusal { const char* what; Bytes bytes; PictureResult result; std::string message; };

inline void ExpectRefused(PictureType type, const std::vector<Refusal>& cases)
{
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded decoded = DecodeBytes(type, c.bytes);
        EXPECT_EQ(decoded.result, c.result);
        EXPECT_EQ(decoded.message, c.message);
    }
}

// Bytes a format reads, with the picture they give.
struct Reading { const char* what; Bytes bytes; std::uint32_t width, height; Bytes dots; };

inline void ExpectRead(PictureType type, const std::vector<Reading>& cases)
{
    for (const Reading& c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded decoded = DecodeBytes(type, c.bytes);
        ASSERT_EQ(decoded.result, PR_OK) << decoded.message;
        EXPECT_EQ(decoded.picture->GetWidth(), c.width);
        EXPECT_EQ(decoded.picture->GetHeight(), c.height);
        EXPECT_EQ(BitsOf(*decoded.picture), c.dots);
    }
}

// The multiples a format raises the written width and height to, and what it
// says when it does.
struct SizeRule { std::uint32_t widthStep, heightStep; const char* message; };

// Dots to write, with the file they must give.
struct Writing { const char* what; std::uint32_t width, height; Bytes bits, file; };

inline void ExpectWritten(PictureType type, const SizeRule& rule, const std::vector<Writing>& cases)
{
    for (const Writing& c : cases) {
        SCOPED_TRACE(c.what);
        const Written written = WriteBits(type, c.bits, c.width, c.height);
        // In 64 bits, so that it cannot wrap.
        const auto roundedUp = [](std::uint64_t value, std::uint32_t step) { return (value + step - 1) / step * step; };
        const std::uint64_t width = roundedUp(c.width, rule.widthStep);
        const std::uint64_t height = roundedUp(c.height, rule.heightStep);
        const bool adjusted = width != c.width || height != c.height;
        EXPECT_EQ(written.result, adjusted ? PR_ADJUSTED : PR_OK);
        EXPECT_EQ(written.message, adjusted ? rule.message : "");
        EXPECT_EQ(written.width, width);
        EXPECT_EQ(written.height, height);
        EXPECT_EQ(written.file, c.file);
    }
}

// A one-bit bitmap put together field by field, independently of the writer.
struct BmpFile {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bitsPerPixel = 1;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;
    std::uint32_t palette0 = 0x00FFFFFF;
    std::uint32_t palette1 = 0x00000000;
    Bytes storedRows{};         // bottom row first, each padded to 4 bytes
    std::uint32_t gap = 0;      // bytes between the palette and the rows
    std::uint32_t pixelAt = 0;  // the pixel-offset field; 0: where the rows are

    Bytes Build() const
    {
        const std::uint32_t rowsAt = 14 + headerSize + 8 + gap;
        Bytes bytes = {'B', 'M'};
        for (std::uint32_t field : {rowsAt + static_cast<std::uint32_t>(storedRows.size()), 0u,
                                    pixelAt != 0 ? pixelAt : rowsAt, headerSize, width, height})
            AppendLe32(bytes, field);
        AppendLe16(bytes, 1);
        AppendLe16(bytes, bitsPerPixel);
        AppendLe32(bytes, compression);
        bytes.resize(14 + headerSize, 0);
        AppendLe32(bytes, palette0);
        AppendLe32(bytes, palette1);
        bytes.resize(rowsAt, 0xEE);
        bytes.insert(bytes.end(), storedRows.begin(), storedRows.end());
        return bytes;
    }
};

}  // namespace picture_test
