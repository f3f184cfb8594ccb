#include "picture.h"

#include <algorithm>
#include <new>

namespace {

bool AllocateZeroed(std::optional<std::vector<std::uint8_t>>& buffer, std::uint64_t size, std::string& message)
{
    buffer.reset();
    if (size > kMaxPictureBufferBytes) {
        message = picture_messages::kMemoryAllocation;
        return false;
    }
    try {
        buffer.emplace(static_cast<std::size_t>(size), std::uint8_t{0});
    } catch (const std::bad_alloc&) {
        buffer.reset();
        message = picture_messages::kMemoryAllocation;
        return false;
    }
    return true;
}

bool SourceDot(std::span<const std::uint8_t> bits, std::size_t rowStart, std::uint32_t column)
{
    const std::size_t index = rowStart + column / 8;
    return index < bits.size() && (bits[index] & (0x80u >> (column % 8))) != 0;
}

std::uint8_t SourceByte(std::span<const std::uint8_t> bits, std::size_t index)
{
    return index < bits.size() ? bits[index] : std::uint8_t{0};
}

// Eight source dots from column `first` on, all of them inside the row: the
// common case, done with one shift instead of eight lookups.
std::uint8_t SourceOctet(std::span<const std::uint8_t> bits, std::size_t rowStart, std::uint32_t first)
{
    const std::size_t index = rowStart + first / 8;
    const unsigned shift = first % 8;
    if (shift == 0)
        return SourceByte(bits, index);
    const unsigned pair = (static_cast<unsigned>(SourceByte(bits, index)) << 8) | SourceByte(bits, index + 1);
    return static_cast<std::uint8_t>(pair >> (8 - shift));
}

}  // namespace

CPicture::CPicture(std::string fileName, PictureType type) : m_strFileName(std::move(fileName)), m_nType(type) {}

CPicture::~CPicture() = default;

std::uint32_t CPicture::BytesPerRow(std::uint32_t dots)
{
    return dots / 8 + (dots % 8 != 0 ? 1 : 0);
}

std::uint32_t CPicture::DwordsPerRow(std::uint32_t dots)
{
    return dots / 32 + (dots % 32 != 0 ? 1 : 0);
}

std::span<const std::uint8_t> CPicture::GetBits() const
{
    return m_pBits ? std::span<const std::uint8_t>(*m_pBits) : std::span<const std::uint8_t>{};
}

std::span<const std::uint8_t> CPicture::GetFileImage() const
{
    return m_pFileImage ? std::span<const std::uint8_t>(*m_pFileImage) : std::span<const std::uint8_t>{};
}

bool CPicture::AllocateBits(std::uint64_t size, std::string& message)
{
    return AllocateZeroed(m_pBits, size, message);
}

bool CPicture::AllocateFileImage(std::uint64_t size, std::string& message)
{
    return AllocateZeroed(m_pFileImage, size, message);
}

bool CPicture::AdoptFileImage(std::vector<std::uint8_t>&& image, std::string& message)
{
    if (image.size() > kMaxPictureBufferBytes) {
        m_pFileImage.reset();
        message = picture_messages::kMemoryAllocation;
        return false;
    }
    m_pFileImage.emplace(std::move(image));
    m_nSize = static_cast<std::uint32_t>(m_pFileImage->size());
    return true;
}

PictureResult CPicture::OpenFile(FileAccess access, FileDisposition disposition, std::string& message)
{
    m_hFile.reset();
    m_nSystemError = 0;
    if (access == FileAccess::Read && disposition == FileDisposition::OpenExisting)
        m_hFile = PictureFile::OpenForReading(m_strFileName, m_nSystemError);
    else if (access == FileAccess::Write)
        m_hFile = PictureFile::CreateForWriting(m_strFileName, m_nSystemError);
    if (!m_hFile) {
        message = picture_messages::FileOpen(m_strFileName);
        return PR_OPEN_FAILED;
    }
    if (access != FileAccess::Read)
        return PR_OK;

    const auto size = m_hFile->Size();
    if (!size || *size > kMaxPictureBufferBytes || !AllocateFileImage(*size, message)) {
        message = picture_messages::kMemoryAllocation;
        return PR_NO_MEMORY;
    }
    m_nSize = static_cast<std::uint32_t>(*size);
    if (m_hFile->Read(*m_pFileImage) < m_nSize) {
        m_nSystemError = m_hFile->Error();
        message = picture_messages::kReadInputFile;
        return PR_READ_FAILED;
    }
    return PR_OK;
}

