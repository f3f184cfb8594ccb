// The application with a fake printer link: start-up and shut-down, the
// reconnection a change on the "Communication" page makes, opening files, the
// recent-file list, File Open and the key filter.
#include "comm_settings.h"
#include "communication_page.h"
#include "expected_messages.h"
#include "main_frame.h"
#include "picture_info_page.h"
#include "recording_communication.h"
#include "vellumio_app.h"
#include "vellumio_doc.h"
#include "vellumio_view.h"
#include "window_test_support.h"

#include <QtTest>
#include <QtWidgets>

#include <algorithm>
#include <stdexcept>

namespace {

enum Component { LinkOpens, LinkClosed, NoComponent, ComponentRefused };

// The recording component, whose port opens or stays closed.
struct FakeCommunication : RecordingCommunication {
    bool opens = true;
    void Open(const std::string& portName) override
    {
        Note("Open", portName);
        m_bOpen = opens;
    }
    std::vector<std::string> GetComPorts() override { return {"/dev/ttyUSB0"}; }
};

// Counts the presses of one key that get past the application to a widget.
struct KeyCounter : QObject {
    int key = 0;
    int presses = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        presses += event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == key;
        return false;
    }
};

}  // namespace

class ApplicationTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ExpectedMessages m_messages;
    std::unique_ptr<CVellumioApp> m_app;

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    bool Start(const QStringList& files = {}, Component kind = LinkOpens)
    {
        Stop();
        m_app = std::make_unique<CVellumioApp>(AppEnvironment{[kind]() -> std::unique_ptr<ICommunication> {
            if (kind == ComponentRefused)
                throw std::runtime_error("Class not registered");
            auto link = kind == NoComponent ? nullptr : std::make_unique<FakeCommunication>();
            if (link)
                link->opens = kind == LinkOpens;
            return link;
        }, false});
        return m_app->InitInstance(QStringList{"vellumio"} + files);
    }
    void Stop()
    {
        if (m_app)
            m_app->ExitInstance();
        m_app.reset();
    }
    CMainFrame& Frame() const { return *m_app->MainFrame(); }
    CVellumioDoc& Doc() const { return *m_app->Document(); }
    QLineEdit& Edit(int id) const { return *Frame().View().PictureInfoPage().findChild<QLineEdit*>(QString::number(id)); }
    // The recent-file entries the File menu shows.
    QList<QAction*> RecentItems() const
    {
        QList<QAction*> items;
        for (QAction* action : qobject_cast<QMenu*>(Frame().Action(kOpen)->parent())->actions()) {
            const int id = action->objectName().toInt();
            if (action->isVisible() && id >= kRecentFile && id < kRecentFile + 4)
                items << action;
        }
        return items;
    }

