#include "bmp_picture.h"

#include "byte_reader.h"
#include "byte_writer.h"

#include <algorithm>
#include <new>
#include <string_view>

namespace {

constexpr std::uint8_t kSignature0 = 'B';
constexpr std::uint8_t kSignature1 = 'M';

// Field positions in the file and information headers.
constexpr std::size_t kPixelOffsetField = 10;
constexpr std::size_t kInfoHeaderSizeField = 14;
constexpr std::size_t kWidthField = 18;
constexpr std::size_t kHeightField = 22;
constexpr std::size_t kBitsPerPixelField = 28;
constexpr std::size_t kCompressionField = 30;

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kClassicPaletteAt = kFileHeaderSize + kInfoHeaderSize;
constexpr std::uint32_t kPaletteEntryBytes = 4;
constexpr std::uint32_t kClassicRowsAt = kClassicPaletteAt + 2 * kPaletteEntryBytes;

constexpr std::uint16_t kPlanes = 1;
constexpr std::uint16_t kBitsPerPixel = 1;
constexpr std::uint32_t kNoCompression = 0;
constexpr std::uint32_t kDotsPerMetre = 8000;
constexpr std::uint32_t kColoursUsed = 2;
// Blue, green, red, reserved, read as one little-endian number.
constexpr std::uint32_t kPaletteWhite = 0x00FFFFFF;
constexpr std::uint32_t kPaletteBlack = 0x00000000;

constexpr std::uint32_t kTopDownFlag = 0x80000000;

constexpr std::string_view kNotBmp = "Error - File Format is not BMP";
constexpr std::string_view kNotMonochrome = "Error - Bmp File is not monochrome";
constexpr std::string_view kCompressionNotSupported = "Error - Bmp File Compression not supported";
constexpr std::string_view kTruncated = "Error - Bmp File is truncated";
constexpr std::string_view kTopDown = "Error - Bmp File is stored top-down, not supported";

std::uint64_t StoredRowBytes(std::uint32_t width)
{
    return 4ull * CPicture::DwordsPerRow(width);
}

struct BmpLayout {
    std::uint64_t paletteAt;
    std::uint64_t rowsAt;
};

// The 40-byte header this program writes (and anything shorter) is read at
// fixed positions whatever the pixel-offset field says. Longer headers
// (V4, V5) push the palette back and only the pixel-offset field tells
// where the rows begin.
BmpLayout LocateData(const ByteReader& reader)
{
    const std::uint32_t headerSize = reader.Le32(kInfoHeaderSizeField).value_or(kInfoHeaderSize);
    if (headerSize <= kInfoHeaderSize)
        return {kClassicPaletteAt, kClassicRowsAt};
    return {std::uint64_t{kFileHeaderSize} + headerSize, reader.Le32(kPixelOffsetField).value_or(0)};
}

PictureResult Refuse(std::string& message, std::string_view text, PictureResult result)
{
    message = text;
    return result;
}

}  // namespace

CBmpPicture::CBmpPicture(std::string fileName) : CPicture(std::move(fileName), PT_BITMAP) {}

PictureResult CBmpPicture::Parse(std::string& message)
{
    if (!m_pFileImage)
        return PR_NO_IMAGE;
    const ByteReader reader(*m_pFileImage);
    if (reader.U8(0) != kSignature0 || reader.U8(1) != kSignature1)
        return Refuse(message, kNotBmp, PR_WRONG_FORMAT);

    const auto bitsPerPixel = reader.U8(kBitsPerPixelField);
    if (!bitsPerPixel)
        return Refuse(message, kTruncated, PR_INVALID);
    if (*bitsPerPixel != kBitsPerPixel)
        return Refuse(message, kNotMonochrome, PR_INVALID);
    const auto compression = reader.U8(kCompressionField);
    if (!compression)
        return Refuse(message, kTruncated, PR_INVALID);
    if (*compression != kNoCompression)
        return Refuse(message, kCompressionNotSupported, PR_INVALID);

    const auto width = reader.Le32(kWidthField);
    const auto height = reader.Le32(kHeightField);
    if (!width || !height)
        return Refuse(message, kTruncated, PR_INVALID);
    if ((*height & kTopDownFlag) != 0)
        return Refuse(message, kTopDown, PR_INVALID);

    m_nWidth = *width;
    m_nHeight = *height;
    // A picture too large to hold is refused by Decode as an allocation
    // failure, whatever the file's length, so huge headers all read alike.
    if (DotBufferBytes(m_nWidth, m_nHeight) > kMaxPictureBufferBytes)
        return PR_OK;

    // In 64 bits: the height is below 2^31 here and a stored row below 2^30
    // bytes, so neither product nor sum can wrap.
    const BmpLayout layout = LocateData(reader);
    const std::uint64_t rowsEnd = layout.rowsAt + StoredRowBytes(*width) * *height;
    const std::uint64_t paletteEnd = layout.paletteAt + 2 * kPaletteEntryBytes;
    if (std::max(rowsEnd, paletteEnd) > reader.Size())
        return Refuse(message, kTruncated, PR_INVALID);
    return PR_OK;
}

