// A logo download from the window, timed: the real application on the
// virtual printer (reached as a serial port), its "Download" page, one click
// per run. Prints, per run and as means, the time from the click to the bar
// at 100 and to the checksum check, each against the line's own time (image
// bytes x 10 bits / baud), and the longest the window went without a repaint
// while the bytes went out and while the check ran. A timer asks the view
// for a repaint every 10 ms, so any longer gap is time the window was held.
//
// Usage: window_download_bench LINK LOGO.bmp BAUD RUNS
// (bench/window-download-bench.sh starts the printer and sets the private
// settings folder). Exit status 0 when every run ended without a message.
#include "comm_settings.h"
#include "download_page.h"
#include "main_frame.h"
#include "port_lists.h"
#include "user_message.h"
#include "vellumio_app.h"
#include "vellumio_doc.h"
#include "vellumio_view.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kRepaintAskMs = 10;
constexpr int kRunLimitMs = 60000;

struct Run {
    double toFull = 0;     // s, click to the bar at 100
    double toChecked = 0;  // s, click to the checksum checked
    double sendingGap = 0;  // ms, longest time without a repaint up to 100
    double checkingGap = 0;  // ms, the same from 100 to the check's end
    std::vector<std::string> messages;
};

// Counts paints of the watched widget.
class PaintClock : public QObject {
public:
    explicit PaintClock(const QElapsedTimer& clock) : m_clock(clock) {}
    std::vector<qint64> paints;  // ns since the clock started

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            paints.push_back(m_clock.nsecsElapsed());
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& m_clock;
};

// The longest stretch in [from, to] (ns) without a paint, in ms.
double LongestGap(const std::vector<qint64>& paints, qint64 from, qint64 to)
{
    qint64 last = from;
    qint64 longest = 0;
    for (const qint64 at : paints) {
        if (at <= from || at > to)
            continue;
        longest = std::max(longest, at - last);
        last = at;
    }
    return static_cast<double>(std::max(longest, to - last)) / 1e6;
}

template <typename Widget>
Widget& Control(const CDownloadPage& page, int id)
{
    return *page.findChild<Widget*>(QString::number(id));
}

