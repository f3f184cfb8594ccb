// Tools of import-bench.sh.
//
//   import_quality score SOURCE WIDTH DOTS...
// scores 1-bit pictures (PBM, BMP, anything Qt reads) made from SOURCE at
// WIDTH dots: each and the grey of SOURCE, area-averaged to WIDTH, are
// blurred by the same Gaussian (sigma 1.5 dots) and their mean absolute
// difference printed, in grey levels 0 to 255. Lower is closer to the
// photo as the eye sees it from a step back.
//
//   import_quality sheet OUT SOURCE WIDTH
// writes OUT, a picture of SOURCE imported at WIDTH dots by each method,
// side by side in the order threshold, Floyd-Steinberg, Atkinson, Bayer.
#include "dither.h"
#include "image_source.h"
#include "picture.h"
#include "picture_import.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr double kSigma = 1.5;
constexpr int kSheetGap = 16;

std::vector<float> GaussianKernel()
{
    const int radius = static_cast<int>(std::ceil(3 * kSigma));
    std::vector<float> kernel;
    double sum = 0;
    for (int i = -radius; i <= radius; ++i) {
        kernel.push_back(static_cast<float>(std::exp(-i * i / (2 * kSigma * kSigma))));
        sum += kernel.back();
    }
    for (float& weight : kernel)
        weight = static_cast<float>(weight / sum);
    return kernel;
}

// Separable blur; the edge pixels stand in for those beyond the edge.
std::vector<float> Blur(const std::vector<float>& levels, int width, int height)
{
    const std::vector<float> kernel = GaussianKernel();
    const int radius = static_cast<int>(kernel.size() / 2);
    std::vector<float> across(levels.size());
    std::vector<float> both(levels.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float sum = 0;
            for (int k = -radius; k <= radius; ++k)
                sum += kernel[k + radius] * levels[y * width + std::clamp(x + k, 0, width - 1)];
            across[y * width + x] = sum;
        }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float sum = 0;
            for (int k = -radius; k <= radius; ++k)
                sum += kernel[k + radius] * across[std::clamp(y + k, 0, height - 1) * width + x];
            both[y * width + x] = sum;
        }
    return both;
}

int Score(const std::string& source, std::uint32_t width, int count, char** dotFiles)
{
    const ImportSource read = ReadImportSource(source);
    if (!read.image) {
        std::fprintf(stderr, "%s\n", read.message.c_str());
        return 1;
    }
    const GreyPlane grey = ScaleToWidth(*read.image, width);
    const int w = static_cast<int>(grey.width);
    const int h = static_cast<int>(grey.height);
    const std::vector<float> reference = Blur(grey.levels, w, h);
    for (int i = 0; i < count; ++i) {
        const QImage dots = QImage(QString::fromLocal8Bit(dotFiles[i])).convertToFormat(QImage::Format_Grayscale8);
        if (dots.width() != w || dots.height() != h) {
            std::fprintf(stderr, "%s: %d x %d dots, the photo scales to %d x %d\n", dotFiles[i], dots.width(),
                         dots.height(), w, h);
            return 1;
        }
        std::vector<float> levels;
        levels.reserve(reference.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                levels.push_back(dots.constScanLine(y)[x] < 128 ? 0.0f : 255.0f);
        const std::vector<float> blurred = Blur(levels, w, h);
        double sum = 0;
        for (std::size_t k = 0; k < blurred.size(); ++k)
            sum += std::fabs(blurred[k] - reference[k]);
        std::printf("%s %.2f\n", dotFiles[i], sum / static_cast<double>(blurred.size()));
    }
    return 0;
}

int Sheet(const std::string& out, const std::string& source, std::uint32_t width)
{
    std::vector<QImage> panels;
    for (const DitherMethod method : kDitherMethods) {
        ImportOptions options;
        options.width = width;
        options.method = method;
        const ImportResult imported = ImportPicture(source, options);
        if (!imported.dots) {
            std::fprintf(stderr, "%s\n", imported.message.c_str());
            return 1;
        }
        const DitheredDots& dots = *imported.dots;
        QImage panel(static_cast<int>(dots.width), static_cast<int>(dots.height), QImage::Format_Mono);
        panel.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        const std::uint32_t rowBytes = CPicture::BytesPerRow(dots.width);
        for (std::uint32_t y = 0; y < dots.height; ++y)
            std::copy_n(&dots.bits[y * rowBytes], rowBytes, panel.scanLine(static_cast<int>(y)));
        panels.push_back(panel);
    }
    const int panelWidth = panels.front().width();
    QImage sheet(4 * panelWidth + 3 * kSheetGap, panels.front().height(), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (std::size_t i = 0; i < panels.size(); ++i)
        painter.drawImage(static_cast<int>(i) * (panelWidth + kSheetGap), 0, panels[i]);
    painter.end();
    // One bit a pixel keeps the picture small and every dot exact.
    return sheet.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither).save(QString::fromLocal8Bit(out.c_str()))
               ? 0
               : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "score" && argc >= 5)
        return Score(argv[2], static_cast<std::uint32_t>(std::atoi(argv[3])), argc - 4, argv + 4);
    if (mode == "sheet" && argc == 5)
        return Sheet(argv[2], argv[3], static_cast<std::uint32_t>(std::atoi(argv[4])));
    std::fprintf(stderr, "usage: import_quality score SOURCE WIDTH DOTS... | sheet OUT SOURCE WIDTH\n");
    return 2;
}
