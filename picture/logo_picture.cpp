#include "logo_picture.h"

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

// Bit of a column byte or row byte that holds dot `index` of its 8.
std::uint8_t DotBit(std::uint32_t index)
{
    return static_cast<std::uint8_t>(0x80u >> (index % 8));
}

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

    const std::size_t columnBytes = m_nHeight / 8;
    const std::size_t rowBytes = BytesPerRow(m_nWidth);
    const ByteReader reader(GetFileImage());
    const auto columns = reader.Bytes(std::size_t{m_nHeaderOffset} + kHeaderBytes, m_nWidth * columnBytes);
    auto& bits = *m_pBits;
    for (std::uint32_t x = 0; columns && x < m_nWidth; ++x) {
        for (std::size_t j = 0; j < columnBytes; ++j) {
            const std::uint8_t column = (*columns)[x * columnBytes + j];
            for (std::uint32_t b = 0; column != 0 && b < 8; ++b)
                if ((column & DotBit(b)) != 0)
                    bits[(8 * j + b) * rowBytes + x / 8] |= DotBit(x);
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
    // rows missing from a short dot buffer stay white.
    const auto bits = GetBits();
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::size_t rowAt = std::size_t{y} * rowBytes;
        for (std::uint32_t i = 0; i < rowBytes && rowAt + i < bits.size(); ++i) {
            const std::uint8_t dots = bits[rowAt + i];
            for (std::uint32_t k = 0; dots != 0 && k < 8; ++k) {
                const std::uint32_t x = 8 * i + k;
                if (x < width && (dots & DotBit(k)) != 0)
                    image[kHeaderBytes + std::size_t{x} * columnBytes + y / 8] |= DotBit(y);
            }
        }
    }
    return PR_OK;
}

PictureResult CLogoPicture::ReportRounding(std::uint32_t& width, std::uint32_t& height, std::string& message) const
{
    if (width == m_nWidth && height == m_nHeight)
        return PR_OK;
    width = m_nWidth;
    height = m_nHeight;
    message = picture_messages::kWidthHeightAdjusted;
    return PR_ADJUSTED;
}

PictureResult CLogoPicture::Write(std::uint32_t& width, std::uint32_t& height, std::string& message)
{
    const PictureResult built = BuildImage(width, height, message);
    if (built != PR_OK)
        return built;
    const PictureResult written = WriteFileImage(message);
    if (written != PR_OK)
        return written;
    return ReportRounding(width, height, message);
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
    return ReportRounding(width, height, message);
}
