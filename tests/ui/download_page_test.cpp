// The "Download" page on its own: the bytes of each command, the layout,
// and the busy states that the printer's replies drive through the view.
#include "comm_settings.h"
#include "download_page.h"
#include "expected_messages.h"
#include "printer_commands.h"
#include "recording_communication.h"
#include "upload_receiver.h"
#include "vellumio_doc.h"
#include "vellumio_view.h"
#include "window_test_support.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <map>

namespace {

constexpr int kPrint = 1045, kLogoNumber = 1043;

QString Hex(std::span<const std::uint8_t> bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()))
        .toHex(' ')
        .toUpper();
}

// A printer that takes every command and answers requests from a table.
struct ScriptedPrinter : RecordingCommunication {
    QStringList sent;
    std::map<QString, std::vector<std::uint8_t>> answers;
    bool sendFails = false;

    std::int32_t Send(std::span<const std::uint8_t> bytes, std::int32_t mode) override
    {
        sent << (mode == kSendModeLogoDownload ? "image " + Hex(bytes.first(4)) : Hex(bytes));
        return sendFails ? 0 : kSendOk;
    }
    SendReceiveResult SendReceive(std::span<const std::uint8_t> command, std::int32_t) override
    {
        sent << Hex(command);
        const auto answer = answers.find(Hex(command));
        return answer == answers.end() ? SendReceiveResult{} : SendReceiveResult{true, answer->second};
    }
};

}  // namespace

class DownloadPageTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ExpectedMessages m_messages;
    ScriptedPrinter m_printer;
    UploadReceiver m_upload;
    CommSettings m_settings;
    std::unique_ptr<CVellumioDoc> m_doc;
    std::unique_ptr<CVellumioView> m_view;

    CDownloadPage& Page() const { return m_view->DownloadPage(); }
    QPushButton& Button(int id) const { return *Page().findChild<QPushButton*>(QString::number(id)); }
    QProgressBar& Bar() const { return *Page().findChild<QProgressBar*>(); }
    void SelectSlot(int slot) const { Page().findChild<QComboBox*>(QString::number(kLogoNumber))->setCurrentIndex(slot); }
    // The enabled ones among the eleven controls a transfer disables.
    QStringList Enabled() const
    {
        QStringList names;
        for (int id : {1044, 1051, 1053, 1045, 1050, 1052, 1043, 1046, 1047, 1048, 1049})
            if (Page().findChild<QWidget*>(QString::number(id))->isEnabled())
                names << QString::number(id);
        return names;
    }
    void Receive(const std::vector<std::uint8_t>& bytes) { m_view->OnDataReceived(bytes); }

    void Create(int version)
    {
        m_view.reset();
        m_doc = std::make_unique<CVellumioDoc>();
        m_settings.m_nVersion = version;
        m_printer.answers = {{"1D 0B", {0x10}}, {"1F 07 55", {0x00, 0x08, 0x00}}, {"1D 22 55 0F 00", {0x06}},
                             {"1F 77 01", {'4', '0', '9', '6', 0, 0, 0, 0}}};
        m_view = std::make_unique<CVellumioView>(*m_doc, m_settings);
        m_view->AttachPrinter(&m_printer, m_upload);
        m_printer.sent.clear();
    }