private slots:
    void initTestCase() { UseSettingsIn(m_dir.path()); }
    void init() { OpenSettingsStore()->clear(); }
    void cleanup()
    {
        Stop();
        QVERIFY2(m_messages.Finish(), "an expected message was not shown");
    }

    void startUpShowsTheEmptyWindow()
    {
        QVERIFY(Start());
        QVERIFY(Frame().isVisible());
        QVERIFY(!Doc().InputPicture());
        QCOMPARE(RecentItems().size(), 1);
        QVERIFY(!RecentItems().front()->isEnabled());
        // Shut-down closes the port.
        const auto& link = dynamic_cast<const FakeCommunication&>(*m_app->Communication());
        m_app->ExitInstance();
        QVERIFY(link.m_calls.back() == "Close");
    }

    // The document hears of the port's state, also when a new interface
    // chosen on the page connects at once; the frame shows its text.
    void statusTextNamesTheLinksState()
    {
        const auto store = OpenSettingsStore();
        store->setValue("Settings/Network host", "printer.lan");
        store->setValue("Settings/Network port", 9100);
        QVERIFY(Start({kSample}, LinkClosed));
        QCOMPARE(Frame().StatusText(), QString("Input picture displayed - Communication broken"));
        auto& link = dynamic_cast<FakeCommunication&>(*m_app->Communication());
        link.opens = true;
        Frame().View().CommunicationPage().findChild<QRadioButton*>("1071")->toggle();
        QVERIFY(std::ranges::count(link.m_calls, "Open(tcp://printer.lan:9100)") == 1);
        QCOMPARE(Frame().StatusText(), QString("Input picture displayed - Ready to communicate"));
        QCOMPARE(m_app->StatusText(), Frame().StatusText());
    }

    void failedStartUp()
    {
        const QString missing = Path("missing.bmp"), failed = "Failed to create ICommunication instance\n";
        for (auto [files, kind, message] : {std::tuple{QStringList{missing}, LinkOpens, "Cannot open file " + missing + "."},
                                            {QStringList(), NoComponent, failed},
                                            {QStringList(), ComponentRefused, failed + "Class not registered"}}) {
            m_messages.Expect(message.toStdString());
            QVERIFY(!Start(files, kind));
            QVERIFY(!m_app->MainFrame() || !m_app->MainFrame()->isVisible());
            // Shut-down still stores the settings.
            m_app->Settings().m_nBackgroundColor = 0x0A0B0C;
            Stop();
            QCOMPARE(OpenSettingsStore()->value("Settings/Backgound color").toInt(), 0x0A0B0C);
            OpenSettingsStore()->clear();
        }
    }

    void openingTheOpenFileReadsItAgain()
    {
        QVERIFY(WriteBitmap(Path("logo.bmp"), 40, 10));
        QVERIFY(Start({Path("logo.bmp")}));
        Frame().Action(kOutput)->trigger();
        QVERIFY(WriteBitmap(Path("logo.bmp"), 64, 12));
        QVERIFY(m_app->OpenDocumentFile(Path("logo.bmp").toStdString()));
        QCOMPARE(Doc().InputPicture()->GetHeight(), 12u);
        QVERIFY(Doc().m_bInputDisplayed);
        QCOMPARE(Edit(1014).text(), QString("64"));
    }

    void recentFilesNewestFirst()
    {
        QVERIFY(Start());
        QStringList paths;
        for (int i : {1, 2, 3, 4, 5, 3}) {
            paths << Path(QString("logo%1.bmp").arg(i));
            QVERIFY(WriteBitmap(paths.back(), 8, 8));
            QVERIFY(m_app->OpenDocumentFile(paths.back().toStdString()));
        }
        // The next run shows the list kept, newest first, and an entry opens its file.
        const QStringList expected{paths[2], paths[4], paths[3], paths[1]};
        QVERIFY(Start());
        const QList<QAction*> items = RecentItems();
        QCOMPARE(items.size(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(items[i]->text(), QString("&%1 %2").arg(i + 1).arg(expected[i]));
        items[1]->trigger();
        QCOMPARE(QString::fromStdString(Doc().FilePath()), expected[1]);
        QVERIFY(Doc().InputPicture());
    }

    // File Open offers the last file's folder and type, and opens the path chosen.
    void fileOpen()
    {
        for (auto [last, initial] : {std::pair{"/x.y/name", "/x.y/*.*"}, {"shop.bmp", "*.bmp"},
                                     {"/a/b.tar.gz", "/a/*.tar.gz"}})
            QCOMPARE(FileOpenInitialName(last), std::string(initial));
        QVERIFY(QFile::copy(kSample, Path("shop.log")));
        QVERIFY(Start());
        QStringList offered;
        Frame().m_askOpenPath = [&](const QString& initialName, QWidget*) {
            offered << initialName;
            return std::optional<std::string>(Path("shop.log").toStdString());
        };
        Frame().Action(kOpen)->trigger();
        Frame().Action(kOpen)->trigger();
        QCOMPARE(offered, (QStringList{"*.*", Path("*.log")}));
        QCOMPARE(QString::fromStdString(Doc().FilePath()), Path("shop.log"));
        QCOMPARE(Doc().InputPicture()->GetWidth(), 300u);
    }

    void keyFilter()
    {
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, ctrlShift = ctrl | Qt::ShiftModifier;
        const struct { Qt::Key key; Qt::KeyboardModifiers modifiers; int fromTab, toTab; bool delivered; } cases[] = {
            {Qt::Key_Tab, ctrl, 2, 0, false},         // on to the first tab from the last
            {Qt::Key_Backtab, ctrlShift, 0, 2, false},
            {Qt::Key_Tab, ctrlShift, 1, 0, false},    // Shift turns Tab back
            {Qt::Key_Return, {}, 0, 0, false},
            {Qt::Key_Enter, Qt::KeypadModifier, 0, 0, false},
            {Qt::Key_Escape, {}, 0, 0, false},
            {Qt::Key_Left, {}, 0, 0, true},
        };
        for (const auto& c : cases) {
            QVERIFY(Start({kSample}));
            QTabWidget& tabs = Frame().View().TabControl();
            tabs.setCurrentIndex(c.fromTab);
            QWidget* target = c.fromTab == 0 ? &Edit(1014) : tabs.currentWidget();
            KeyCounter counter;
            counter.key = c.key;
            target->installEventFilter(&counter);
            QTest::keyClick(target, c.key, c.modifiers);
            QCOMPARE(tabs.currentIndex(), c.toTab);
            QCOMPARE(counter.presses > 0, c.delivered);
        }
    }
};

QTEST_MAIN(ApplicationTest)
#include "application_test.moc"
