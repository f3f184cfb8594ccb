#include "raster_gfx_ext_picture.h"

#include "byte_reader.h"
#include "dot_rows.h"
#include "escp_commands.h"
#include "escp_stream.h"

#include <algorithm>
#include <new>
#include <string_view>

namespace {

constexpr std::string_view kNotExtendedRaster = "Error - File Format is not Extended Raster Graphics (1B 2E)";
constexpr std::string_view kTooWide = "Error - Picture too wide for RASTER GFX EXT format (at most 2040 dots)";

// The repeat count of a raster line is a 16-bit number.
constexpr std::uint32_t kMaxRepeat = 0xFFFF;

// Reads ESC "." lines: measures them, and when given a dot buffer copies
// their bytes into every row they repeat over.
class RasterLineReader : public EscpGraphics {
public:
    RasterLineReader() = default;
    RasterLineReader(std::span<std::uint8_t> bits, std::uint32_t width, std::uint32_t height)
        : m_bits(bits), m_rowBytes(CPicture::BytesPerRow(width))
    {
        // A short buffer loses whole rows, never part of one.
        m_height = m_rowBytes == 0 ? 0 : std::min<std::uint64_t>(height, m_bits.size() / m_rowBytes);
    }

    bool Run(ByteCursor& cursor, EscpWalkState& state) override
    {
        const auto header = cursor.Take(4);
        if (!header)
            return false;
        const ByteReader fields(*header);
        const std::uint8_t startByte = *fields.U8(0);
        const std::uint8_t count = *fields.U8(1);
        const std::uint16_t repeat = *fields.Le16(2);
        const auto dots = cursor.Take(count);
        if (!dots)
            return false;

        Copy(*dots, startByte, state.row, repeat);
        state.row += repeat;
        state.column = 0;
        state.width = std::max<std::uint64_t>(state.width, (std::uint64_t{startByte} + count) * 8);
        return true;
    }

private:
    void Copy(std::span<const std::uint8_t> dots, std::size_t startByte, std::uint64_t row, std::uint32_t repeat)
    {
        if (dots.empty() || startByte >= m_rowBytes)
            return;
        const std::size_t fits = std::min(dots.size(), m_rowBytes - startByte);
        const std::uint64_t end = std::min(m_height, row + repeat);
        for (std::uint64_t y = row; y < end; ++y) {
            const auto at = static_cast<std::ptrdiff_t>(y * m_rowBytes + startByte);
            std::copy_n(dots.begin(), fits, m_bits.begin() + at);
        }
    }

    std::span<std::uint8_t> m_bits;
    std::size_t m_rowBytes = 0;
    std::uint64_t m_height = 0;
};

// Builds the stream row by row: each run of equal rows becomes one raster
// line holding only the bytes between its white margins, each run of white
// rows white-rows commands.
class RasterLineWriter {
public:
    explicit RasterLineWriter(std::size_t rowBytes) : m_previous(rowBytes, 0) {}

    void AddRow(std::span<const std::uint8_t> row)
    {
        const auto firstDots = std::find_if(row.begin(), row.end(), [](std::uint8_t b) { return b != 0; });
        if (firstDots == row.end()) {
            AddWhiteRows(1);
            return;
        }
        // A run longer than the repeat count can hold goes on in a new line.
        if (m_repeat != 0 && m_repeat < kMaxRepeat && std::equal(row.begin(), row.end(), m_previous.begin())) {
            ++m_repeat;
            return;
        }
        if (m_repeat != 0) {
            WriteWhiteRows();
            WriteLine();
        }
        std::copy(row.begin(), row.end(), m_previous.begin());
        const auto lastDots = std::find_if(row.rbegin(), row.rend(), [](std::uint8_t b) { return b != 0; });
        m_start = static_cast<std::size_t>(firstDots - row.begin());
        m_count = static_cast<std::size_t>(row.rend() - lastDots) - m_start;
        m_repeat = 1;
    }

