#include "please_wait_dlg.h"

#include "dialog_units.h"

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kTickMilliseconds = 1000;
constexpr qsizetype kLongestDoublingLine = 120;
constexpr int kSplashWidth = 588;
constexpr int kSplashHeight = 243;
constexpr int kBorder = 1;

// A thermal receipt printer with a receipt coming out, drawn left of the
// title.
void DrawPrinter(QPainter& painter)
{
    const QColor body(0x37, 0x47, 0x4f);
    const QColor slot(0x1c, 0x26, 0x2b);

    QPainterPath paper;
    paper.moveTo(70, 120);
    paper.lineTo(70, 40);
    for (int x = 70; x < 170; x += 10) {
        paper.lineTo(x + 5, 32);
        paper.lineTo(x + 10, 40);
    }
    paper.lineTo(170, 120);
    paper.closeSubpath();
    painter.setPen(QPen(QColor(0x90, 0xa4, 0xae), 2));
    painter.setBrush(Qt::white);
    painter.drawPath(paper);

    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawRect(88, 54, 64, 18);
    painter.setBrush(QColor(0x42, 0x42, 0x42));
    for (int row = 0; row < 3; ++row)
        painter.drawRect(88, 80 + row * 10, row == 1 ? 40 : 60, 4);

    painter.setBrush(body);
    painter.drawRoundedRect(QRectF(30, 110, 180, 90), 18, 18);
    painter.setBrush(slot);
    painter.drawRect(58, 116, 124, 10);
    painter.setBrush(QColor(0x90, 0xa4, 0xae));
    painter.drawRoundedRect(QRectF(52, 166, 70, 10), 4, 4);
    painter.setBrush(QColor(0x4c, 0xaf, 0x50));
    painter.drawEllipse(QPointF(184, 171), 7, 7);
}

}  // namespace

QString WaitDashes::NextMessage(const QString& text)
{
    const QString message = m_strDashes + text + m_strDashes;
    if (message.size() <= kLongestDoublingLine)
        m_strDashes += m_strDashes;
    else
        m_strDashes = QStringLiteral("-");
    return message;
}

WaitDashes& ProcessWaitDashes()
{
    static WaitDashes dashes;
    return dashes;
}

QPixmap DrawSplashPicture()
{
    QImage image(kSplashWidth, kSplashHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient band(0, 0, kSplashWidth, 0);
    band.setColorAt(0, QColor(0xec, 0xef, 0xf1));
    band.setColorAt(1, Qt::white);
    painter.fillRect(QRect(0, 0, kSplashWidth, 215), band);
    DrawPrinter(painter);

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(64);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(QColor(0x26, 0x32, 0x38));
    painter.drawText(QRect(240, 60, 340, 80), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vellumio"));

    QFont subtitle(QStringLiteral("DejaVu Sans"));
    subtitle.setPixelSize(18);
    painter.setFont(subtitle);
    painter.setPen(QColor(0x54, 0x6e, 0x7a));
    painter.drawText(QRect(244, 140, 340, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Logos for thermal receipt printers"));
    painter.end();
    return QPixmap::fromImage(image);
}

CPleaseWaitDlg::CPleaseWaitDlg(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    // No caption shows it, but a screen reader names the window by it.
    setWindowTitle(QStringLiteral("Vellumio"));
    QPalette white = palette();
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
        white.setColor(QPalette::All, role, Qt::white);
        white.setColor(QPalette::Disabled, role, Qt::white);
    }
    setPalette(white);
    setAutoFillBackground(true);
    // The border drawn by paintEvent lies around the template's area.
    setFixedSize(DialogUnitsToPixels(font(), 414, 179) + QSize(2 * kBorder, 2 * kBorder));
    const auto place = [this](int x, int y, int w, int h) {
        return DialogUnitsToPixels(font(), x, y, w, h).translated(kBorder, kBorder);
    };

    auto* picture = new QLabel(this);
    picture->setGeometry(place(0, 0, 413, 170));
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(DrawSplashPicture());
    picture->setAccessibleName(QStringLiteral("Vellumio"));

    m_pMessageEdit = new QLineEdit(this);
    m_pMessageEdit->setObjectName(QStringLiteral("1075"));
    m_pMessageEdit->setGeometry(place(0, 164, 413, 14));
    m_pMessageEdit->setAlignment(Qt::AlignCenter);
    m_pMessageEdit->setReadOnly(true);
    m_pMessageEdit->setEnabled(false);
    m_pMessageEdit->setFrame(false);
    m_pMessageEdit->setText(m_strMessage);

    m_timer.setInterval(kTickMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &CPleaseWaitDlg::OnTimer);
}

void CPleaseWaitDlg::CloseDialog()
{
    if (isVisible())
        done(0);
}

void CPleaseWaitDlg::OnTimer()
{
    m_strMessage = ProcessWaitDashes().NextMessage(QString::fromLatin1(kPleaseWaitText));
    m_pMessageEdit->setText(m_strMessage);
}

void CPleaseWaitDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_timer.start();
    raise();
    activateWindow();
}

void CPleaseWaitDlg::hideEvent(QHideEvent* event)
{
    m_timer.stop();
    QDialog::hideEvent(event);
}

void CPleaseWaitDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // Without a frame from the window system the popup draws its own border.
    QPainter painter(this);
    painter.setPen(QColor(0x60, 0x7d, 0x8b));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
