#include "raster_gfx_picture.h"

#include "byte_reader.h"

#include <algorithm>
#include <string_view>

namespace {

// Every row of the file is this command followed by the row's bytes.
constexpr std::uint8_t kRowCommand = 0x11;
// The longest row length the search for the second command considers.
constexpr std::size_t kMaxRowLength = 128;

constexpr std::string_view kNotRasterGraphics = "Error - File Format is not Raster Graphics (11)";

// The first position holding the command at which the file divides into
// equal rows; rows after the first are not examined.
std::optional<std::size_t> FindRowLength(const ByteReader& reader)
{
    for (std::size_t p = 1; p <= kMaxRowLength && p < reader.Size(); ++p)
        if (reader.U8(p) == kRowCommand && reader.Size() % p == 0)
            return p;
    return std::nullopt;
}

}  // namespace

CRasterGfxPicture::CRasterGfxPicture(std::string fileName) : CPicture(std::move(fileName), PT_RASTER_GFX) {}

PictureResult CRasterGfxPicture::Parse(std::string& message)
{
    if (!m_pFileImage)
        return PR_NO_IMAGE;
    const ByteReader reader(*m_pFileImage);
    if (reader.U8(0) != kRowCommand) {
        message = kNotRasterGraphics;
        return PR_WRONG_FORMAT;
    }
    const auto rowLength = FindRowLength(reader);
    if (!rowLength) {
        message = kNotRasterGraphics;
        return PR_INVALID;
    }
    m_nWidth = static_cast<std::uint32_t>(*rowLength - 1) * 8;
    m_nHeight = static_cast<std::uint32_t>(reader.Size() / *rowLength);
    return PR_OK;
}

bool CRasterGfxPicture::Decode(std::string& message)
{
    if (!AllocateBits(DotBufferBytes(m_nWidth, m_nHeight), message))
        return false;

    const ByteReader reader(GetFileImage());
    const std::size_t rowBytes = BytesPerRow(m_nWidth);
    const std::size_t rowLength = rowBytes + 1;
    auto& bits = *m_pBits;
    // Rows without dots (row length 1) have nothing to copy, however many there are.
    for (std::uint32_t r = 0; rowBytes != 0 && r < m_nHeight; ++r) {
        const auto row = reader.Bytes(r * rowLength + 1, rowBytes);
        if (row)
            std::copy(row->begin(), row->end(), bits.begin() + static_cast<std::ptrdiff_t>(r * rowBytes));
    }

    ReleaseSource();
    return true;
}

PictureResult CRasterGfxPicture::Write(std::uint32_t& width, std::uint32_t& height, std::string& message)
{
    const std::uint32_t rowBytes = BytesPerRow(width);
    const std::uint64_t rowLength = std::uint64_t{rowBytes} + 1;
    const std::uint64_t size = rowLength * height;
    // A single row beyond the limit is refused even in an empty picture,
    // which also keeps the rounded width within 32 bits.
    if (rowLength > kMaxPictureBufferBytes || !AllocateFileImage(size, message)) {
        message = picture_messages::kMemoryAllocation;
        return PR_NO_MEMORY;
    }
    m_nWidth = 8 * rowBytes;
    m_nHeight = height;
    m_nSize = static_cast<std::uint32_t>(size);

    // Dots beyond the requested width go out as they stand; rows missing
    // from a short dot buffer are white.
    const auto bits = GetBits();
    auto& image = *m_pFileImage;
    for (std::uint32_t r = 0; r < height; ++r) {
        const std::size_t rowAt = static_cast<std::size_t>(r * rowLength);
        image[rowAt] = kRowCommand;
        const std::size_t sourceAt = static_cast<std::size_t>(r) * rowBytes;
        if (sourceAt >= bits.size())
            continue;
        const auto source = bits.subspan(sourceAt, std::min<std::size_t>(rowBytes, bits.size() - sourceAt));
        std::copy(source.begin(), source.end(), image.begin() + static_cast<std::ptrdiff_t>(rowAt + 1));
    }

    const PictureResult written = WriteFileImage(message);
    if (written != PR_OK)
        return written;
    return ReportRounding(width, height, picture_messages::kWidthAdjusted, message);
}
