// The please-wait, save, memory-size and help-missing dialogs and the hyperlink.
#include "expected_messages.h"
#include "help_missing_dlg.h"
#include "hyperlink.h"
#include "memory_size_dlg.h"
#include "please_wait_dlg.h"
#include "save_dlg.h"

#include <QtTest>
#include <QtWidgets>

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

QLabel* Link(const QWidget& dialog)
{
    return dialog.findChild<QLabel*>(QStringLiteral("1071"));
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_settingsDir;
    ExpectedMessages m_messages;
    QList<QUrl> m_opened;

private slots:
    void initTestCase()
    {
        // The real settings store is never touched.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        SetLinkOpener([this](const QUrl& address) { m_opened << address; });
    }
    void cleanup()
    {
        QVERIFY(m_messages.AllShown());
        m_opened.clear();
        QSettings(QStringLiteral("QUORIX"), QStringLiteral("Vellumio")).clear();
    }

    // Must stay first: it sees the process-wide dashes as a run starts them.
    // A later dialog goes on from where the last one stopped.
    void pleaseWaitAnimatesAndClosesOnce()
    {
        QCOMPARE(ProcessWaitDashes().Dashes(), QStringLiteral("-"));
        CPleaseWaitDlg dialog;
        dialog.show();
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("1075"));
        QCOMPARE(edit->text(), QString::fromLatin1(kPleaseWaitText));
        QVERIFY(dialog.AnimationTimer().isActive());
        // 1, 2, 4, 8, 16, 32 dashes; the 127 characters of the sixth pass 120.
        for (const int dashes : {1, 2, 4, 8, 16, 32, 1}) {
            dialog.OnTimer();
            QCOMPARE(edit->text(), Dashed(dashes));
        }
        dialog.CloseDialog();
        QVERIFY(!dialog.isVisible());
        QVERIFY(!dialog.AnimationTimer().isActive());

        CPleaseWaitDlg escaped;
        QSignalSpy finished(&escaped, &QDialog::finished);
        escaped.show();
        escaped.OnTimer();
        QCOMPARE(escaped.Message(), Dashed(2));
        QTest::keyClick(&escaped, Qt::Key_Escape);
        QVERIFY(!escaped.isVisible());
        escaped.CloseDialog();
        QCOMPARE(finished.count(), 1);
    }

    void saveDialogOffersOnlyTheCallersType()
    {
        QTemporaryDir folder;
        const QString typed = folder.filePath(QStringLiteral("shop"));
        for (const bool confirm : {true, false}) {
            QStringList offered;
            bool locked = false;
            QTimer::singleShot(0, qApp, [&offered, &locked, typed, confirm] {
                auto* dialog = qobject_cast<CSaveDlg*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                for (int i = 0; types && i < types->count(); ++i)
                    offered << types->itemText(i);
                locked = types && !types->isEnabled();
                dialog->selectFile(typed);
                QMetaObject::invokeMethod(dialog, confirm ? "accept" : "reject");
            });
            QCOMPARE(AskSavePath(nullptr, QStringLiteral("LOGO (*.log)"), QStringLiteral("log")),
                     confirm ? std::optional<QString>(typed + QStringLiteral(".log")) : std::nullopt);
            QCOMPARE(offered, QStringList{QStringLiteral("LOGO (*.log)")});
            QVERIFY(locked);
        }
    }

    void memorySizeOkWaitsForAChoiceCancelKeepsTheSize()
    {
        for (const int button : {1, 2}) {
            CMemorySizeDlg dialog;
            dialog.m_nLargestSize = 1024;
            dialog.m_nChosenSize = 512;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            auto* sizes = dialog.findChild<QComboBox*>(QStringLiteral("1067"));
            m_messages.Expect("Please select one memory size.");
            QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
            QVERIFY(dialog.isVisible());
            QCOMPARE(QApplication::focusWidget(), sizes);
            sizes->setCurrentIndex(0);
            QTest::mouseClick(dialog.findChild<QPushButton*>(QString::number(button)), Qt::LeftButton);
            QCOMPARE(dialog.result(), button == 1 ? int(QDialog::Accepted) : int(QDialog::Rejected));
            QCOMPARE(dialog.m_nChosenSize, button == 1 ? 0 : 512);
        }
    }

    // The settings' address, when there is one, is shown and opened.
    void linkOpensOnClickOrKeyAndTheDialogStays()
    {
        const QString address = QStringLiteral("https://pdf.example.org/get");
        QSettings(QStringLiteral("QUORIX"), QStringLiteral("Vellumio")).setValue("Settings/Acrobat Web site", address);
        CHelpMissingDlg dialog;
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.show();
        QLabel* link = Link(dialog);
        QCOMPARE((QStringList{link->text(), link->accessibleName()}), (QStringList{address, address}));
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(m_opened, QList<QUrl>{QUrl(address)});
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

    // A second link shares the dialog's part. A link is underlined exactly
    // while hovered, on the dialog's font, so a later change of it still shows.
    void secondLinkSharesTheDialogPart()
    {
        CHelpMissingDlg dialog;
        dialog.show();
        auto* second = new QLabel(QStringLiteral("www.example.com/manual"), &dialog);
        second->setObjectName(QStringLiteral("1072"));
        second->show();
        QVERIFY(ConvertToHyperlink(&dialog, 1072));
        QVERIFY(ConvertToHyperlink(&dialog, Link(dialog)));
        QVERIFY(!ConvertToHyperlink(&dialog, 4242));
        QCOMPARE(dialog.findChildren<HyperlinkParent*>().size(), 1);

        QLabel* link = Link(dialog);
        QVERIFY(!link->font().underline());
        Hover(link, true);
        QVERIFY(link->font().underline());
        Hover(link, false);
        QVERIFY(!link->font().underline());
        QFont larger = dialog.font();
        larger.setPointSize(larger.pointSize() + 4);
        dialog.setFont(larger);
        Hover(link, true);
        QVERIFY(link->font().underline());
        QCOMPARE(link->font().pointSize(), larger.pointSize());

        QSignalSpy activated(HyperlinkParent::Of(&dialog), &HyperlinkParent::linkActivated);
        QTest::mouseClick(link, Qt::LeftButton);
        QTest::mouseClick(second, Qt::LeftButton);
        QCOMPARE(m_opened, (QList<QUrl>{QUrl(QString::fromLatin1(kDefaultAcrobatWebSite)),
                                        QUrl(QStringLiteral("http://www.example.com/manual"))}));
        QCOMPARE(activated.count(), 2);
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