    void AddWhiteRows(std::uint64_t rows)
    {
        if (rows == 0)
            return;
        // White rows that came before the line still waiting must go out first.
        if (m_repeat != 0)
            WriteWhiteRows();
        m_blank += rows;
        WriteLine();
    }

    std::vector<std::uint8_t>& Finish()
    {
        WriteWhiteRows();
        WriteLine();
        return m_out;
    }

    std::size_t Size() const { return m_out.size(); }

private:
    // A run longer than one command can count goes out as several.
    void WriteWhiteRows()
    {
        while (m_blank != 0) {
            const auto step = static_cast<std::uint8_t>(std::min<std::uint64_t>(m_blank, escp::kMaxByteCount));
            escp::AppendWhiteRows(m_out, step);
            m_blank -= step;
        }
    }

    void WriteLine()
    {
        if (m_repeat == 0)
            return;
        const auto dots = std::span<const std::uint8_t>(m_previous).subspan(m_start, m_count);
        escp::AppendRasterLine(m_out, static_cast<std::uint8_t>(m_start), dots, static_cast<std::uint16_t>(m_repeat));
        m_repeat = 0;
    }

    std::vector<std::uint8_t> m_previous;
    std::size_t m_start = 0;
    std::size_t m_count = 0;
    std::uint32_t m_repeat = 0;
    std::uint64_t m_blank = 0;
    std::vector<std::uint8_t> m_out;
};

}  // namespace

CRasterGfxExtPicture::CRasterGfxExtPicture(std::string fileName) : CPicture(std::move(fileName), PT_RASTER_GFX_EXT)
{
}

PictureResult CRasterGfxExtPicture::Parse(std::string& message)
{
    if (!m_pFileImage)
        return PR_NO_IMAGE;
    RasterLineReader measure;
    const auto size = MeasureEscpPicture(*m_pFileImage, escp::kRasterLine, measure);
    if (!size) {
        message = kNotExtendedRaster;
        return PR_WRONG_FORMAT;
    }
    m_nHeaderOffset = size->headerOffset;
    m_nWidth = size->width;
    m_nHeight = size->height;
    return PR_OK;
}

bool CRasterGfxExtPicture::Decode(std::string& message)
{
    if (m_nWidth == kSaturatedDots || m_nHeight == kSaturatedDots) {
        message = picture_messages::kMemoryAllocation;
        return false;
    }
    if (!AllocateBits(DotBufferBytes(m_nWidth, m_nHeight), message))
        return false;

    RasterLineReader copy(*m_pBits, m_nWidth, m_nHeight);
    WalkEscpStream(GetFileImage(), escp::kRasterLine, copy);

    ReleaseSource();
    return true;
}

PictureResult CRasterGfxExtPicture::Write(std::uint32_t& width, std::uint32_t& height, std::string& message)
{
    const std::uint32_t rowBytes = BytesPerRow(width);
    // A line's start byte and byte count are single bytes.
    if (rowBytes > escp::kMaxByteCount) {
        message = kTooWide;
        return PR_INVALID;
    }
    // White rows are written too, as feeds, and each reads back as a row.
    if (PictureWeight(width, height) > kMaxPictureBufferBytes) {
        message = picture_messages::kMemoryAllocation;
        return PR_NO_MEMORY;
    }
    m_nWidth = 8 * rowBytes;
    m_nHeight = height;

    try {
        DotRows rows(GetBits(), rowBytes);
        RasterLineWriter writer(rowBytes);
        const std::uint64_t rowsHeld = std::min<std::uint64_t>(height, rows.RowsHeld());
        for (std::uint64_t y = 0; y < rowsHeld && writer.Size() <= kMaxPictureBufferBytes; ++y)
            writer.AddRow(rows.Row(y));
        // Rows a short buffer lacks are white.
        writer.AddWhiteRows(height - rowsHeld);
        if (!AdoptFileImage(std::move(writer.Finish()), message)) {
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
    return ReportRounding(width, height, picture_messages::kWidthAdjusted, message);
}
