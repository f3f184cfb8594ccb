#pragma once

#include "picture_file.h"
#include "picture_types.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class FileAccess { Read, Write };
enum class FileDisposition { OpenExisting, CreateAlways };

// No buffer a picture holds may grow beyond this: a header that claims a huge
// picture is refused as an allocation failure before anything is allocated.
// A convert holds two dot buffers and a file image, so this keeps it under
// 300 MB, and still admits a 2040-dot-wide picture 33 m long at 8 dots/mm.
inline constexpr std::uint64_t kMaxPictureBufferBytes = 64ull * 1024 * 1024;

// A black-and-white dot matrix with the file it was read from or is written
// to. Rows run from the top, BytesPerRow(width) bytes each, most significant
// bit leftmost, 1 = black.
class CPicture {
public:
    virtual ~CPicture();
    CPicture(const CPicture&) = delete;
    CPicture& operator=(const CPicture&) = delete;

    virtual bool Decode(std::string& message) = 0;
    virtual PictureResult Parse(std::string& message) = 0;
    virtual PictureResult Write(std::uint32_t& width, std::uint32_t& height, std::string& message) = 0;

    PictureResult OpenFile(FileAccess access, FileDisposition disposition, std::string& message);

    static std::uint32_t BytesPerRow(std::uint32_t dots);
    static std::uint32_t DwordsPerRow(std::uint32_t dots);

    // Rows of srcBits beyond its length count as white, so a short source
    // can never be read past its end.
    PictureResult CropFrom(std::uint32_t srcWidth, std::uint32_t srcHeight, std::int32_t offsetX,
                           std::int32_t offsetY, std::uint32_t width, std::uint32_t height,
                           std::span<const std::uint8_t> srcBits, std::string& message);

    // Both copy `data` first, so it may be the picture's own buffer.
    void SetBits(std::span<const std::uint8_t> data);
    // Hands the dot buffer over without copying it; the picture has none
    // until it gets one back.
    std::optional<std::vector<std::uint8_t>> TakeBits() { return std::exchange(m_pBits, std::nullopt); }
    void AdoptBits(std::optional<std::vector<std::uint8_t>> bits) { m_pBits = std::move(bits); }
    std::uint32_t SetFileImage(std::span<const std::uint8_t> data);

    const std::string& GetFileName() const { return m_strFileName; }
    // The name a later save writes under; the picture's own file is not touched.
    void SetFileName(std::string fileName) { m_strFileName = std::move(fileName); }
    std::uint32_t GetWidth() const { return m_nWidth; }
    std::uint32_t GetHeight() const { return m_nHeight; }
    std::int32_t GetOffsetX() const { return m_nOffsetX; }
    std::int32_t GetOffsetY() const { return m_nOffsetY; }
    std::uint32_t GetHeaderOffset() const { return m_nHeaderOffset; }
    std::uint32_t GetSize() const { return m_nSize; }
    PictureType GetType() const { return m_nType; }
    bool IsFileOpen() const { return m_hFile != nullptr; }
    // The system's error number behind the last failed OpenFile or write; 0
    // when the program refused by itself.
    int GetSystemError() const { return m_nSystemError; }
    bool HasBits() const { return m_pBits.has_value(); }
    bool HasFileImage() const { return m_pFileImage.has_value(); }
    std::span<const std::uint8_t> GetBits() const;
    std::span<const std::uint8_t> GetFileImage() const;

protected:
    CPicture(std::string fileName, PictureType type);

    // Zero-filled; false with "Error - Memory Allocation" when the size is
    // over the limit or the allocation fails.
    bool AllocateBits(std::uint64_t size, std::string& message);
    bool AllocateFileImage(std::uint64_t size, std::string& message);
    // Takes a file image that a writer built in a growing buffer.
    bool AdoptFileImage(std::vector<std::uint8_t>&& image, std::string& message);

    // Decode's last step: closes the file and drops the file image.
    void ReleaseSource();
    // Write's last step: one write of the whole file image, then the file is
    // closed and the image dropped. PR_OK or PR_WRITE_FAILED.
    PictureResult WriteFileImage(std::string& message);
    // A format's size rules have left the size written in m_nWidth and
    // m_nHeight: hands it back and reports it with the format's text when it
    // differs from the size asked for.
    PictureResult ReportRounding(std::uint32_t& width, std::uint32_t& height, std::string_view adjusted,
                                 std::string& message) const;

    std::unique_ptr<PictureFile> m_hFile;
    std::string m_strFileName;
    std::optional<std::vector<std::uint8_t>> m_pFileImage;
    std::optional<std::vector<std::uint8_t>> m_pBits;
    std::uint32_t m_nWidth = 0;
    std::uint32_t m_nHeight = 0;
    std::int32_t m_nOffsetX = 0;
    std::int32_t m_nOffsetY = 0;
    std::uint32_t m_nHeaderOffset = 0;
    std::uint32_t m_nSize = 0;
    int m_nSystemError = 0;
    PictureType m_nType;
};

// The dot buffer size of a decoded picture, in 64 bits so that no header
// value can wrap it around.
inline std::uint64_t DotBufferBytes(std::uint32_t width, std::uint32_t height)
{
    return static_cast<std::uint64_t>(CPicture::BytesPerRow(width)) * height;
}

// Keeps the leftmost width mod 8 dots of a row's last byte: the bits past
// the width are no dots, whatever a buffer holds there.
inline std::uint8_t LastByteMask(std::uint32_t width)
{
    const std::uint32_t used = width % 8;
    return used == 0 ? 0xFF : static_cast<std::uint8_t>(0xFF << (8 - used));
}

// What a written picture weighs against kMaxPictureBufferBytes: its dots and
// one byte more a row, as a RASTER GFX file holds them. Rows count even
// without dots, since the stream formats spend bytes and time on each; their
// writers refuse a picture over the limit, so that what they write reads back
// within it.
inline std::uint64_t PictureWeight(std::uint32_t width, std::uint64_t height)
{
    return (static_cast<std::uint64_t>(CPicture::BytesPerRow(width)) + 1) * height;
}
