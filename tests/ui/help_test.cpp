// Help: finding the desktop's PDF application and the flow around the
// help-missing dialog.
#include "expected_messages.h"
#include "help_launcher.h"
#include "help_missing_dlg.h"

#include <QtTest>
#include <QtWidgets>

namespace {

void WriteFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

}  // namespace

class HelpTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ExpectedMessages m_messages;

private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("config")));
    }

    // The Exec of the main group only, unquoted, with the file in place of its code.
    void execCommandPlacesTheFile()
    {
        const QString f = QStringLiteral("/p/user manual.pdf");
        const QString entry = DesktopEntryExec(QStringLiteral(
            "[Desktop Action new-window]\nExec=viewer --new\n"
            "[Desktop Entry]\n# Exec=commented\nExec[de]=betrachter\n"
            "Exec = \"/opt/My\\sViewer/run\" --title \"say \\\\\"hi\\\\\"\" %f\n"
            "[Other]\nExec=other\n"));
        QCOMPARE(DesktopEntryExec(QStringLiteral("[Desktop Entry]\nName=x\n")), QString());
        const QList<std::pair<QString, QStringList>> cases{
            {entry, {"/opt/My Viewer/run", "--title", "say \"hi\"", f}},
            {"xpdf -z 2", {"xpdf", "-z", "2", f}},  // no code: the file last
            {"viewer %f %F", {"viewer", f}},        // the first file code only
            {"viewer %i %c --page=1 %u", {"viewer", "--page=1", f}},
            {"viewer --open=%f", {"viewer", "--open=" + f}},
            {"viewer --zoom=100%%", {"viewer", "--zoom=100%", f}},
            {"flatpak run org.x.Viewer @@u %u @@", {"flatpak", "run", "org.x.Viewer", "@@u", f, "@@"}},
            {"", {}},
        };
        for (const auto& [exec, command] : cases)
            QCOMPARE(DesktopExecCommand(exec, f), command);
    }

    void pdfApplicationFromXdgMimeAndDataFolders()
    {
        const QString root = m_dir.filePath(QStringLiteral("xdg"));
        WriteFile(root + "/home/applications/viewer.desktop", "[Desktop Entry]\nExec=home-viewer %f\n");
        WriteFile(root + "/sys1/applications/vendor/reader.desktop", "[Desktop Entry]\nExec=reader\n");
        WriteFile(root + "/sys2/applications/viewer.desktop", "[Desktop Entry]\nExec=system-viewer\n");
        const QByteArray path = qgetenv("PATH");
        const auto restore = qScopeGuard([path] { qputenv("PATH", path); });
        qputenv("XDG_DATA_HOME", QFile::encodeName(root + "/home"));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(root + "/sys1:" + root + "/sys2"));
        QCOMPARE(FindDesktopFile("missing.desktop"), QString());

        // A stand-in xdg-mime per case; an empty folder has none at all.
        const QList<std::pair<QByteArray, QString>> cases{
            {"[ \"$*\" = 'query default application/pdf' ] && echo vendor-reader.desktop", "reader"},
            {"echo viewer.desktop", "home-viewer %f"},
            {"echo gone.desktop", ""},
            {"echo viewer.desktop; exit 1", ""},
            {"", ""},
        };
        for (qsizetype i = 0; i < cases.size(); ++i) {
            const QString bin = root + "/bin" + QString::number(i);
            QDir().mkpath(bin);
            if (!cases[i].first.isEmpty())
                WriteFile(bin + "/xdg-mime", "#!/bin/sh\n" + cases[i].first + "\n");
            qputenv("PATH", QFile::encodeName(bin));
            QCOMPARE(FindPdfApplication(), cases[i].second);
        }
    }

    void helpFlow()
    {
        struct Case {
            QStringList answers;  // of the successive lookups
            bool resume;          // "Continue" in the dialog
            int lookups, offers;
            bool starts;
        };
        for (const Case& c : {Case{{"reader --view %f"}, false, 1, 0, true}, Case{{""}, false, 1, 1, false},
                              Case{{"", ""}, true, 2, 1, false}, Case{{"", "reader --view %f"}, true, 2, 1, true}}) {
            HelpLauncher help;
            int lookups = 0, offers = 0;
            QList<QStringList> started;
            help.findApplication = [&] { return c.answers.value(lookups++); };
            help.offerReader = [&](QWidget*) { return ++offers, c.resume; };
            help.start = [&started](const QString& program, const QStringList& arguments, const QString& folder) {
                started << (QStringList{program, folder} + arguments);
                return true;
            };
            help.OpenUserManual(nullptr, QStringLiteral("/opt/vellumio"));
            QCOMPARE(lookups, c.lookups);
            QCOMPARE(offers, c.offers);
            const QStringList manual{"reader", "/opt/vellumio", "--view", "/opt/vellumio/user manual.pdf"};
            QCOMPARE(started, c.starts ? QList<QStringList>{manual} : QList<QStringList>());
        }
    }

    // The real dialog is offered; Abort starts nothing.
    void helpMissingDialogAbortStartsNothing()
    {
        HelpLauncher help;
        int lookups = 0, starts = 0;
        bool shown = false;
        help.findApplication = [&lookups] { return ++lookups, QString(); };
        help.start = [&starts](const QString&, const QStringList&, const QString&) { return ++starts, true; };
        QTimer::singleShot(0, qApp, [&shown] {
            auto* dialog = qobject_cast<CHelpMissingDlg*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            shown = true;
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("2")), Qt::LeftButton);
        });
        help.OpenUserManual(nullptr, QStringLiteral("/opt/vellumio"));
        QVERIFY(shown);
        QCOMPARE((QList{lookups, starts}), (QList{1, 0}));
    }
};

QTEST_MAIN(HelpTest)
#include "help_test.moc"