std::optional<Run> DownloadOnce(CVellumioApp& app, int slot)
{
    CVellumioView& view = app.MainFrame()->View();
    CDownloadPage& page = view.DownloadPage();
    auto& number = Control<QComboBox>(page, 1043);
    auto& button = Control<QPushButton>(page, kDownloadButton);
    auto& remaining = Control<QLineEdit>(page, 1068);
    auto& bar = *page.findChild<QProgressBar*>();
    number.setCurrentIndex(slot);

    Run run;
    const MessageHandler previous = SetMessageHandler([&run](const std::string& text, MessageIcon, MessageButtons) {
        run.messages.push_back(text);
        return MessageChoice::Ok;
    });
    QElapsedTimer clock;
    PaintClock paints(clock);
    view.installEventFilter(&paints);
    QTimer repaint;
    repaint.setInterval(kRepaintAskMs);
    QObject::connect(&repaint, &QTimer::timeout, &view, [&view] { view.update(); });

    qint64 full = -1;
    qint64 checked = -1;
    QEventLoop loop;
    const QString before = remaining.text();
    const auto fullAt = QObject::connect(&bar, &QProgressBar::valueChanged, [&](int value) {
        if (value == 100 && full < 0)
            full = clock.nsecsElapsed();
    });
    // The remaining memory is asked for again once the check has returned.
    const auto checkedAt = QObject::connect(&remaining, &QLineEdit::textChanged, [&] {
        if (full >= 0 && checked < 0 && remaining.text() != before) {
            checked = clock.nsecsElapsed();
            loop.quit();
        }
    });
    QTimer::singleShot(kRunLimitMs, &loop, &QEventLoop::quit);

    clock.start();
    repaint.start();
    button.click();
    if (checked < 0)
        loop.exec();
    repaint.stop();
    view.removeEventFilter(&paints);
    QObject::disconnect(fullAt);
    QObject::disconnect(checkedAt);
    SetMessageHandler(previous);

    if (full < 0 || checked < 0) {
        std::fprintf(stderr, "run into slot %d did not end within %d s (bar at %d)\n", slot, kRunLimitMs / 1000,
                     bar.value());
        return std::nullopt;
    }
    run.toFull = static_cast<double>(full) / 1e9;
    run.toChecked = static_cast<double>(checked) / 1e9;
    run.sendingGap = LongestGap(paints.paints, 0, full);
    run.checkingGap = LongestGap(paints.paints, full, checked);
    return run;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName("QUORIX");
    QCoreApplication::setApplicationName("Vellumio");
    const QStringList args = QApplication::arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: window_download_bench LINK LOGO.bmp BAUD RUNS\n");
        return 2;
    }
    const std::string link = args[1].toStdString();
    const int baud = args[3].toInt();
    const int runs = args[4].toInt();
    if (baud <= 0 || runs <= 0 || runs > 8) {
        std::fprintf(stderr, "BAUD must be positive and RUNS between 1 and 8\n");
        return 2;
    }

    // The printer is a serial port of the program's own list, at BAUD.
    qputenv(kSerialPortsVariable, QByteArray::fromStdString(link));
    const std::vector<std::string> ports = ListSerialPorts();
    const auto at = std::find(ports.begin(), ports.end(), link);
    if (at == ports.end()) {
        std::fprintf(stderr, "%s is not in the serial port list\n", link.c_str());
        return 1;
    }
    {
        const auto store = OpenSettingsStore();
        store->clear();
        store->setValue("Settings/Interface", kInterfaceSerial);
        store->setValue("Settings/Port", static_cast<int>(at - ports.begin()));
        store->setValue("Settings/Baud rate", baud);
        store->setValue("Settings/Version", 1);
        store->sync();
    }

    AppEnvironment environment;
    environment.showPleaseWait = false;
    CVellumioApp app(std::move(environment));
    if (!app.InitInstance({"vellumio", args[2]})) {
        app.ExitInstance();
        return 1;
    }
    app.MainFrame()->show();
    app.MainFrame()->View().TabControl().setCurrentIndex(1);
    const auto image = app.Document()->BuildDownloadImage();
    if (!image) {
        app.ExitInstance();
        return 1;
    }
    const double line = static_cast<double>(image->size()) * 10 / baud;
    std::printf("image:         %zu bytes, line time %.3f s at %d baud\n", image->size(), line, baud);

    std::vector<Run> done;
    bool clean = true;
    for (int slot = 0; slot < runs; ++slot) {
        const auto run = DownloadOnce(app, slot);
        if (!run) {
            clean = false;
            break;
        }
        for (const std::string& message : run->messages) {
            std::printf("message:       %s\n", message.c_str());
            clean = false;
        }
        std::printf("run %d:         bar 100 after %.3f s, checked after %.3f s (%.4f x line); "
                    "longest without repaint %.1f ms sending, %.1f ms checking\n",
                    slot + 1, run->toFull, run->toChecked, run->toChecked / line, run->sendingGap,
                    run->checkingGap);
        done.push_back(*run);
    }
    app.ExitInstance();
    if (done.empty())
        return 1;

    double full = 0;
    double checked = 0;
    double sendingGap = 0;
    double checkingGap = 0;
    for (const Run& run : done) {
        full += run.toFull / static_cast<double>(done.size());
        checked += run.toChecked / static_cast<double>(done.size());
        sendingGap = std::max(sendingGap, run.sendingGap);
        checkingGap = std::max(checkingGap, run.checkingGap);
    }
    // One figure per field after the label, for the script's verdict.
    std::printf("to-100:        %.3f s mean of %zu, x line %.4f\n", full, done.size(), full / line);
    std::printf("to-check:      %.3f s mean of %zu, x line %.4f\n", checked, done.size(), checked / line);
    std::printf("repaint-gap:   %.1f ms sending, %.1f ms checking, the longest of all runs\n", sendingGap, checkingGap);
    return clean ? 0 : 1;
}
