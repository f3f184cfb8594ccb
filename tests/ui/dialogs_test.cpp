// The please-wait, save, about and help-missing dialogs and the hyperlink.
#include "about_dlg.h"
#include "expected_messages.h"
#include "help_missing_dlg.h"
#include "hyperlink.h"
#include "please_wait_dlg.h"
#include "save_dlg.h"

#include <QApplication>
#include <QComboBox>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QString Dashed(int dashes)
{
    const QString side(dashes, QLatin1Char('-'));
    return side + QString::fromLatin1(kPleaseWaitText) + side;
}

void Hover(QWidget* widget, bool inside)
{
    const QPointF at(2, 2);
    QEnterEvent enter(at, at, widget->mapToGlobal(at));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, inside ? static_cast<QEvent*>(&enter) : &leave);
}

QStringList LabelTexts(const QWidget& dialog)
{
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    // Must stay first: it sees the process-wide dashes as a run starts them.
    void pleaseWaitAnimatesInTheFirstDialogOfARun();
    void pleaseWaitGoesOnAndClosesOnce();
    void saveDialogOffersOnlyTheCallersType();
    void aboutBox();
    void helpMissingDialogShowsTheSettingsAddress();
    void linkOpensOnClickOrKeyAndTheDialogStays();
    void linkIsUnderlinedExactlyWhileHovered();
    void secondLinkSharesTheDialogPart();

private:
    QTemporaryDir m_settingsDir;
    ExpectedMessages m_messages;
    QList<QUrl> m_opened;
};

void DialogsTest::initTestCase()
{
    QVERIFY(m_settingsDir.isValid());
    // The real settings store is never touched.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
    SetLinkOpener([this](const QUrl& address) { m_opened << address; });
}

void DialogsTest::cleanup()
{
    QVERIFY(m_messages.AllShown());
    m_opened.clear();
    QSettings(QStringLiteral("QUORIX"), QStringLiteral("Vellumio")).clear();
}

void DialogsTest::pleaseWaitAnimatesInTheFirstDialogOfARun()
{
    QCOMPARE(ProcessWaitDashes().Dashes(), QStringLiteral("-"));
    CPleaseWaitDlg dialog;
    dialog.show();
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("1075"));
    QVERIFY(edit && !edit->isEnabled());
    QCOMPARE(edit->text(), QString::fromLatin1(kPleaseWaitText));
    QCOMPARE(dialog.AnimationTimer().interval(), 1000);
    QVERIFY(dialog.AnimationTimer().isActive());

    // 1, 2, 4, 8, 16, 32 dashes; the 127 characters of the sixth pass 120.
    for (const int dashes : {1, 2, 4, 8, 16, 32, 1}) {
        dialog.OnTimer();
        QCOMPARE(edit->text(), Dashed(dashes));
    }
    QCOMPARE(Dashed(32).size(), 127);

    dialog.CloseDialog();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), 0);
    QVERIFY(!dialog.AnimationTimer().isActive());
}

void DialogsTest::pleaseWaitGoesOnAndClosesOnce()
{
    CPleaseWaitDlg escaped;
    QSignalSpy finished(&escaped, &QDialog::finished);
    escaped.show();
    escaped.OnTimer();
    QCOMPARE(escaped.Message(), Dashed(2));
    QTest::keyClick(&escaped, Qt::Key_Escape);
    QVERIFY(!escaped.isVisible());
    escaped.CloseDialog();
    QCOMPARE(finished.count(), 1);

    // As start-up runs it: modal until the connection attempt ends.
    CPleaseWaitDlg modal;
    QTimer::singleShot(0, &modal, [&modal] { modal.CloseDialog(); });
    QCOMPARE(modal.exec(), 0);
}

void DialogsTest::saveDialogOffersOnlyTheCallersType()
{
    {
        CSaveDlg dialog(nullptr, QStringLiteral("RASTER GFX EXT(*.gfx)"), QStringLiteral("gfx"));
        dialog.show();
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types && !types->isEnabled());
        QCOMPARE(types->count(), 1);
        QCOMPARE(types->itemText(0), QStringLiteral("RASTER GFX EXT(*.gfx)"));
        QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptSave);
    }
    QTemporaryDir folder;
    const QString typed = folder.filePath(QStringLiteral("shop"));
    for (const bool confirm : {true, false}) {
        QTimer::singleShot(0, qApp, [typed, confirm] {
            auto* dialog = qobject_cast<CSaveDlg*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->selectFile(typed);
            QMetaObject::invokeMethod(dialog, confirm ? "accept" : "reject");
        });
        QCOMPARE(AskSavePath(nullptr, QStringLiteral("LOGO (*.log)"), QStringLiteral("log")),
                 confirm ? std::optional<QString>(typed + QStringLiteral(".log")) : std::nullopt);
    }
}

