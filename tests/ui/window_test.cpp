// The main window over a real document: menu states, the lazy output build, a
// save against the converter, scroll bars and the background colour.
#include "comm_settings.h"
#include "expected_messages.h"
#include "main_frame.h"
#include "picture_info_page.h"
#include "vellumio_doc.h"
#include "vellumio_view.h"
#include "window_test_support.h"

#include <QtTest>
#include <QtWidgets>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The frame and view over a document, wired as the application wires them.
struct Window {
    CommSettings settings;
    std::optional<std::string> savePath;
    CVellumioDoc doc{{[] { return true; }, [] { return false; }, [this](auto&, auto&) { return savePath; }, {}}};
    CMainFrame frame{doc, settings};
    CVellumioView& view = frame.View();
    CPictureInfoPage& page = view.PictureInfoPage();

    Window()
    {
        QObject::connect(&page, &CPictureInfoPage::OutputParametersEdited, &doc, [this] {
            doc.SetModifiedFlag(true);
            doc.UpdateAllViews(0);
        });
        QObject::connect(&page, &CPictureInfoPage::OutputTypeChanged, &doc, [this](int type) { doc.m_nOutputType = type; });
        QObject::connect(&doc, &CVellumioDoc::OutputFileChosen, &page, &CPictureInfoPage::OnOutputFileSaved);
        view.OnInitialUpdate();
        frame.show();
    }
    void Run(int command) { frame.Action(command)->trigger(); }
    void Edit(int id, const QString& text) { page.findChild<QLineEdit*>(QString::number(id))->setText(text); }
    bool Open(const QString& path) { return doc.OnOpenDocument(path.toStdString()); }
    // Enabled states of the Window items and the two saves.
    QList<bool> Items() const
    {
        QList<bool> states;
        for (int command : {kInput, kOutput, kSave, kSaveAs})
            states << frame.Action(command)->isEnabled();
        return states;
    }
};

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ExpectedMessages m_messages;
    std::unique_ptr<Window> m_window;

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    // The window with an all-white picture of this size open.
    Window& ShowPicture(int width, int height)
    {
        const QString path = Path("picture.bmp");
        if (!WriteBitmap(path, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)) ||
            !m_window->Open(path))
            QTest::qFail("picture not written", __FILE__, __LINE__);
        return *m_window;
    }

