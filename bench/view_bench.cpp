// The view's repaint for one scroll step of a 2040 x 2040 picture, in the
// real main window on the offscreen platform.
#include "comm_settings.h"
#include "main_frame.h"
#include "picture_factory.h"
#include "user_message.h"
#include "vellumio_doc.h"
#include "vellumio_view.h"

#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr std::uint32_t kSize = 2040;

// Random dots, so that nothing is cheaper to draw than a real logo.
std::string WriteNoisePicture(const QString& folder)
{
    const std::string path = (folder + "/noise.bmp").toStdString();
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(CPicture::BytesPerRow(kSize)) * kSize);
    std::mt19937 random(7);
    for (auto& byte : bits)
        byte = static_cast<std::uint8_t>(random());
    auto writer = CreatePicture(PT_BITMAP, path);
    std::string message;
    std::uint32_t width = kSize;
    std::uint32_t height = kSize;
    if (writer->CropFrom(kSize, kSize, 0, 0, kSize, kSize, bits, message) != PR_OK ||
        writer->OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message) != PR_OK ||
        writer->Write(width, height, message) != PR_OK)
        return {};
    return path;
}

void ScrollStepRepaint(benchmark::State& state)
{
    QTemporaryDir folder;
    const std::string path = WriteNoisePicture(folder.path());
    CommSettings settings;
    CVellumioDoc document;
    CMainFrame frame(document, settings);
    frame.View().OnInitialUpdate();
    frame.show();
    if (path.empty() || !document.OnOpenDocument(path)) {
        state.SkipWithError("the picture could not be opened");
        return;
    }
    CVellumioView& view = frame.View();
    QApplication::processEvents();
    int paints = 0;
    QObject::connect(&view, &CVellumioView::PicturePainted, [&paints] { ++paints; });
    QScrollBar& bar = *view.VerticalBar();
    bool down = true;
    for (auto _ : state) {
        // The step invalidates what it moves; the repaint is what the
        // window's next frame costs.
        bar.triggerAction(down ? QAbstractSlider::SliderSingleStepAdd : QAbstractSlider::SliderSingleStepSub);
        QApplication::sendPostedEvents(&frame, QEvent::UpdateRequest);
        down = !down;
    }
    if (paints < static_cast<int>(state.iterations()))
        state.SkipWithError("a scroll step did not repaint the picture");
}
BENCHMARK(ScrollStepRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    SetMessageHandler([](const std::string&, MessageIcon, MessageButtons) { return MessageChoice::Ok; });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
