// Builds the user manual PDF from its Markdown text.
//
//   make_manual TEXT.md OUT.pdf [NAME=PICTURE]...
//
// Each NAME=PICTURE loads a picture file (any format Qt reads, BMP included)
// under the name the text uses in ![...](NAME). A picture the text names but
// the command line does not give fails the build instead of leaving a hole.

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

#include <cstdio>

namespace {

// Hands out the pictures by name. Printing lays out a copy of the document
// that asks its original through loadResource, not through the resources
// added to it, so the pictures are served here.
class ManualDocument : public QTextDocument {
public:
    void AddPicture(const QString& name, const QImage& picture) { m_pictures.insert(name, picture); }
    bool HasPicture(const QString& name) const { return m_pictures.contains(name); }

protected:
    QVariant loadResource(int type, const QUrl& name) override
    {
        if (type == QTextDocument::ImageResource && m_pictures.contains(name.toString()))
            return m_pictures.value(name.toString());
        return QTextDocument::loadResource(type, name);
    }

private:
    QHash<QString, QImage> m_pictures;
};

// Markdown tables come out with their text against the rules.
void SpaceTables(QTextDocument& document)
{
    for (QTextFrame* child : document.rootFrame()->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(child)) {
            QTextTableFormat format = table->format();
            format.setCellPadding(3);
            format.setCellSpacing(0);
            format.setBorderCollapse(true);
            table->setFormat(format);
        }
    }
}

int Fail(const QString& message)
{
    std::fprintf(stderr, "make_manual: %s\n", qPrintable(message));
    return 1;
}

QSet<QString> PicturesNamed(const QTextDocument& document)
{
    QSet<QString> names;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat())
                names.insert(format.toImageFormat().name());
        }
    }
    return names;
}

}  // namespace

int main(int argc, char** argv)
{
    // The tool draws nothing on a screen, and a build has no session of its
    // own to give it a runtime folder.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: make_manual TEXT.md OUT.pdf [NAME=PICTURE]...\n");
        return 2;
    }

    QFile text(args[1]);
    if (!text.open(QIODevice::ReadOnly))
        return Fail(QStringLiteral("cannot read %1").arg(args[1]));

    ManualDocument document;
    QFont font = document.defaultFont();
    font.setPointSize(10);
    document.setDefaultFont(font);

    for (qsizetype i = 3; i < args.size(); ++i) {
        const qsizetype equals = args[i].indexOf(QLatin1Char('='));
        if (equals <= 0)
            return Fail(QStringLiteral("expected NAME=PICTURE, got %1").arg(args[i]));
        const QString name = args[i].left(equals);
        const QImage picture(args[i].mid(equals + 1));
        if (picture.isNull())
            return Fail(QStringLiteral("cannot read the picture %1").arg(args[i].mid(equals + 1)));
        document.AddPicture(name, picture);
    }
    document.setMarkdown(QString::fromUtf8(text.readAll()));
    SpaceTables(document);

    for (const QString& name : PicturesNamed(document)) {
        if (!document.HasPicture(name))
            return Fail(QStringLiteral("the text shows %1, which was not given").arg(name));
    }

    // Written aside and put in place only when complete.
    QSaveFile out(args[2]);
    if (!out.open(QIODevice::WriteOnly))
        return Fail(QStringLiteral("cannot write %1").arg(args[2]));
    {
        QPdfWriter writer(&out);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        writer.setTitle(QStringLiteral("Vellumio user manual"));
        writer.setCreator(QStringLiteral("Vellumio"));
        document.print(&writer);
    }
    if (!out.commit())
        return Fail(QStringLiteral("cannot write %1").arg(args[2]));
    return 0;
}
