// The picture import from the window: the dialog's preview and choices,
// File > Import picture..., and dropped files that only the image readers
// take.
#include "comm_settings.h"
#include "dither.h"
#include "expected_messages.h"
#include "import_dlg.h"
#include "main_frame.h"
#include "recording_communication.h"
#include "vellumio_app.h"
#include "vellumio_doc.h"
#include "vellumio_view.h"
#include "window_test_support.h"

#include <QtTest>
#include <QtWidgets>

namespace {

constexpr int kImport = 32774;

GreyImage Ramp(std::uint32_t width, std::uint32_t height)
{
    GreyImage ramp{width, height, {}};
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            ramp.levels.push_back(static_cast<std::uint8_t>(x * 255 / (width - 1)));
    return ramp;
}

void Choose(const CImportDlg& dialog, const char* list, int data)
{
    auto* choices = dialog.findChild<QComboBox*>(list);
    choices->setCurrentIndex(choices->findData(data));
}

QImage Preview(const CImportDlg& dialog)
{
    return dialog.findChild<QLabel*>("preview")->pixmap().toImage();
}

}  // namespace

class ImportWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ExpectedMessages m_messages;
    std::unique_ptr<CVellumioApp> m_app;
    int m_nDialogs = 0;
    std::function<int(CImportDlg&)> m_answer;
    std::optional<DitheredDots> m_lastResult;

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    void Start(const QStringList& files = {})
    {
        AppEnvironment environment{[] { return std::make_unique<RecordingCommunication>(); }, false, {}};
        environment.runImportDialog = [this](CImportDlg& dialog) {
            ++m_nDialogs;
            const int result = m_answer(dialog);
            m_lastResult = dialog.Result();
            return result;
        };
        m_app = std::make_unique<CVellumioApp>(std::move(environment));
        QVERIFY(m_app->InitInstance(QStringList{"vellumio"} + files));
    }
    CMainFrame& Frame() const { return *m_app->MainFrame(); }
    CVellumioDoc& Doc() const { return *m_app->Document(); }

    // A colour photo stand-in with a transparent band at the top.
    QString WritePhoto(const QString& name)
    {
        QImage image(900, 600, QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgba(x % 256, y % 256, 120, y < 60 ? 0 : 255));
        const QString path = Path(name);
        image.save(path);
        return path;
    }
    void Drop(const QString& path)
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        // Qt delivers a drop only to the target its drag entered.
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&Frame(), &enter);
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&Frame(), &drop);
        // The drop is handled once the event that delivered it is over.
        QCoreApplication::sendPostedEvents();
    }