private slots:
    void init() { Create(1); }
    void cleanup() { QVERIFY(m_messages.AllShown()); }

    void startUpShowsTheMemoryAndTheLists()
    {
        Create(1);
        QCOMPARE(Page().m_nTotalMemory, 1024);
        QCOMPARE(Page().findChild<QLineEdit*>("1060")->text(), QString("1024"));
        QCOMPARE(Page().findChild<QLineEdit*>("1061")->text(), QString("512"));
        QCOMPARE(Page().findChild<QLineEdit*>("1068")->text(), QString("4096"));
        const auto* numbers = Page().findChild<QComboBox*>(QString::number(kLogoNumber));
        QCOMPARE(numbers->count(), 256);
        QCOMPARE(numbers->itemText(255), QString("255"));
        QCOMPARE(numbers->currentIndex(), -1);
        QVERIFY(Page().findChild<QRadioButton*>("1046")->isChecked());
        QCOMPARE(Page().findChild<QRadioButton*>("1047")->toolTip(), QString("single height & double width "));
        QVERIFY(!Button(kUploadButton).isHidden());
        // Without the protocol level only the remaining memory is asked.
        m_printer.sent.clear();
        Page().RefreshMemory();
        QCOMPARE(m_printer.sent, (QStringList{"1D 0B", "1F 07 55", "1F 77 01"}));
        Create(0);
        Page().RefreshMemory();
        QCOMPARE(m_printer.sent, QStringList{"1F 77 01"});
        QVERIFY(Button(kUploadButton).isHidden());
        // Hidden, yet still switched with the others.
        Page().EnableControls(false, kDownloadButton);
        QVERIFY(!Button(kUploadButton).isEnabled());
    }

    void aPrinterThatNeverAnswersIsAskedOnce()
    {
        m_printer.answers.clear();
        Page().RefreshMemory();
        QCOMPARE(m_printer.sent, QStringList{"1D 0B"});
    }

    void commandBytes()
    {
        SelectSlot(255);
        Page().findChild<QRadioButton*>("1049")->setChecked(true);
        QTest::mouseClick(&Button(kPrint), Qt::LeftButton);
        QCOMPARE(m_printer.sent, (QStringList{"1D 23 FF", "1D 2F 03"}));

        m_printer.sent.clear();
        m_messages.Expect("There is no picture to downoad, please display one before to proceed.");
        QTest::mouseClick(&Button(kDownloadButton), Qt::LeftButton);
        QCOMPARE(m_printer.sent, QStringList{"1D 23 FF"});

        QVERIFY(WriteBitmap(m_dir.filePath("logo.bmp"), 12, 10));
        QVERIFY(m_doc->OnOpenDocument(m_dir.filePath("logo.bmp").toStdString()));
        m_printer.sent.clear();
        SelectSlot(0);
        QTest::mouseClick(&Button(kDownloadButton), Qt::LeftButton);
        QCOMPARE(m_printer.sent, (QStringList{"1D 23 00", "image 1D 2A 02 02"}));
        // An all-white 16 x 16 image: 0 - (1D + 2A + 02 + 02).
        QCOMPARE(Page().m_wChecksum, std::uint16_t{0xFFB5});

        // Pressed again while it reads "Abort", Erase sends once more.
        m_printer.sent.clear();
        QTest::mouseClick(&Button(kEraseButton), Qt::LeftButton);
        QCOMPARE(Enabled(), QStringList{"1044"});
        QTest::mouseClick(&Button(kEraseButton), Qt::LeftButton);
        QCOMPARE(m_printer.sent, (QStringList{"1D 40 31", "1F 77 01", "1D 40 31"}));
        QCOMPARE(Enabled().size(), 11);

        // An erase that never went out has no acknowledgement to wait for.
        m_printer.sendFails = true;
        m_messages.Expect("The command has not been sent, there is communication failure.");
        QTest::mouseClick(&Button(kEraseButton), Qt::LeftButton);
        QCOMPARE(Enabled().size(), 11);
        QCOMPARE(Button(kEraseButton).text(), QString("Erase"));
        m_printer.sendFails = false;

        SelectSlot(-1);
        m_printer.sent.clear();
        m_messages.Expect("Please select a logo number.");
        m_messages.Expect("The command has not been sent, there is communication failure.");
        QTest::mouseClick(&Button(kUploadButton), Qt::LeftButton);
        QVERIFY(m_printer.sent.isEmpty());
    }

    void setupSendsTheChosenSize()
    {
        QTimer::singleShot(0, this, [] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* sizes = dialog->findChild<QComboBox*>("1067");
            QCOMPARE(sizes->count(), 17);
            sizes->setCurrentIndex(sizes->findText("960"));
            dialog->accept();
        });
        Page().OnSetup();
        QCOMPARE(m_printer.sent, (QStringList{"1D 22 55 0F 00", "1D 0B", "1F 07 55", "1F 77 01"}));
    }

    void layoutFromWiderThan400()
    {
        CDownloadPage page(*m_doc, m_settings);
        page.show();
        auto* left = page.findChild<QGroupBox*>("1065");
        auto* bar = page.findChild<QProgressBar*>();
        const QRect before = left->geometry();
        page.resize(400, 160);
        QTRY_COMPARE(page.width(), 400);
        QCOMPARE(left->geometry(), before);
        page.resize(401, 160);
        QTRY_COMPARE(page.width(), 401);
        QCOMPARE(left->geometry(), QRect(0, 0, 182, 160 - bar->height()));
        QCOMPARE(bar->geometry(), QRect(0, 160 - bar->height(), 401, bar->height()));
        QCOMPARE(page.findChild<QPushButton*>("1051")->pos(), QPoint(182 - 90, 20));
        // The long memory labels wrap before their fields rather than run under them.
        for (const auto& [label, field] : {std::pair{"1058", "1060"}, {"1057", "1061"}, {"1059", "1068"}})
            QVERIFY(page.findChild<QLabel*>(label)->geometry().right() < page.findChild<QLineEdit*>(field)->x());
    }

    // The reply of an upload arrives cut anywhere; the page follows it.
    void uploadRepliesDriveThePage()
    {
        QVERIFY(WriteBitmap(m_dir.filePath("up.bmp"), 32, 200));  // 62 + 4 x 200 = 862 bytes
        QFile file(m_dir.filePath("up.bmp"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bitmap = file.readAll();
        std::vector<std::uint8_t> reply{0x6A};
        reply.insert(reply.end(), bitmap.begin(), bitmap.end());

        Receive({reply.begin(), reply.begin() + 432});
        QCOMPARE(Bar().value(), 0);
        QCOMPARE(Enabled().size(), 11);
        Receive({reply.begin() + 432, reply.begin() + 647});
        QCOMPARE(Bar().value(), 74);
        QVERIFY(Enabled().isEmpty());
        QCOMPARE(Button(kUploadButton).text(), QString("Abort"));
        QVERIFY(!m_view->Page(2)->isEnabled());
        QVERIFY(Page().IsStallTimerActive());
        Receive({reply.begin() + 647, reply.end()});
        QCOMPARE(Bar().value(), 100);
        QCOMPARE(Enabled().size(), 11);
        QVERIFY(!Page().IsStallTimerActive());
        QVERIFY(m_view->Page(2)->isEnabled());
        QCOMPARE(m_doc->InputPicture()->GetHeight(), 200u);

        // Only 6A 00 00 is the empty slot; 0D ends an erase, other bytes do nothing.
        Receive({0x6A, 0x00, 0x01});
        Receive({0x41});
        // A size that can be no bitmap starts no upload.
        m_messages.Expect("The printer's answer announces no bitmap that can be read back.");
        Receive({0x6A, 0x42, 0x4D, 0x00, 0x00, 0x00, 0x00});
        QCOMPARE(Enabled().size(), 11);
        m_messages.Expect("There is not logo at this location");
        Receive({0x6A, 0x00, 0x00});
        Page().EnableControls(false, kEraseButton);
        Receive({0x0D});
        QCOMPARE(Enabled().size(), 11);
        QCOMPARE(Button(kEraseButton).text(), QString("Erase"));
    }

    void stalledUploadAndFailures()
    {
        Page().SetStallTimeout(std::chrono::milliseconds(1));
        Page().SetTransferProgress(60, kUploadButton);
        QTRY_COMPARE(Enabled(), QStringList{"1051"});
        QCOMPARE(Button(kUploadButton).text(), QString("Abort"));
        // Download progress never starts the stall timer.
        Page().SetTransferProgress(0, kUploadButton);
        Page().SetTransferProgress(50, kDownloadButton);
        QVERIFY(!Page().IsStallTimerActive());
        QCOMPARE(Enabled(), QStringList{"1053"});
        QCOMPARE(Button(kDownloadButton).text(), QString("Abort"));
        m_messages.Expect("There is communication failure and the download has been stopped");
        m_view->OnTransferFailed();
        QCOMPARE(Bar().value(), 0);
        QCOMPARE(Enabled().size(), 11);
        QCOMPARE(Button(kDownloadButton).text(), QString("Download"));
    }
};

QTEST_MAIN(DownloadPageTest)
#include "download_page_test.moc"
