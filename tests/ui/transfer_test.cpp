// Logo transfer from the window: the real application and its "Download"
// page against the virtual printer, reached as a serial port or, chosen on
// the "Communication" page, over the network.
#include "comm_settings.h"
#include "communication_page.h"
#include "download_page.h"
#include "expected_messages.h"
#include "main_frame.h"
#include "port_lists.h"
#include "printer_commands.h"
#include "printer_process.h"
#include "spawn_process.h"
#include "vellumio_app.h"
#include "vellumio_doc.h"
#include "vellumio_view.h"
#include "window_test_support.h"

#include <QtTest>
#include <QtWidgets>

#include <algorithm>

namespace {

constexpr int kPrint = 1045, kLogoNumber = 1043, kTotal = 1060, kLogo = 1061, kRemaining = 1068;
constexpr int kTransferLimitMs = 20000;

}  // namespace

class TransferTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ExpectedMessages m_messages;
    std::unique_ptr<PrinterProcess> m_printer;
    std::unique_ptr<CVellumioApp> m_app;

    // The virtual printer with `options`, then the program on it.
    bool Start(const std::vector<std::string>& options = {}, int version = 1)
    {
        Stop();
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
        store->setValue("Settings/Version", version);
        store->sync();
        m_app = std::make_unique<CVellumioApp>(AppEnvironment{{}, false});
        return m_app->InitInstance({"vellumio", kSample});
    }
    void Stop()
    {
        if (m_app)
            m_app->ExitInstance();
        m_app.reset();
        m_printer.reset();
    }

    CVellumioView& View() const { return m_app->MainFrame()->View(); }
    CDownloadPage& Page() const { return View().DownloadPage(); }
    QPushButton& Button(int id) const { return *Page().findChild<QPushButton*>(QString::number(id)); }
    QString Figure(int id) const { return Page().findChild<QLineEdit*>(QString::number(id))->text(); }
    QProgressBar& Bar() const { return *Page().findChild<QProgressBar*>(); }
    void SelectSlot(int slot) const { Page().findChild<QComboBox*>(QString::number(kLogoNumber))->setCurrentIndex(slot); }
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
        SelectSlot(slot);
        QTest::mouseClick(&Button(kDownloadButton), Qt::LeftButton);
        return QTest::qWaitFor([this] { return Bar().value() == 100 && Idle(); }, kTransferLimitMs);
    }

