// The import dialog's redraw after one change, for a photo-sized source at
// 80 mm paper (576 dots): a change of method or tone redoes tone and dither
// on the kept plane, a change of width also the area average from the
// source. On the offscreen platform, preview pixmap included.
#include "import_dlg.h"

#include <QApplication>
#include <QComboBox>
#include <QSpinBox>

#include <benchmark/benchmark.h>

#include <random>

namespace {

// A 4000 x 3000 grey photo stand-in: a gradient under grain.
GreyImage PhotoSizedSource()
{
    GreyImage source{4000, 3000, {}};
    source.levels.resize(static_cast<std::size_t>(source.width) * source.height);
    std::mt19937 random(11);
    std::size_t i = 0;
    for (std::uint32_t y = 0; y < source.height; ++y)
        for (std::uint32_t x = 0; x < source.width; ++x)
            source.levels[i++] = static_cast<std::uint8_t>((x * 200 / source.width + y * 55 / source.height +
                                                            random() % 24) % 256);
    return source;
}

ImportOptions PaperWide()
{
    ImportOptions options;
    options.width = 576;
    return options;
}

void MethodChange(benchmark::State& state)
{
    CImportDlg dialog(PhotoSizedSource(), PaperWide());
    auto& method = *dialog.findChild<QComboBox*>(QStringLiteral("method"));
    int next = 0;
    for (auto _ : state) {
        method.setCurrentIndex(next);
        next = (next + 1) % method.count();
    }
}
BENCHMARK(MethodChange)->Unit(benchmark::kMillisecond);

void BrightnessChange(benchmark::State& state)
{
    CImportDlg dialog(PhotoSizedSource(), PaperWide());
    auto& brightness = *dialog.findChild<QSpinBox*>(QStringLiteral("brightness"));
    int value = 0;
    for (auto _ : state)
        brightness.setValue(++value % 50);
}
BENCHMARK(BrightnessChange)->Unit(benchmark::kMillisecond);

void WidthChange(benchmark::State& state)
{
    CImportDlg dialog(PhotoSizedSource(), PaperWide());
    auto& size = *dialog.findChild<QComboBox*>(QStringLiteral("size"));
    // 80 mm paper and 640 dots in turn.
    const int paper = size.findData(576);
    const int wider = size.findData(640);
    bool wide = false;
    for (auto _ : state) {
        size.setCurrentIndex(wide ? paper : wider);
        wide = !wide;
    }
}
BENCHMARK(WidthChange)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
