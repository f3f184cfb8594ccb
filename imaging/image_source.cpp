#include "image_source.h"

#include <QImage>
#include <QImageIOHandler>
#include <QImageReader>

#include <QMessageLogContext>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kAllocationLimitMegabytes = static_cast<int>(kMaxDecodedBytes / (1024 * 1024));
constexpr std::uint64_t kBytesPerPixel = 4;
// libjpeg scales by 1/2, 1/4 and 1/8 while it decodes, averaging each 8 x 8
// block down in its transform; the area average takes over from there.
constexpr int kLargestJpegReduction = 8;

std::uint32_t ReducedSize(std::uint32_t size, int reduction)
{
    return (size + static_cast<std::uint32_t>(reduction) - 1) / static_cast<std::uint32_t>(reduction);
}

void ShrinkJpegWhileDecoding(QImageReader& reader, QSize size, std::uint32_t targetWidth)
{
    if (reader.format() != "jpeg" || !reader.supportsOption(QImageIOHandler::ScaledSize))
        return;
    // The width that ends up across the paper may be the file's height.
    const bool turned = (reader.transformation() & QImageIOHandler::TransformationRotate90) != 0;
    const auto across = static_cast<std::uint32_t>(turned ? size.height() : size.width());
    int reduction = 1;
    while (reduction < kLargestJpegReduction && ReducedSize(across, reduction * 2) >= targetWidth)
        reduction *= 2;
    if (reduction == 1)
        return;
    // Exactly libjpeg's own rounding, so the reader does no resampling of
    // its own afterwards.
    reader.setScaledSize(QSize(static_cast<int>(ReducedSize(static_cast<std::uint32_t>(size.width()), reduction)),
                               static_cast<int>(ReducedSize(static_cast<std::uint32_t>(size.height()), reduction))));
}

// The JPEG reader takes a file cut short as a warning and fills the rest
// with grey; such a picture would look imported but hold no logo. The
// readers' warnings during one read are caught here: a cut is refused, and
// the rest (a PNG's odd colour profile) are no business of the user's, whose
// failures come back through the reader's error text anyway.
class ReaderWarnings {
public:
    ReaderWarnings() : m_previous(qInstallMessageHandler(&ReaderWarnings::Handle)) { s_current = this; }
    ~ReaderWarnings()
    {
        s_current = nullptr;
        qInstallMessageHandler(m_previous);
    }
    ReaderWarnings(const ReaderWarnings&) = delete;
    ReaderWarnings& operator=(const ReaderWarnings&) = delete;

    bool Truncated() const { return m_bTruncated; }

private:
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        ReaderWarnings* watch = s_current;
        const bool reader = context.category && std::strncmp(context.category, "qt.gui.imageio", 14) == 0;
        if (watch && reader) {
            watch->m_bTruncated |= text.contains(QStringLiteral("premature end"), Qt::CaseInsensitive);
            return;
        }
        if (watch && watch->m_previous)
            watch->m_previous(type, context, text);
    }

    static inline thread_local ReaderWarnings* s_current = nullptr;
    QtMessageHandler m_previous;
    bool m_bTruncated = false;
};

}  // namespace

namespace import_messages {

std::string NotReadable(const std::string& path, const std::string& reason)
{
    return "Error - Picture not readable : " + path + (reason.empty() ? "" : "\n" + reason);
}

std::string TooLarge(const std::string& path, std::uint64_t width, std::uint64_t height)
{
    return "Error - Picture too large : " + path + "\n" + std::to_string(width) + " x " + std::to_string(height) +
           " pixels need more than " + std::to_string(kAllocationLimitMegabytes) + " MB once decoded";
}

}  // namespace import_messages

ImportSource ReadImportSource(const std::string& path, std::optional<std::uint32_t> targetWidth)
{
    ImportSource source;
    // The header is read ahead of the pixels, with warnings of its own.
    const ReaderWarnings warnings;
    QImageReader reader(QString::fromStdString(path));
    // Refuses a header's huge claim before the pixels are allocated, also
    // where the size below is not known ahead.
    reader.setAllocationLimit(kAllocationLimitMegabytes);
    reader.setAutoTransform(true);
    if (!reader.canRead()) {
        source.message = import_messages::NotReadable(path, reader.errorString().toStdString());
        return source;
    }
    const QSize size = reader.size();
    if (size.isValid()) {
        const auto width = static_cast<std::uint64_t>(size.width());
        const auto height = static_cast<std::uint64_t>(size.height());
        if (width * height * kBytesPerPixel > kMaxDecodedBytes) {
            source.message = import_messages::TooLarge(path, width, height);
            return source;
        }
        if (targetWidth)
            ShrinkJpegWhileDecoding(reader, size, *targetWidth);
    }
    const QImage image = reader.read();
    const bool truncated = warnings.Truncated();
    if (image.isNull() || truncated) {
        const std::string reason =
            truncated ? "The file ends before the picture does." : reader.errorString().toStdString();
        source.message = import_messages::NotReadable(path, reason);
        return source;
    }
    source.image = GreyFromImage(image);
    return source;
}

bool CanImport(const std::string& path)
{
    QImageReader reader(QString::fromStdString(path));
    return reader.canRead();
}

QStringList ImportNameFilters()
{
    QStringList patterns;
    for (const QByteArray& suffix : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(suffix);
    return patterns;
}
