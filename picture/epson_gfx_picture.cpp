#include "epson_gfx_picture.h"

#include "bit_transpose.h"
#include "byte_reader.h"
#include "dot_rows.h"
#include "epson_bit_image.h"
#include "escp_commands.h"
#include "escp_stream.h"

#include <algorithm>
#include <new>
#include <string_view>

namespace {

constexpr std::string_view kNotEpsonGraphics = "Error - File Format is not Epson Graphics (1B 2A)";
constexpr std::string_view kTooWide = "Error - Picture too wide for EPSON GFX format (at most 65535 dots)";
constexpr std::string_view kTooTall = "Error - Picture too tall for EPSON GFX format (at most 4294967280 dots)";

constexpr std::uint32_t kBandRows = 24;
constexpr std::uint32_t kBandBytesPerColumn = kBandRows / 8;
// Positions and column counts are 16-bit numbers in the stream.
constexpr std::uint32_t kMaxWidth = 0xFFFF;
// The tallest picture whose height, raised to whole bands, still fits 32 bits.
constexpr std::uint64_t kMaxBandedHeight = 0xFFFFFFFFull / kBandRows * kBandRows;

bool IsWhite(std::span<const std::uint8_t> bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// Builds the stream a band at a time: 24-dot double-density bit images with
// white columns skipped by positioning and white rows by feeds.
class EpsonStreamWriter {
public:
    EpsonStreamWriter(std::span<const std::uint8_t> bits, std::uint32_t width, std::uint32_t height)
        : m_rows(bits, CPicture::BytesPerRow(width)),
          m_width(width),
          m_height(height),
          m_rowBytes(CPicture::BytesPerRow(width)),
          m_blocks(m_rowBytes),
          m_columns(std::size_t{width} * kBandBytesPerColumn)
    {
    }

    // False when the stream would outgrow the limit of a file image, or
    // read back as a picture over the limit.
    bool Build()
    {
        // Rows a short buffer lacks are white, and white rows after the last
        // band are left out.
        const std::uint64_t rows = std::min<std::uint64_t>(m_height, m_rows.RowsHeld());
        // The last band may start on the last of these rows and reads back 24 deep.
        if (PictureWeight(m_width, rows + kBandRows - 1) > kMaxPictureBufferBytes)
            return false;
        std::uint64_t blank = 0;
        for (std::uint64_t y = 0; y < rows;) {
            if (IsWhite(m_rows.Row(y))) {
                ++blank;
                ++y;
                continue;
            }
            WriteFeeds(blank);
            blank = 0;
            TakeBandColumns(y);
            WriteBand();
            escp::AppendLineFeed(m_out);
            y += kBandRows;
            if (m_out.size() > kMaxPictureBufferBytes)
                return false;
        }
        return true;
    }

    std::vector<std::uint8_t>& Stream() { return m_out; }

private:
    void WriteFeeds(std::uint64_t rows)
    {
        while (rows != 0) {
            const auto step = static_cast<std::uint8_t>(std::min<std::uint64_t>(rows, escp::kMaxByteCount));
            escp::AppendFeed(m_out, step);
            rows -= step;
        }
    }

    // The three bytes of every column of the band from row y, as the 24-dot
    // modes hold them; rows at or beyond the height are white.
    void TakeBandColumns(std::uint64_t y)
    {
        for (std::uint32_t plane = 0; plane < kBandBytesPerColumn; ++plane) {
            std::fill(m_blocks.begin(), m_blocks.end(), std::uint64_t{0});
            for (unsigned r = 0; r < 8; ++r) {
                const std::uint64_t rowY = y + 8 * plane + r;
                if (rowY >= m_height)
                    break;
                const auto row = m_rows.Row(rowY);
                for (std::size_t i = 0; i < m_rowBytes; ++i)
                    m_blocks[i] = WithBlockByte(m_blocks[i], r, row[i]);
            }
            for (std::size_t i = 0; i < m_rowBytes; ++i) {
                const std::uint64_t columns = Transpose8x8(m_blocks[i]);
                for (unsigned j = 0; j < 8 && 8 * i + j < m_width; ++j)
                    m_columns[(8 * i + j) * kBandBytesPerColumn + plane] = BlockByte(columns, j);
            }
        }
    }

    void WriteBand()
    {
        bool open = false;
        std::size_t countAt = 0;
        std::uint32_t firstColumn = 0;
        bool afterGap = false;
        bool firstCommand = true;
        const auto startCommand = [&](std::uint32_t x) {
            countAt = escp::AppendBitImageHeader(m_out, escp::kMode24DotDouble);
            firstColumn = x;
            firstCommand = false;
            open = true;
        };
        const auto closeCommand = [&](std::uint32_t end) {
            escp::StoreBitImageColumns(m_out, countAt, static_cast<std::uint16_t>(end - firstColumn));
            open = false;
        };

        for (std::uint32_t x = 0; x < m_width; ++x) {
            const auto column = std::span<const std::uint8_t>(m_columns).subspan(
                std::size_t{x} * kBandBytesPerColumn, kBandBytesPerColumn);
            if (IsWhite(column)) {
                afterGap = true;
                if (open)
                    closeCommand(x);
                continue;
            }
            if (afterGap) {
                afterGap = false;
                escp::AppendPosition(m_out, static_cast<std::uint16_t>(x));
                startCommand(x);
            } else if (firstCommand) {
                startCommand(x);
            }
            m_out.insert(m_out.end(), column.begin(), column.end());
        }
        if (open)
            closeCommand(m_width);
    }

    DotRows m_rows;
    std::uint32_t m_width;
    std::uint32_t m_height;
    std::size_t m_rowBytes;
    // Per byte of a row: the 8 by 8 block of dots one plane of the band holds there.
    std::vector<std::uint64_t> m_blocks;
    std::vector<std::uint8_t> m_columns;
    std::vector<std::uint8_t> m_out;
};

}  // namespace

CEpsonGfxPicture::CEpsonGfxPicture(std::string fileName) : CPicture(std::move(fileName), PT_EPSON_GFX) {}

PictureResult CEpsonGfxPicture::Parse(std::string& message)
{
    if (!m_pFileImage)
        return PR_NO_IMAGE;
    EpsonBitImageReader measure;
    const auto size = MeasureEscpPicture(*m_pFileImage, escp::kBitImage, measure);
    if (!size) {
        message = kNotEpsonGraphics;
        return PR_WRONG_FORMAT;
    }
    m_nHeaderOffset = size->headerOffset;
    m_nWidth = size->width;
    m_nHeight = size->height;
    return PR_OK;
}

bool CEpsonGfxPicture::Decode(std::string& message)
{
    if (m_nWidth == kSaturatedDots || m_nHeight == kSaturatedDots) {
        message = picture_messages::kMemoryAllocation;
        return false;
    }
    if (!AllocateBits(DotBufferBytes(m_nWidth, m_nHeight), message))
        return false;

    EpsonBitImageReader draw(*m_pBits, m_nWidth, m_nHeight);
    WalkEscpStream(GetFileImage(), escp::kBitImage, draw);

    ReleaseSource();
    return true;
}

PictureResult CEpsonGfxPicture::Write(std::uint32_t& width, std::uint32_t& height, std::string& message)
{
    if (width > kMaxWidth) {
        message = kTooWide;
        return PR_INVALID;
    }
    const std::uint64_t bandedHeight = (std::uint64_t{height} + kBandRows - 1) / kBandRows * kBandRows;
    if (bandedHeight > kMaxBandedHeight) {
        message = kTooTall;
        return PR_INVALID;
    }
    m_nWidth = width;
    m_nHeight = static_cast<std::uint32_t>(bandedHeight);

    try {
        EpsonStreamWriter writer(GetBits(), width, height);
        if (!writer.Build() || !AdoptFileImage(std::move(writer.Stream()), message)) {
            message = picture_messages::kMemoryAllocation;
            return PR_NO_MEMORY;
        }
    } catch (const std::bad_alloc&) {
        message = picture_messages::kMemoryAllocation;
        return PR_NO_MEMORY;
    }

    const PictureResult written = WriteFileImage(message);
    if (written != PR_OK)
        return written;
    return ReportRounding(width, height, picture_messages::kHeightAdjusted, message);
}