private slots:
    void initTestCase() { UseSettingsIn(m_dir.path()); }
    void init()
    {
        OpenSettingsStore()->clear();
        m_nDialogs = 0;
        m_lastResult.reset();
        m_answer = [](CImportDlg&) { return int(QDialog::Accepted); };
    }
    void cleanup()
    {
        if (m_app)
            m_app->ExitInstance();
        m_app.reset();
        QVERIFY2(m_messages.Finish(), "an expected message was not shown");
    }

    void previewFollowsEachChoice()
    {
        const GreyImage ramp = Ramp(300, 60);
        ImportOptions options;
        options.width = 150;
        CImportDlg dialog(ramp, options);
        const GreyPlane plane = ScaleToWidth(ramp, 150);
        QCOMPARE(Preview(dialog).size(), QSize(150, 30));
        QCOMPARE(dialog.findChild<QLabel*>("dot count")->text(), QStringLiteral("150 x 30 dots"));
        const QImage diffused = Preview(dialog);

        // The preview shows the result of the method chosen.
        Choose(dialog, "method", static_cast<int>(DitherMethod::Bayer));
        const DitheredDots bayer = DitherBayer(plane);
        QCOMPARE(dialog.Result()->bits, bayer.bits);
        const QImage ordered = Preview(dialog);
        QVERIFY(ordered != diffused);
        for (std::uint32_t x = 0; x < 150; x += 7)
            QCOMPARE(ordered.pixel(static_cast<int>(x), 3) == qRgb(0, 0, 0), bayer.IsBlack(x, 3));

        // The level is the user's once the automatic one is off.
        Choose(dialog, "method", static_cast<int>(DitherMethod::Threshold));
        auto* level = dialog.findChild<QSpinBox*>("threshold");
        QVERIFY(!level->isEnabled());
        dialog.findChild<QCheckBox*>("auto threshold")->setChecked(false);
        QVERIFY(level->isEnabled());
        level->setValue(100);
        QCOMPARE(dialog.Result()->bits, DitherThreshold(plane, 100).bits);
        QCOMPARE(dialog.Options().threshold, std::optional<int>(100));

        Choose(dialog, "size", 384);
        QCOMPARE(dialog.Result()->width, 384u);
        auto* width = dialog.findChild<QSpinBox*>("width");
        QVERIFY(!width->isEnabled());
        Choose(dialog, "size", -1);
        QVERIFY(width->isEnabled());
        width->setValue(77);
        QCOMPARE(dialog.Result()->width, 77u);
        QCOMPARE(Preview(dialog).width(), 77);
    }

    void everyControlIsNamed()
    {
        CImportDlg dialog(Ramp(20, 10), {});
        for (QWidget* control : dialog.findChildren<QWidget*>()) {
            const auto* button = qobject_cast<QAbstractButton*>(control);
            const bool input = button || qobject_cast<QComboBox*>(control) || qobject_cast<QAbstractSpinBox*>(control);
            if (input && control->isVisibleTo(&dialog))
                QVERIFY2(!control->accessibleName().isEmpty() || (button && !button->text().isEmpty()),
                         qPrintable(control->objectName()));
        }
    }

    void importMenuItemMakesTheInputPicture()
    {
        Start();
        const QString photo = WritePhoto("shop.png");
        Frame().m_askImportPath = [&](QWidget*) { return std::optional<std::string>(photo.toStdString()); };
        m_answer = [](CImportDlg& dialog) {
            Choose(dialog, "method", static_cast<int>(DitherMethod::Atkinson));
            return int(QDialog::Accepted);
        };
        Frame().Action(kImport)->trigger();
        QCOMPARE(m_nDialogs, 1);
        // The first import offers 80 mm paper.
        const CPicture* input = Doc().InputPicture();
        QVERIFY(input);
        QCOMPARE(input->GetWidth(), 576u);
        QCOMPARE(input->GetHeight(), 384u);
        QVERIFY(std::equal(m_lastResult->bits.begin(), m_lastResult->bits.end(), input->GetBits().begin()));
        // The choices are kept for the next import.
        QCOMPARE(OpenSettingsStore()->value("Import/Dither").toString(), QStringLiteral("atkinson"));
    }

    void cancelOrUnreadablePictureLeavesTheDocument()
    {
        Start({kSample});
        const CPicture* before = Doc().InputPicture();
        const QString photo = WritePhoto("shop.png");
        m_answer = [](CImportDlg&) { return int(QDialog::Rejected); };
        QVERIFY(!m_app->ImportPictureFile(photo.toStdString()));
        QCOMPARE(m_nDialogs, 1);
        QCOMPARE(Doc().InputPicture(), before);
        QVERIFY(!OpenSettingsStore()->contains("Import/Dither"));

        const std::string missing = Path("missing.png").toStdString();
        m_messages.Expect("Error - Picture not readable : " + missing + "\nFile not found");
        QVERIFY(!m_app->ImportPictureFile(missing));
        QCOMPARE(m_nDialogs, 1);
        QCOMPARE(Doc().InputPicture(), before);
    }

    void droppedPictureOpensOrImports()
    {
        Start();
        const QString photo = WritePhoto("shop.png");
        Drop(photo);
        QCOMPARE(m_nDialogs, 1);
        QVERIFY(Doc().InputPicture());

        // One of the five formats opens as it always did.
        Drop(kSample);
        QCOMPARE(m_nDialogs, 1);
        QCOMPARE(QString::fromStdString(Doc().FilePath()), kSample);
    }
};

QTEST_MAIN(ImportWindowTest)
#include "import_window_test.moc"