private slots:
    void initTestCase() { UseSettingsIn(m_dir.path()); }
    void init()
    {
        m_window = std::make_unique<Window>();
        QVERIFY(QTest::qWaitForWindowExposed(&m_window->frame));
    }
    void cleanup()
    {
        m_window.reset();
        QVERIFY2(m_messages.Finish(), "an expected message was not shown");
    }

    // The Window items and the saves need an input picture. (Their check
    // marks: tests/e2e.)
    void menuItemsNeedAnInput()
    {
        Window& w = *m_window;
        QCOMPARE(w.Items(), QList<bool>(4, false));
        QVERIFY(w.Open(kSample));
        QCOMPARE(w.Items(), QList<bool>(4, true));
        QFile bad(Path("bad.bmp"));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("not a picture") > 0);
        bad.close();
        m_messages.Expect("Picture type not supported.");
        QVERIFY(!w.Open(bad.fileName()));
        QCOMPARE(w.Items(), QList<bool>(4, false));
    }

    void outputIsBuiltWhenShown()
    {
        Window& w = *m_window;
        QVERIFY(w.Open(kSample));
        w.Run(kOutput);
        w.Run(kInput);
        // While the input is shown an edit only marks the output out of date.
        w.Edit(1014, "120");
        QVERIFY(w.doc.IsModified());
        QCOMPARE(w.doc.OutputPicture()->GetWidth(), 300u);
        w.Run(kOutput);
        QVERIFY(!w.doc.IsModified());
        QCOMPARE(w.doc.OutputPicture()->GetWidth(), 120u);
        // A new type waits for the next edit.
        w.page.findChild<QComboBox*>("1009")->setCurrentIndex(PT_RASTER_GFX);
        QCOMPARE(w.doc.m_nOutputType, int(PT_RASTER_GFX));
        QCOMPARE(w.doc.OutputPicture()->GetType(), PT_BITMAP);
        w.Edit(1015, "40");
        QCOMPARE(w.doc.OutputPicture()->GetType(), PT_RASTER_GFX);
        QCOMPARE(w.doc.OutputPicture()->GetHeight(), 40u);
    }

    // Save writes under the page's output name, which is the input's; Save As
    // under the name asked for, which the page then shows.
    void savesWriteWhatTheConverterWrites()
    {
        QProcess cli;
        cli.start(VELLUMIO_CLI_EXECUTABLE, {"convert", kSample, Path("reference"), "--type", "3", "--width", "250"});
        QVERIFY(cli.waitForFinished(30000) && cli.exitCode() == 0);
        const QByteArray reference = ReadAll(Path("reference"));
        QVERIFY(!reference.isEmpty());

        Window& w = *m_window;
        QVERIFY(QFile::copy(kSample, Path("input.bmp")) && w.Open(Path("input.bmp")));
        w.page.findChild<QComboBox*>("1009")->setCurrentIndex(PT_RASTER_GFX);
        w.Edit(1014, "250");
        for (int i = 0; i < 2; ++i)
            m_messages.Expect("Picture Width has been adjusted to be compatible with selected output format");
        w.Run(kSave);
        QCOMPARE(ReadAll(Path("input.bmp")), reference);
        w.savePath = Path("saved-as").toStdString();
        w.Run(kSaveAs);
        QCOMPARE(ReadAll(Path("saved-as")), reference);
        QCOMPARE(w.page.findChild<QLineEdit*>("1008")->text(), Path("saved-as"));
    }

    // A bar only for a picture larger than the view. A step stops short of
    // the ends, a page back stops at 1; the wheel pages the one bar shown.
    void scrollBars()
    {
        ShowPicture(40, m_window->view.height() - 170);
        QVERIFY(m_window->view.VerticalBar()->isVisibleTo(&m_window->view));
        for (int extra : {0, 1, 100}) {
            ShowPicture(m_window->view.width() - 40 + extra, 10);
            QCOMPARE(m_window->view.HorizontalBar()->isVisibleTo(&m_window->view), extra > 0);
            QVERIFY(!m_window->view.VerticalBar()->isVisibleTo(&m_window->view));
        }
        Window& w = *m_window;
        QTRY_VERIFY(!w.view.DisplayBitmap().isNull());
        QScrollBar& bar = *w.view.HorizontalBar();
        using Bar = QAbstractSlider;
        for (auto [action, from, to] : {std::tuple{Bar::SliderPageStepSub, 10, 10}, {Bar::SliderPageStepSub, 11, 1},
                                        {Bar::SliderSingleStepSub, 10, 9}, {Bar::SliderSingleStepSub, 0, 0},
                                        {Bar::SliderPageStepAdd, 10, 20}, {Bar::SliderSingleStepAdd, 10, 11}}) {
            bar.setValue(from);
            bar.triggerAction(action);
            QCOMPARE(bar.value(), to);
        }
        // Down 10, down 10, then up from 20.
        bar.setValue(0);
        for (int delta : {-120, -1, 120}) {
            QWheelEvent wheel(QPointF(50, 300), w.view.mapToGlobal(QPointF(50, 300)), {}, QPoint(0, delta),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&w.view, &wheel);
        }
        QCOMPARE(bar.value(), 10);
    }

    void backgroundColourFromTheContextMenu()
    {
        Window& w = *m_window;
        const QColor chosen(0x12, 0x34, 0x56);
        QColor offered;
        w.view.m_chooseColor = [&](const QColor& initial, QWidget*) {
            offered = initial;
            return std::optional<QColor>(chosen);
        };
        QTimer::singleShot(0, this, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            menu->actions().front()->trigger();
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(50, 300), w.view.mapToGlobal(QPoint(50, 300)));
        QApplication::sendEvent(&w.view, &event);
        QCOMPARE(offered, QColor(0, 0, 0xFF));
        QCOMPARE(w.settings.m_nBackgroundColor, 0x563412);
        QCOMPARE(w.view.grab().toImage().pixelColor(5, 300), chosen);
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
