#include "image_source.h"
#include "imaging_test_support.h"
#include "picture_import.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <fstream>

namespace {

class ImageSourceTest : public ::testing::Test {
protected:
    std::string Write(const char* name, const QByteArray& bytes) const
    {
        const std::string path = m_dir.filePath(QString::fromLatin1(name)).toStdString();
        std::ofstream(path, std::ios::binary).write(bytes.constData(), bytes.size());
        return path;
    }

    QTemporaryDir m_dir;
};

QByteArray Encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage Photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 90));
    return image;
}

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A decoder's partial picture is no picture. (A file of words, through the
// command line: import_cli_test.cpp.)
TEST_F(ImageSourceTest, CorruptOrMissingFilesAreRefusedWithTheirPath)
{
    QByteArray png = Encoded(Photo(64, 64), "png");
    // Into the compressed pixels, past the header chunks.
    for (qsizetype i = png.size() / 2; i < png.size() / 2 + 16; ++i)
        png[i] = static_cast<char>(png[i] ^ 0x5A);
    const QByteArray jpeg = Encoded(Photo(64, 64), "jpeg");
    for (const std::string& path : {Write("corrupt.png", png), Write("truncated.jpg", jpeg.left(jpeg.size() / 2)),
                                    m_dir.filePath("missing.png").toStdString()}) {
        const ImportSource source = ReadImportSource(path);
        EXPECT_FALSE(source.image);
        EXPECT_TRUE(source.message.starts_with("Error - Picture not readable : " + path)) << source.message;
    }
    // A drop offers the import only for what a reader takes by its content.
    EXPECT_FALSE(CanImport(Write("notes.png", "just some words\n")));
}

TEST_F(ImageSourceTest, PictureOverTheAllocationLimitIsRefusedBeforeDecoding)
{
    // A header claiming 30000 x 30000 pixels, 3.4 GB as RGBA, over a few bytes.
    const std::string huge = Write("huge.pgm", "P5\n30000 30000\n255\n" + QByteArray(64, '\x80'));
    const long before = PeakKilobytes();
    const ImportSource source = ReadImportSource(huge);
    EXPECT_FALSE(source.image);
    EXPECT_TRUE(source.message.starts_with("Error - Picture too large : " + huge + "\n30000 x 30000 pixels"))
        << source.message;
    EXPECT_LT(PeakKilobytes() - before, 64 * 1024);
}

TEST_F(ImageSourceTest, JpegShrunkWhileDecodingKeepsThePaperWidth)
{
    const std::string path = Write("photo.jpg", Encoded(Photo(2400, 1200), "jpeg"));
    // Halving once more would fall short of the width asked for; an eighth is
    // as far as the decoder goes.
    for (const auto& [asked, width] : {std::pair{1500u, 2400u}, std::pair{576u, 600u}, std::pair{100u, 300u}}) {
        const ImportSource source = ReadImportSource(path, asked);
        ASSERT_TRUE(source.image) << asked;
        EXPECT_EQ(source.image->width, width);
        EXPECT_EQ(source.image->height, width / 2);
    }
}

// (The bitmap the document gets of these dots: tests/ui/import_window_test.cpp,
// importMenuItemMakesTheInputPicture.)
TEST_F(ImageSourceTest, ImportedDotsKeepTheSquareOnWhitePaper)
{
    // Black square on a transparent field: the field turns white paper.
    QImage image(40, 20, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 0, 0));
    for (int y = 5; y < 15; ++y)
        for (int x = 8; x < 16; ++x)
            image.setPixel(x, y, qRgba(0, 0, 0, 255));
    ImportOptions options;
    options.width = 20;
    const ImportResult imported = ImportPicture(Write("square.png", Encoded(image, "png")), options);
    ASSERT_TRUE(imported.dots) << imported.message;
    const DitheredDots& dots = *imported.dots;
    ASSERT_EQ(dots.width, 20u);
    ASSERT_EQ(dots.height, 10u);
    EXPECT_DOUBLE_EQ(BlackShare(dots), 4.0 * 5 / 200);
    EXPECT_TRUE(dots.IsBlack(4, 3));
    EXPECT_FALSE(dots.IsBlack(3, 3));
}

}  // namespace
