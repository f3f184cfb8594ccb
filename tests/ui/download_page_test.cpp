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
        m_printer.answers = {{"1D 0B", {0x10}}, {"1F 07 55", {0x00, 0x08, 0x00}},
                             {"1F 77 01", {'4', '0', '9', '6', 0, 0, 0, 0}}};
        m_view = std::make_unique<CVellumioView>(*m_doc, m_settings);
        m_view->AttachPrinter(&m_printer, m_upload);
        m_printer.sent.clear();
    }

private slots:
    void init() { Create(1); }
    void cleanup() { QVERIFY(m_messages.Finish()); }

    // Without the protocol level only the remaining memory is asked; a
    // printer that never answers is asked once. The figures shown are
    // transfer_test's matter, against the virtual printer.
    void startUpAsksForTheMemoryAndChoosesNoSlot()
    {
        const auto* numbers = Page().findChild<QComboBox*>("1043");
        QCOMPARE((QList{numbers->count(), numbers->currentIndex()}), (QList{256, -1}));
        QVERIFY(Page().findChild<QRadioButton*>("1046")->isChecked());
        // "&&" in the template shows one "&"; the trailing blank is the printer maker's.
        QCOMPARE(Page().findChild<QRadioButton*>("1047")->toolTip(), QString("single height & double width "));
        const struct { int version; bool answers; QStringList asked; } cases[] = {
            {1, true, {"1D 0B", "1F 07 55", "1F 77 01"}},
            {0, true, {"1F 77 01"}},
            {1, false, {"1D 0B"}},
        };
        for (const auto& [version, answers, asked] : cases) {
            Create(version);
            if (!answers)
                m_printer.answers.clear();
            Page().RefreshMemory();
            QCOMPARE(m_printer.sent, asked);
        }
    }

    // Without a picture a download stops after choosing the slot. Pressed
    // again while it reads "Abort", Erase sends once more.
    void commandBytes()
    {
        const std::string failure = "The command has not been sent, there is communication failure.";
        Page().findChild<QComboBox*>("1043")->setCurrentIndex(255);
        m_messages.Expect("There is no picture to downoad, please display one before to proceed.");
        QTest::mouseClick(&Button(kDownloadButton), Qt::LeftButton);
        QCOMPARE(m_printer.sent, QStringList{"1D 23 FF"});

        m_printer.sent.clear();
        QTest::mouseClick(&Button(kEraseButton), Qt::LeftButton);
        QCOMPARE(Enabled(), QStringList{"1044"});
        QTest::mouseClick(&Button(kEraseButton), Qt::LeftButton);
        QCOMPARE(m_printer.sent, (QStringList{"1D 40 31", "1F 77 01", "1D 40 31"}));
        QCOMPARE(Enabled().size(), 11);
        // An erase that never went out has no acknowledgement to wait for.
        m_printer.sendFails = true;
        m_messages.Expect(failure);
        QTest::mouseClick(&Button(kEraseButton), Qt::LeftButton);
        QCOMPARE(Enabled().size(), 11);
        QCOMPARE(Button(kEraseButton).text(), QString("Erase"));

        // Without a slot no upload is asked for.
        Page().findChild<QComboBox*>("1043")->setCurrentIndex(-1);
        m_printer.sent.clear();
        m_messages.Expect("Please select a logo number.");
        m_messages.Expect(failure);
        QTest::mouseClick(&Button(kUploadButton), Qt::LeftButton);
        QVERIFY(m_printer.sent.isEmpty());
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
        QVERIFY(Page().IsStallTimerActive());
        Receive({reply.begin() + 647, reply.end()});
        QCOMPARE(Bar().value(), 100);
        QCOMPARE(Enabled().size(), 11);
        QVERIFY(!Page().IsStallTimerActive());
        QCOMPARE(m_doc->InputPicture()->GetHeight(), 200u);

        // A size that can be no bitmap starts no upload.
        m_messages.Expect("The printer's answer announces no bitmap that can be read back.");
        Receive({0x6A, 0x42, 0x4D, 0x00, 0x00, 0x00, 0x00});
        QCOMPARE(Enabled().size(), 11);
        // A long download is no stall: its progress never starts the timer.
        Page().SetTransferProgress(50, kDownloadButton);
        QVERIFY(!Page().IsStallTimerActive());
        QCOMPARE(Enabled(), QStringList{"1053"});
    }
};

QTEST_MAIN(DownloadPageTest)
#include "download_page_test.moc"