PictureResult CPicture::CropFrom(std::uint32_t srcWidth, std::uint32_t srcHeight, std::int32_t offsetX,
                                 std::int32_t offsetY, std::uint32_t width, std::uint32_t height,
                                 std::span<const std::uint8_t> srcBits, std::string& message)
{
    m_nOffsetX = offsetX;
    m_nOffsetY = offsetY;
    m_nWidth = width;
    m_nHeight = height;

    const std::uint32_t rowBytes = BytesPerRow(width);
    const std::uint64_t rows24 = (static_cast<std::uint64_t>(height) + 23) / 24 * 24;
    const std::uint64_t size = rowBytes * rows24;
    m_nSize = 0;
    if (!AllocateBits(size, message))
        return PR_NO_MEMORY;
    m_nSize = static_cast<std::uint32_t>(size);
    // Rows of no bytes hold nothing to copy, however many a header claims.
    if (rowBytes == 0)
        return PR_OK;

    const std::size_t srcRowBytes = BytesPerRow(srcWidth);
    // Dots kept in the last byte of a source row beyond its width are carried
    // along too, so a crop to the source's own size reproduces it exactly.
    const std::int64_t srcRowDots = static_cast<std::int64_t>(srcRowBytes) * 8;
    auto& out = *m_pBits;
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::int64_t srcY = static_cast<std::int64_t>(y) + offsetY;
        if (srcY < 0 || srcY >= srcHeight)
            continue;
        const std::size_t srcRow = static_cast<std::size_t>(srcY) * srcRowBytes;
        std::uint8_t* outRow = out.data() + static_cast<std::size_t>(y) * rowBytes;
        for (std::uint32_t i = 0; i < rowBytes; ++i) {
            const std::int64_t firstX = static_cast<std::int64_t>(8) * i + offsetX;
            if (firstX >= 0 && firstX + 8 <= srcRowDots) {
                outRow[i] = SourceOctet(srcBits, srcRow, static_cast<std::uint32_t>(firstX));
                continue;
            }
            std::uint8_t byte = 0;
            for (std::uint32_t k = 0; k < 8; ++k) {
                const std::int64_t srcX = firstX + k;
                if (srcX >= 0 && srcX < srcRowDots && SourceDot(srcBits, srcRow, static_cast<std::uint32_t>(srcX)))
                    byte |= static_cast<std::uint8_t>(0x80u >> k);
            }
            outRow[i] = byte;
        }
    }
    return PR_OK;
}

void CPicture::SetBits(std::span<const std::uint8_t> data)
{
    // Copied before the old buffer goes, since `data` may lie in it.
    std::vector<std::uint8_t> copy(data.begin(), data.end());
    m_pBits = std::move(copy);
}

std::uint32_t CPicture::SetFileImage(std::span<const std::uint8_t> data)
{
    std::vector<std::uint8_t> copy(data.begin(), data.end());
    m_pFileImage = std::move(copy);
    m_nSize = static_cast<std::uint32_t>(m_pFileImage->size());
    return m_nSize;
}

void CPicture::ReleaseSource()
{
    m_hFile.reset();
    m_pFileImage.reset();
}

PictureResult CPicture::WriteFileImage(std::string& message)
{
    const std::size_t wanted = m_pFileImage ? m_pFileImage->size() : 0;
    bool written = false;
    if (m_hFile && m_pFileImage)
        written = m_hFile->Write(*m_pFileImage) == wanted && m_hFile->Commit();
    if (!written && m_hFile)
        m_nSystemError = m_hFile->Error();
    m_hFile.reset();
    m_pFileImage.reset();
    if (!written) {
        message = picture_messages::kFileWrite;
        return PR_WRITE_FAILED;
    }
    return PR_OK;
}

PictureResult CPicture::ReportRounding(std::uint32_t& width, std::uint32_t& height, std::string_view adjusted,
                                       std::string& message) const
{
    if (width == m_nWidth && height == m_nHeight)
        return PR_OK;
    width = m_nWidth;
    height = m_nHeight;
    message = adjusted;
    return PR_ADJUSTED;
}