void DialogsTest::aboutBox()
{
    CAboutDlg dialog;
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("About Vellumio"));
    QVERIFY(LabelTexts(dialog).contains(QStringLiteral("Vellumio version 1.0")));
    QVERIFY(!ApplicationIcon().isNull());
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("1"));
    QVERIFY(ok && ok->isDefault());
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void DialogsTest::helpMissingDialogShowsTheSettingsAddress()
{
    {
        CHelpMissingDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Vellumio"));
        QVERIFY(LabelTexts(dialog).contains(QString::fromLatin1(kHelpMissingText)));
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("1"))->text(), QStringLiteral("Continue"));
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("2"))->text(), QStringLiteral("Abort"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("1071"))->text(),
                 QString::fromLatin1(kDefaultAcrobatWebSite));
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("2")), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    QSettings(QStringLiteral("QUORIX"), QStringLiteral("Vellumio"))
        .setValue(QStringLiteral("Settings/Acrobat Web site"), QStringLiteral("https://pdf.example.org/get"));
    CHelpMissingDlg dialog;
    dialog.show();
    auto* link = dialog.findChild<QLabel*>(QStringLiteral("1071"));
    QCOMPARE(link->text(), QStringLiteral("https://pdf.example.org/get"));
    QCOMPARE(link->accessibleName(), QStringLiteral("https://pdf.example.org/get"));
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("https://pdf.example.org/get"))});
}

void DialogsTest::linkOpensOnClickOrKeyAndTheDialogStays()
{
    CHelpMissingDlg dialog;
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    auto* link = dialog.findChild<QLabel*>(QStringLiteral("1071"));
    QCOMPARE(link->property(kHyperlinkMark).toInt(), 1);
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 192));

    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(m_opened, QList<QUrl>{QUrl(QString::fromLatin1(kDefaultAcrobatWebSite))});
    // Released away from the link: no click.
    QTest::mousePress(link, Qt::LeftButton);
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));
    QCOMPARE(m_opened.size(), 1);
    // Enter on the focused link opens it and does not press "Continue".
    link->setFocus();
    QTest::keyClick(link, Qt::Key_Return);
    QCOMPARE(m_opened.size(), 2);
    QVERIFY(dialog.isVisible());
    QCOMPARE(finished.count(), 0);
}

void DialogsTest::linkIsUnderlinedExactlyWhileHovered()
{
    CHelpMissingDlg dialog;
    dialog.show();
    auto* link = dialog.findChild<QLabel*>(QStringLiteral("1071"));
    QVERIFY(!link->font().underline());
    Hover(link, true);
    QVERIFY(link->font().underline());
    Hover(link, false);
    QVERIFY(!link->font().underline());

    // Back on the dialog's font, so a later change of it still shows.
    QFont larger = dialog.font();
    larger.setPointSize(larger.pointSize() + 4);
    dialog.setFont(larger);
    Hover(link, true);
    QVERIFY(link->font().underline());
    QCOMPARE(link->font().pointSize(), larger.pointSize());
}

void DialogsTest::secondLinkSharesTheDialogPart()
{
    CHelpMissingDlg dialog;
    dialog.show();
    auto* first = dialog.findChild<QLabel*>(QStringLiteral("1071"));
    auto* second = new QLabel(QStringLiteral("www.example.com/manual"), &dialog);
    second->setObjectName(QStringLiteral("1072"));
    second->show();

    QVERIFY(ConvertToHyperlink(&dialog, 1072));
    QVERIFY(ConvertToHyperlink(&dialog, first));
    QVERIFY(!ConvertToHyperlink(&dialog, 4242));
    QCOMPARE(dialog.findChildren<HyperlinkParent*>().size(), 1);

    QSignalSpy activated(HyperlinkParent::Of(&dialog), &HyperlinkParent::linkActivated);
    QTest::mouseClick(first, Qt::LeftButton);
    QTest::mouseClick(second, Qt::LeftButton);
    QCOMPARE(m_opened, (QList<QUrl>{QUrl(QString::fromLatin1(kDefaultAcrobatWebSite)),
                                    QUrl(QStringLiteral("http://www.example.com/manual"))}));
    QCOMPARE(activated.count(), 2);
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
