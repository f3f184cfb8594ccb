// The "Download" page on its own: the bytes of each command, the layout,
// and the busy states and messages that the printer's replies drive through
// the view.
#include "comm_settings.h"
#include "download_page.h"
#include "expected_messages.h"
#include "memory_size_dlg.h"
#include "printer_commands.h"
#include "recording_communication.h"
#include "upload_receiver.h"
#include "vellumio_doc.h"
#include "vellumio_view.h"
#include "window_test_support.h"

#include <QtTest>
#include <QtWidgets>

#include <map>

namespace {

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
        m_printer.sendFails = false;
        m_printer.answers = {{"1D 0B", {0x14}}, {"1F 07 55", {0x00, 0x08, 0x00}},
                             {"1F 77 01", {'4', '0', '9', '6', 0, 0, 0, 0}}, {"1D 22 55 00 00", {0x06}}};
        m_view = std::make_unique<CVellumioView>(*m_doc, m_settings);
        m_view->AttachPrinter(&m_printer, m_upload);
        m_printer.sent.clear();
    }

private slots:
    void init() { Create(1); }
    void cleanup() { QVERIFY(m_messages.Finish()); }

    // Without the protocol level only the remaining memory is asked, there is
    // no upload and the sizes offered stop at 1024 kbytes; a printer that never
    // answers is asked once, and a new size it never took is a failure. No
    // slot is chosen for the user.
    void startUpAsksForTheMemoryAndChoosesNoSlot()
    {
        QCOMPARE(Page().findChild<QComboBox*>("1043")->currentIndex(), -1);
        const struct { int version; bool answers; QStringList asked; int largest; } cases[] = {
            {1, true, {"1D 0B", "1F 07 55", "1F 77 01"}, 1280},
            {0, true, {"1F 77 01"}, 1024},
            {1, false, {"1D 0B"}, 0},
        };
        for (const auto& [version, answers, asked, largest] : cases) {
            Create(version);
            if (!answers)
                m_printer.answers.clear();
            Page().RefreshMemory();
            QCOMPARE(m_printer.sent, asked);
            QCOMPARE(Button(kUploadButton).isHidden(), version == 0);
            int offered = -1;
            QTimer::singleShot(0, this, [&offered] {
                auto* dialog = qobject_cast<CMemorySizeDlg*>(QApplication::activeModalWidget());
                offered = dialog->m_nLargestSize;
                dialog->findChild<QComboBox*>("1067")->setCurrentIndex(0);
                dialog->accept();
            });
            if (!answers)
                m_messages.Expect("The command has not been sent, there is communication failure.");
            Page().OnSetup();
            QCOMPARE(offered, largest);
        }
    }

    // Without a picture a download stops after choosing the slot. Erase is
    // busy until the printer acknowledges it; pressed again while it reads
    // "Abort", it sends once more.
    void commandBytes()
    {
        const std::string failure = "The command has not been sent, there is communication failure.";
        auto* numbers = Page().findChild<QComboBox*>("1043");
        numbers->setCurrentIndex(255);
        m_messages.Expect("There is no picture to downoad, please display one before to proceed.");
        QTest::mouseClick(&Button(kDownloadButton), Qt::LeftButton);
        QCOMPARE(m_printer.sent, QStringList{"1D 23 FF"});

        // Each print size prints with its own mode.
        numbers->setCurrentIndex(5);
        m_printer.sent.clear();
        for (int mode = 0; mode < 4; ++mode) {
            Page().findChild<QRadioButton*>(QString::number(1046 + mode))->setChecked(true);
            QTest::mouseClick(&Button(1045), Qt::LeftButton);
            QCOMPARE(m_printer.sent.takeLast(), QString("1D 2F 0%1").arg(mode));
        }

        m_printer.sent.clear();
        QTest::mouseClick(&Button(kEraseButton), Qt::LeftButton);
        QCOMPARE(Enabled(), QStringList{"1044"});
        QCOMPARE(Button(kEraseButton).text(), QString("Abort"));
        Receive({printer::kEraseAcknowledge});
        QCOMPARE(Enabled().size(), 11);
        QCOMPARE(Button(kEraseButton).text(), QString("Erase"));
        QTest::mouseClick(&Button(kEraseButton), Qt::LeftButton);
        QTest::mouseClick(&Button(kEraseButton), Qt::LeftButton);
        QCOMPARE(m_printer.sent, (QStringList{"1D 40 31", "1F 77 01", "1D 40 31", "1F 77 01", "1D 40 31"}));
        QCOMPARE(Enabled().size(), 11);
        // An erase that never went out has no acknowledgement to wait for.
        m_printer.sendFails = true;
        m_messages.Expect(failure);
        QTest::mouseClick(&Button(kEraseButton), Qt::LeftButton);
        QCOMPARE(Enabled().size(), 11);
        QCOMPARE(Button(kEraseButton).text(), QString("Erase"));

        // Without a slot nothing is printed or asked for.
        numbers->setCurrentIndex(-1);
        m_printer.sent.clear();
        for (int button : {1045, kUploadButton}) {
            m_messages.Expect("Please select a logo number.");
            m_messages.Expect(failure);
            QTest::mouseClick(&Button(button), Qt::LeftButton);
        }
        QVERIFY(m_printer.sent.isEmpty());
    }

    // Stretched, the long memory labels wrap before their fields rather than
    // run under them.
    void layoutFromWiderThan400()
    {
        CDownloadPage page(*m_doc, m_settings);
        page.show();
        page.resize(401, 160);
        QTRY_COMPARE(page.width(), 401);
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
        QVERIFY(Page().IsStallTimerActive());
        Receive({reply.begin() + 647, reply.end()});
        QCOMPARE(Bar().value(), 100);
        QCOMPARE(Enabled().size(), 11);
        QVERIFY(!Page().IsStallTimerActive());
        QCOMPARE(m_doc->InputPicture()->GetHeight(), 200u);

        // An empty slot, or a size that can be no bitmap, starts no upload.
        m_messages.Expect("There is not logo at this location");
        m_messages.Expect("The printer's answer announces no bitmap that can be read back.");
        Receive({0x6A, 0x00, 0x00, 0x6A, 0x42, 0x4D, 0x00, 0x00, 0x00, 0x00});
        QCOMPARE(Enabled().size(), 11);
        // A long download is no stall: its progress never starts the timer.
        Page().SetTransferProgress(50, kDownloadButton);
        QVERIFY(!Page().IsStallTimerActive());
        QCOMPARE(Enabled(), QStringList{"1053"});
    }
};

QTEST_MAIN(DownloadPageTest)
#include "download_page_test.moc"
