// Prints the MIME type Qt's database gives each file named on the command
// line, one per line: what a Qt desktop shows and opens them as.
#include <QCoreApplication>
#include <QMimeDatabase>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    const QMimeDatabase database;
    for (const QString& file : QCoreApplication::arguments().mid(1))
        out << database.mimeTypeForFile(file).name() << '\n';
    return 0;
}
