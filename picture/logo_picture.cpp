#include "logo_picture.h"

#include "bit_transpose.h"
#include "byte_reader.h"

#include <new>
#include <string_view>

namespace {

constexpr std::uint8_t kCommand0 = 0x1D;  // GS
constexpr std::uint8_t kCommand1 = 0x2A;  // '*'
// The command must begin within this many leading bytes.
constexpr std::size_t kSearchLimit = 128;
// Command, x and y.
constexpr std::size_t kHeaderBytes = 4;
// x and y are single bytes counting 8 dots each.
constexpr std::uint32_t kMaxDots = 255 * 8;

constexpr std::string_view kNotLogo = "Error - File Format is not Logo (1D 2A)";
constexpr std::string_view kNotValidLogo = "Error - File Format is not valid Logo";
constexpr std::string_view kTooLarge = "Error - Picture too large for LOGO format (at most 2040 x 2040 dots)";

}  // namespace

CLogoPicture::CLogoPicture(std::string fileName) : CPicture(std::move(fileName), PT_LOGO) {}

PictureResult CLogoPicture::Parse(std::string& message)
{
    if (!m_pFileImage)
        return PR_NO_IMAGE;
    const ByteReader reader(*m_pFileImage);
    const auto at = reader.FindPair(kCommand0, kCommand1, kSearchLimit);
    if (!at) {
        message = kNotLogo;
        return PR_WRONG_FORMAT;
    }
    m_nHeaderOffset = static_cast<std::uint32_t>(*at);
    const auto x = reader.U8(*at + 2);
    const auto y = reader.U8(*at + 3);
    if (!x || !y) {
        message = kNotValidLogo;
        return PR_INVALID;
    }
    m_nWidth = 8u * *x;
    m_nHeight = 8u * *y;
    if (!reader.Has(*at + kHeaderBytes, std::size_t{8} * *x * *y)) {
        message = kNotValidLogo;
        return PR_INVALID;
    }
    return PR_OK;
}

bool CLogoPicture::Decode(std::string& message)
{
    if (!AllocateBits(DotBufferBytes(m_nWidth, m_nHeight), message))
        return false;

    // Eight columns by eight rows at a time: the file's column bytes,
    // transposed, are the dot buffer's row bytes.
    const std::size_t columnBytes = m_nHeight / 8;
    const std::size_t rowBytes = BytesPerRow(m_nWidth);
    const ByteReader reader(GetFileImage());
    const auto columns = reader.Bytes(std::size_t{m_nHeaderOffset} + kHeaderBytes, m_nWidth * columnBytes);
    auto& bits = *m_pBits;
    for (std::size_t i = 0; columns && i < rowBytes; ++i) {
        for (std::size_t j = 0; j < columnBytes; ++j) {
            std::uint64_t block = 0;
            for (unsigned k = 0; k < 8; ++k)
                block = WithBlockByte(block, k, (*columns)[(8 * i + k) * columnBytes + j]);
            block = Transpose8x8(block);
            for (unsigned r = 0; r < 8; ++r)
                bits[(8 * j + r) * rowBytes + i] = BlockByte(block, r);
        }
    }

    ReleaseSource();
    return true;
}

PictureResult CLogoPicture::BuildImage(std::uint32_t width, std::uint32_t height, std::string& message)
{
    // x and y cannot hold more; a larger picture would write a corrupt header.
    if (width > kMaxDots || height > kMaxDots) {
        message = kTooLarge;
        return PR_INVALID;
    }
    const std::uint32_t rowBytes = BytesPerRow(width);
    const std::uint32_t columnBytes = BytesPerRow(height);
    m_nWidth = 8 * rowBytes;
    m_nHeight = 8 * columnBytes;
    m_nSize = m_nWidth * columnBytes + kHeaderBytes;
    if (!AllocateFileImage(m_nSize, message))
        return PR_NO_MEMORY;

    auto& image = *m_pFileImage;
    image[0] = kCommand0;
    image[1] = kCommand1;
    image[2] = static_cast<std::uint8_t>(rowBytes);
    image[3] = static_cast<std::uint8_t>(columnBytes);

    // Only dots inside the requested size are taken; the rounding margin and
    // rows missing from a short dot buffer stay white. Eight rows by eight
    // columns at a time: the row bytes, transposed, are the column bytes.
    const auto bits = GetBits();
    const std::uint8_t lastMask = LastByteMask(width);
    for (std::uint32_t j = 0; j < columnBytes; ++j) {
        for (std::uint32_t i = 0; i < rowBytes; ++i) {
            std::uint64_t block = 0;
            for (unsigned r = 0; r < 8; ++r) {
                const std::uint32_t y = 8 * j + r;
                const std::size_t at = std::size_t{y} * rowBytes + i;
                if (y >= height || at >= bits.size())
                    break;
                block = WithBlockByte(block, r, i + 1 == rowBytes ? bits[at] & lastMask : bits[at]);
            }
            if (block == 0)
                continue;
            block = Transpose8x8(block);
            for (unsigned k = 0; k < 8; ++k)
                image[kHeaderBytes + (8 * std::size_t{i} + k) * columnBytes + j] = BlockByte(block, k);
        }
    }
    return PR_OK;
}

PictureResult CLogoPicture::Write(std::uint32_t& width, std::uint32_t& height, std::string& message)
{
    const PictureResult built = BuildImage(width, height, message);
    if (built != PR_OK)
        return built;
    const PictureResult written = WriteFileImage(message);
    if (written != PR_OK)
        return written;
    return ReportRounding(width, height, picture_messages::kWidthHeightAdjusted, message);
}

PictureResult CLogoPicture::BuildFileImage(std::uint32_t& width, std::uint32_t& height, std::string& message,
                                           std::vector<std::uint8_t>& data, std::uint32_t& count)
{
    const PictureResult built = BuildImage(width, height, message);
    if (built != PR_OK)
        return built;
    try {
        data.assign(m_pFileImage->begin(), m_pFileImage->end());
    } catch (const std::bad_alloc&) {
        message = picture_messages::kMemoryAllocation;
        return PR_NO_MEMORY;
    }
    count = m_nSize;
    return ReportRounding(width, height, picture_messages::kWidthHeightAdjusted, message);
}