private slots:
    void initTestCase() { UseSettingsIn(m_dir.path()); }
    void cleanup()
    {
        Stop();
        QVERIFY2(m_messages.Finish(), "an expected message was not shown");
    }

    // While the bar moves only the running transfer's button is usable, and
    // it reads "Abort"; the download's is, the upload's is not until it stalls.
    void downloadPrintAndUploadTheLogo()
    {
        QVERIFY(Start({"--baud", "115200"}));
        QCOMPARE(m_app->MainFrame()->StatusText(), QString("Input picture displayed - Ready to communicate"));
        const QString remainingBefore = Figure(kRemaining);
        QVERIFY(!remainingBefore.isEmpty());
        int moving = 0, busy = 0;
        const auto watch = [&](int button, bool buttonEnabled) {
            return connect(&Bar(), &QProgressBar::valueChanged, this, [&, button, buttonEnabled](int value) {
                moving += value > 0 && value < 100;
                busy += value > 0 && value < 100 && Button(button).text() == "Abort" &&
                        Button(button).isEnabled() == buttonEnabled && !Button(kPrint).isEnabled() &&
                        !View().CommunicationPage().isEnabled();
            });
        };
        const auto downloadWatch = watch(kDownloadButton, true);
        QVERIFY(Download(5));
        QVERIFY2(moving > 0, "the bar never stood between 0 and 100");
        QCOMPARE(busy, moving);
        QCOMPARE(Button(kDownloadButton).text(), QString("Download"));
        // The logo took memory, and the page asked again.
        QVERIFY(Figure(kRemaining) != remainingBefore);
        disconnect(downloadWatch);

        // The printer prints slot 5 at the page's size: double width, height, both.
        const char* sizes[] = {"304 80", "608 80", "304 160", "608 160"};
        for (int mode = 0; mode < 4; ++mode) {
            Page().findChild<QRadioButton*>(QString::number(1046 + mode))->setChecked(true);
            QTest::mouseClick(&Button(kPrint), Qt::LeftButton);
            QFile printed(m_printer->PaperFolder() / ("logo-5-" + std::to_string(mode + 1) + ".pbm"));
            QVERIFY(WaitForPath(printed.filesystemFileName(), std::chrono::seconds(5)));
            QVERIFY(printed.open(QIODevice::ReadOnly));
            QVERIFY(printed.readAll().startsWith("P4\n" + QByteArray(sizes[mode]) + "\n"));
        }

        const std::vector<std::uint8_t> sent(m_app->Document()->InputPicture()->GetBits().begin(),
                                             m_app->Document()->InputPicture()->GetBits().end());
        moving = busy = 0;
        watch(kUploadButton, false);
        QTest::mouseClick(&Button(kUploadButton), Qt::LeftButton);
        // The 300-dot sample comes back at the LOGO width, 304 dots.
        QVERIFY(QTest::qWaitFor([this] { return m_app->Document()->InputPicture()->GetWidth() == 304; },
                                kTransferLimitMs));
        QVERIFY(moving > 0);
        QCOMPARE(busy, moving);
        QVERIFY(Idle());
        QCOMPARE(Button(kUploadButton).text(), QString("Upload"));
        const CPicture& uploaded = *m_app->Document()->InputPicture();
        QCOMPARE(uploaded.GetHeight(), 80u);
        QVERIFY(std::equal(sent.begin(), sent.end(), uploaded.GetBits().begin(), uploaded.GetBits().end()));

        m_messages.Expect(std::string(printer_messages::kNoLogoAtLocation));
        SelectSlot(9);
        QTest::mouseClick(&Button(kUploadButton), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([this] { return m_messages.AllShown(); }, kTransferLimitMs));
    }

    void wrongChecksumAndEmptyRequest()
    {
        QVERIFY(Start({"--wrong-checksum"}));
        m_messages.Expect(std::string(printer_messages::kWrongChecksum));
        QVERIFY(Download(7));
        // Nothing selected: the page asks for a number, then reports the failure.
        SelectSlot(-1);
        m_messages.Expect(std::string(printer_messages::kSelectLogoNumber));
        m_messages.Expect(std::string(printer_messages::kCommunicationFailure));
        QTest::mouseClick(&Button(kPrint), Qt::LeftButton);
    }

    void eraseIsBusyUntilThePrinterAnswers()
    {
        QVERIFY(Start());
        QTest::mouseClick(&Button(kEraseButton), Qt::LeftButton);
        QCOMPARE(Button(kEraseButton).text(), QString("Abort"));
        QVERIFY(Button(kEraseButton).isEnabled() && !Button(kDownloadButton).isEnabled());
        QVERIFY(QTest::qWaitFor([this] { return Idle() && Button(kEraseButton).text() == "Erase"; }));
        // "Abort" gives the page back at once.
        QTest::mouseClick(&Button(kEraseButton), Qt::LeftButton);
        QTest::mouseClick(&Button(kEraseButton), Qt::LeftButton);
        QVERIFY(Idle());
        QCOMPARE(Button(kEraseButton).text(), QString("Erase"));
    }

    void hangUpStopsTheDownload()
    {
        // Far more than the terminal holds, so the writer meets the hang-up.
        QVERIFY(Start({"--baud", "115200", "--hangup-after", "2000"}));
        QVERIFY(WriteBitmap(m_dir.filePath("wide.bmp"), 576, 576));
        QVERIFY(m_app->OpenDocumentFile(m_dir.filePath("wide.bmp").toStdString()));
        m_messages.Expect(std::string(printer_messages::kDownloadStopped));
        SelectSlot(3);
        QTest::mouseClick(&Button(kDownloadButton), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([this] { return m_messages.AllShown(); }, kTransferLimitMs));
        QVERIFY(Idle());
        QCOMPARE(Bar().value(), 0);
        QCOMPARE(Button(kDownloadButton).text(), QString("Download"));
    }

    void stalledUploadOffersOnlyAbort()
    {
        QVERIFY(Start({"--stall-upload"}));
        QVERIFY(Download(5));
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

    // Without the protocol level only the remaining memory is known, the
    // sizes offered stop at 1024 and there is no upload.
    void memoryFiguresAndSetup()
    {
        for (const int version : {1, 0}) {
            QVERIFY(Start({"--total-memory", "1280", "--logo-memory", "512"}, version));
            QCOMPARE((QStringList{Figure(kTotal), Figure(kLogo)}),
                     (version == 1 ? QStringList{"1280", "512"} : QStringList{"", ""}));
            QVERIFY(!Figure(kRemaining).isEmpty());
            QCOMPARE(Button(kUploadButton).isHidden(), version == 0);
            int offered = 0;
            QTimer::singleShot(0, this, [&offered] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                auto* sizes = dialog->findChild<QComboBox*>("1067");
                offered = sizes->count();
                sizes->setCurrentIndex(sizes->findText("256"));
                dialog->accept();
            });
            Page().OnSetup();
            QCOMPARE(offered, version == 1 ? 21 : 17);
            if (version == 1)
                QCOMPARE(Figure(kLogo), QString("256"));  // set, and asked again
        }
    }

    // The network chosen and typed in on the page, as a user does: nothing
    // is tried without a host, an edit applies when the field is left (Enter
    // stays swallowed, as everywhere in the window), and the logo then goes
    // to the network printer.
    void networkChosenOnThePageCarriesTheDownload()
    {
        QVERIFY(Start());
        const auto network = PrinterProcess::OverTcp("127.0.0.1:0");
        QVERIFY2(network->Started(), network->Error().c_str());
        const QString address = QString::fromStdString(network->PortName()).mid(QString("tcp://").size());
        const QString host = address.section(':', 0, 0), port = address.section(':', 1);
        const auto status = [this] { return m_app->MainFrame()->StatusText(); };
        const QString broken("Input picture displayed - Communication broken");

        CCommunicationPage& communication = View().CommunicationPage();
        View().TabControl().setCurrentWidget(&communication);
        QVERIFY(QTest::qWaitForWindowActive(m_app->MainFrame()));
        auto* radio = communication.findChild<QRadioButton*>("1071");
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(4, radio->height() / 2));
        QCOMPARE(status(), broken);
        auto* portField = communication.findChild<QSpinBox*>("1075");
        auto* hostField = communication.findChild<QLineEdit*>("1073");
        portField->setFocus();
        QTest::keyClick(portField, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(portField, port);
        QTest::keyClick(portField, Qt::Key_Backtab);
        QCOMPARE(status(), broken);
        QVERIFY(hostField->hasFocus());
        QTest::keyClicks(hostField, host);
        QTest::keyClick(hostField, Qt::Key_Return);
        QCOMPARE(status(), broken);
        QTest::keyClick(hostField, Qt::Key_Tab);
        QCOMPARE(status(), QString("Input picture displayed - Ready to communicate"));
        QVERIFY(Download(7));

        Stop();
        const auto store = OpenSettingsStore();
        QCOMPARE((QVariantList{store->value("Settings/Network"), store->value("Settings/Network host"),
                               store->value("Settings/Network port"), store->value("Settings/Interface")}),
                 (QVariantList{true, host, port.toInt(), kInterfaceSerial}));
    }
};

QTEST_MAIN(TransferTest)
#include "transfer_test.moc"
