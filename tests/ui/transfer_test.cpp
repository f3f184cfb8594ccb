// Logo transfer from the window: the real application and its "Download"
// page against the virtual printer on a serial port, with what the
// end-to-end run cannot see: the busy states, a stall, a hang-up and a wrong
// checksum.
#include "comm_settings.h"
#include "communication_page.h"
#include "download_page.h"
#include "expected_messages.h"
#include "main_frame.h"
#include "port_lists.h"
#include "printer_commands.h"
#include "printer_process.h"
#include "vellumio_app.h"
#include "vellumio_view.h"
#include "window_test_support.h"

#include <QtTest>
#include <QtWidgets>

#include <algorithm>

namespace {

constexpr int kPrint = 1045, kLogoNumber = 1043;
constexpr int kTransferLimitMs = 20000;

}  // namespace

class TransferTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ExpectedMessages m_messages;
    std::unique_ptr<PrinterProcess> m_printer;
    std::unique_ptr<CVellumioApp> m_app;

    // The virtual printer with `options`, then the program on it.
    bool Start(const std::vector<std::string>& options)
    {
        m_printer = std::make_unique<PrinterProcess>(options);
        if (!m_printer->Started())
            return false;
        const std::string link = m_printer->LinkPath().string();
        qputenv(kSerialPortsVariable, QByteArray::fromStdString(link));
        const std::vector<std::string> ports = ListSerialPorts();
        const auto store = OpenSettingsStore();
        store->clear();
        store->setValue("Settings/Interface", kInterfaceSerial);
        store->setValue("Settings/Port", static_cast<int>(std::find(ports.begin(), ports.end(), link) - ports.begin()));
        store->setValue("Settings/Version", 1);
        store->sync();
        m_app = std::make_unique<CVellumioApp>(AppEnvironment{{}, false});
        return m_app->InitInstance({"vellumio", kSample});
    }

    CVellumioView& View() const { return m_app->MainFrame()->View(); }
    CDownloadPage& Page() const { return View().DownloadPage(); }
    QPushButton& Button(int id) const { return *Page().findChild<QPushButton*>(QString::number(id)); }
    QProgressBar& Bar() const { return *Page().findChild<QProgressBar*>(); }
    bool Idle() const
    {
        const QList<QWidget*> controls = Page().findChildren<QWidget*>();
        return std::all_of(controls.begin(), controls.end(), [](QWidget* control) {
            return control->isEnabled() || qobject_cast<QLineEdit*>(control);
        }) && View().CommunicationPage().isEnabled();
    }

    // Downloads the sample into `slot` and waits for the end of it.
    bool Download(int slot)
    {
        Page().findChild<QComboBox*>(QString::number(kLogoNumber))->setCurrentIndex(slot);
        QTest::mouseClick(&Button(kDownloadButton), Qt::LeftButton);
        return QTest::qWaitFor([this] { return Bar().value() == 100 && Idle(); }, kTransferLimitMs);
    }

private slots:
    void initTestCase() { UseSettingsIn(m_dir.path()); }
    void cleanup()
    {
        if (m_app)
            m_app->ExitInstance();
        m_app.reset();
        m_printer.reset();
        QVERIFY2(m_messages.Finish(), "an expected message was not shown");
    }

    // While the bar moves only the download's button is usable, and it reads
    // "Abort"; the interface cannot change under it. A wrong checksum is
    // told at the end. An upload that stalls offers its "Abort" and nothing
    // else.
    void busyTransfersOnAFaultyPrinter()
    {
        QVERIFY(Start({"--baud", "115200", "--wrong-checksum", "--stall-upload"}));
        m_messages.Expect(std::string(printer_messages::kWrongChecksum));
        int moving = 0, busy = 0;
        {
            QObject watch;
            connect(&Bar(), &QProgressBar::valueChanged, &watch, [&](int value) {
                const bool running = value > 0 && value < 100;
                moving += running;
                busy += running && Button(kDownloadButton).text() == "Abort" && Button(kDownloadButton).isEnabled() &&
                        !Button(kPrint).isEnabled() && !View().CommunicationPage().isEnabled();
            });
            QVERIFY(Download(5));
        }
        QVERIFY2(moving > 0, "the bar never stood between 0 and 100");
        QCOMPARE(busy, moving);
        QCOMPARE(Button(kDownloadButton).text(), QString("Download"));
        QVERIFY(m_messages.AllShown());

        Page().SetStallTimeout(std::chrono::milliseconds(50));
        QTest::mouseClick(&Button(kUploadButton), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([this] { return Button(kUploadButton).isEnabled() && !Button(kPrint).isEnabled(); },
                                kTransferLimitMs));
        QCOMPARE(Button(kUploadButton).text(), QString("Abort"));
        QVERIFY(Bar().value() > 0 && Bar().value() < 100);
        QVERIFY(!View().CommunicationPage().isEnabled());
        QTest::mouseClick(&Button(kUploadButton), Qt::LeftButton);
        QVERIFY(Idle());
        QCOMPARE(Bar().value(), 0);
        QCOMPARE(Button(kUploadButton).text(), QString("Upload"));
    }

    void hangUpStopsTheDownload()
    {
        // Far more than the terminal holds, so the writer meets the hang-up.
        QVERIFY(Start({"--baud", "115200", "--hangup-after", "2000"}));
        QVERIFY(WriteBitmap(m_dir.filePath("wide.bmp"), 576, 576));
        QVERIFY(m_app->OpenDocumentFile(m_dir.filePath("wide.bmp").toStdString()));
        m_messages.Expect(std::string(printer_messages::kDownloadStopped));
        Page().findChild<QComboBox*>(QString::number(kLogoNumber))->setCurrentIndex(3);
        QTest::mouseClick(&Button(kDownloadButton), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([this] { return m_messages.AllShown(); }, kTransferLimitMs));
        QVERIFY(Idle());
        QCOMPARE(Bar().value(), 0);
        QCOMPARE(Button(kDownloadButton).text(), QString("Download"));
    }
};

QTEST_MAIN(TransferTest)
#include "transfer_test.moc"