bool CBmpPicture::Decode(std::string& message)
{
    if (!AllocateBits(DotBufferBytes(m_nWidth, m_nHeight), message))
        return false;

    const ByteReader reader(GetFileImage());
    const BmpLayout layout = LocateData(reader);
    const auto entry0 = reader.Le32(static_cast<std::size_t>(layout.paletteAt));
    const auto entry1 = reader.Le32(static_cast<std::size_t>(layout.paletteAt + kPaletteEntryBytes));
    // A darker entry 0 (the usual black-then-white palette) means a 0 bit is
    // black, so the bytes are complemented to make black a 1.
    const std::uint8_t flip = entry0 && entry1 && *entry0 < *entry1 ? 0xFF : 0x00;

    const std::size_t rowBytes = BytesPerRow(m_nWidth);
    const std::uint64_t storedRow = StoredRowBytes(m_nWidth);
    const std::uint8_t lastMask = LastByteMask(m_nWidth);
    const std::span<std::uint8_t> bits(*m_pBits);
    // A picture without columns has nothing to copy, however many rows it claims.
    for (std::uint32_t y = 0; rowBytes != 0 && y < m_nHeight; ++y) {
        const std::uint64_t storedAt = layout.rowsAt + storedRow * (m_nHeight - 1 - y);
        const auto stored = reader.Bytes(static_cast<std::size_t>(storedAt), rowBytes);
        if (!stored)
            continue;
        const auto row = bits.subspan(y * rowBytes, rowBytes);
        std::transform(stored->begin(), stored->end(), row.begin(),
                       [flip](std::uint8_t byte) { return static_cast<std::uint8_t>(byte ^ flip); });
        row.back() &= lastMask;
    }

    ReleaseSource();
    return true;
}

PictureResult CBmpPicture::Write(std::uint32_t& width, std::uint32_t& height, std::string& message)
{
    m_nWidth = width;
    m_nHeight = height;
    std::vector<std::uint8_t> image;
    try {
        image = BuildBmpFileImage(width, height, GetBits());
    } catch (const std::bad_alloc&) {
        image.clear();
    }
    if (image.empty()) {
        message = picture_messages::kMemoryAllocation;
        return PR_NO_MEMORY;
    }
    if (!AdoptFileImage(std::move(image), message))
        return PR_NO_MEMORY;
    return WriteFileImage(message);
}

std::vector<std::uint8_t> BuildBmpFileImage(std::uint32_t width, std::uint32_t height,
                                            std::span<const std::uint8_t> bits)
{
    const std::uint64_t storedRow = StoredRowBytes(width);
    const std::uint64_t pixelBytes = storedRow * height;
    const std::uint64_t fileSize = kClassicRowsAt + pixelBytes;
    if (fileSize > kMaxPictureBufferBytes)
        return {};

    std::vector<std::uint8_t> image;
    image.reserve(static_cast<std::size_t>(fileSize));
    image.push_back(kSignature0);
    image.push_back(kSignature1);
    AppendLe32(image, static_cast<std::uint32_t>(fileSize));
    AppendLe16(image, 0);
    AppendLe16(image, 0);
    AppendLe32(image, kClassicRowsAt);
    AppendLe32(image, kInfoHeaderSize);
    AppendLe32(image, width);
    AppendLe32(image, height);
    AppendLe16(image, kPlanes);
    AppendLe16(image, kBitsPerPixel);
    AppendLe32(image, kNoCompression);
    AppendLe32(image, static_cast<std::uint32_t>(pixelBytes));
    AppendLe32(image, kDotsPerMetre);
    AppendLe32(image, kDotsPerMetre);
    AppendLe32(image, kColoursUsed);
    AppendLe32(image, kColoursUsed);
    AppendLe32(image, kPaletteWhite);
    AppendLe32(image, kPaletteBlack);
    image.resize(static_cast<std::size_t>(fileSize), 0);

    // Dots are stored as they stand, bits beyond the width included: entry 1
    // of the palette is black, like a 1 in the dot buffer.
    const std::size_t rowBytes = CPicture::BytesPerRow(width);
    for (std::uint32_t r = 0; rowBytes != 0 && r < height; ++r) {
        const std::size_t sourceAt = static_cast<std::size_t>(height - 1 - r) * rowBytes;
        if (sourceAt >= bits.size())
            continue;
        const auto source = bits.subspan(sourceAt, std::min(rowBytes, bits.size() - sourceAt));
        const std::size_t storedAt = kClassicRowsAt + static_cast<std::size_t>(r * storedRow);
        std::copy(source.begin(), source.end(), image.begin() + static_cast<std::ptrdiff_t>(storedAt));
    }
    return image;
}
