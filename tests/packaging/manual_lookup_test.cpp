// The manual lookup of Help, on the unpacked package and on folders laid out
// like a build tree. With no manual anywhere the path beside the program is
// named: HelpTest::helpFlow in tests/ui covers that.
#include "help_launcher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class ManualLookupTest : public QObject {
    Q_OBJECT

private slots:
    // The installed program's folder is /usr/bin: the manual is found in the
    // package's data folder. (Help hands the file found to the reader:
    // HelpTest::helpFlow.)
    void installedProgramFindsManualInDataFolder()
    {
        const QString root = qEnvironmentVariable("VELLUMIO_PACKAGE_ROOT");
        QVERIFY2(!root.isEmpty(), "VELLUMIO_PACKAGE_ROOT names the unpacked package");
        const QString bin = root + "/usr/bin";
        QVERIFY(QFileInfo(bin + "/vellumio").isExecutable());
        const QString expected = root + "/usr/share/" + qEnvironmentVariable("VELLUMIO_DATA_FOLDER") + "/user manual.pdf";
        QCOMPARE(FindUserManual(bin), expected);
        QFile manual(expected);
        QVERIFY(manual.open(QIODevice::ReadOnly));
        QCOMPARE(manual.read(5), QByteArray("%PDF-"));
    }

    // In a build tree the manual beside the program wins over a data folder.
    void manualBesideProgramComesFirst()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const QString folder : {"bin", "share/vellumio"}) {
            QVERIFY(QDir().mkpath(dir.filePath(folder)));
            QFile manual(dir.filePath(folder + "/user manual.pdf"));
            QVERIFY(manual.open(QIODevice::WriteOnly));
        }
        QCOMPARE(FindUserManual(dir.filePath("bin")), dir.filePath("bin/user manual.pdf"));
    }
};

QTEST_GUILESS_MAIN(ManualLookupTest)
#include "manual_lookup_test.moc"
