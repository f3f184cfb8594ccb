#include "vellumio_view.h"

#include "comm_settings.h"
#include "communication_page.h"
#include "display_bitmap.h"
#include "download_page.h"
#include "picture_info_page.h"
#include "printer_commands.h"
#include "upload_receiver.h"
#include "user_message.h"
#include "vellumio_doc.h"

#include <QDebug>
#include <QColorDialog>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTabWidget>

#include <algorithm>

namespace {

constexpr int kTabControlId = 1111;
constexpr int kScrollBarId = 100;
constexpr int kPageMargin = 20;
constexpr int kPageHeight = 160;
constexpr int kNarrowestResizedPage = 100;
constexpr int kPictureMarginX = 40;
constexpr int kPictureMarginY = 220;

// What the view remembers of the output picture between two calls of
// ComputeAndUpdateRectangle; one set for the process.
struct PreviousOutput {
    int width = -1;
    int height = -1;
    int offsetX = 0;
    int offsetY = 0;
    bool repaintAll = true;
};
PreviousOutput g_previous;

QColor FromColorRef(std::int32_t colorRef)
{
    const auto value = static_cast<std::uint32_t>(colorRef);
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

std::int32_t ToColorRef(const QColor& color)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(color.red()) |
                                     (static_cast<std::uint32_t>(color.green()) << 8) |
                                     (static_cast<std::uint32_t>(color.blue()) << 16));
}

// A bar's range follows the platform rule of a scroll bar with a page: the
// position runs from 0 to maximum - page + 1.
void SetBarRange(QScrollBar& bar, int maximum, int page)
{
    const int position = bar.value();
    bar.setPageStep(std::max(page, 1));
    bar.setRange(0, std::max(0, maximum - page + 1));
    bar.setValue(position);
}

}  // namespace

CVellumioView::CVellumioView(CVellumioDoc& document, CommSettings& settings, QWidget* parent)
    : QWidget(parent), m_doc(document), m_settings(settings)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName("Picture");
    m_chooseColor = [](const QColor& initial, QWidget* owner) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, owner, QString(), QColorDialog::DontUseNativeDialog);
        if (!chosen.isValid())
            return std::nullopt;
        return chosen;
    };

    m_pTab = new QTabWidget(this);
    m_pTab->setObjectName(QString::number(kTabControlId));
    // The band beside the tab headers is the control's, not the picture's
    // background.
    m_pTab->setAutoFillBackground(true);
    m_pInfoPage = new CPictureInfoPage(m_pTab);
    m_pDownloadPage = new CDownloadPage(m_doc, m_settings, m_pTab);
    m_pCommunicationPage = new CCommunicationPage(m_settings, m_pTab);
    m_pages = {m_pInfoPage, m_pDownloadPage, m_pCommunicationPage};
    // The link must not change under a running transfer.
    connect(m_pDownloadPage, &CDownloadPage::TransferBusyChanged, m_pCommunicationPage,
            [this](bool busy) { m_pCommunicationPage->setEnabled(!busy); });
    for (QWidget* page : m_pages)
        m_pTab->addTab(page, page->windowTitle().left(49));
    connect(m_pTab, &QTabWidget::currentChanged, this, [this] { ShowCurrentPage(); });
    // A failed open leaves nothing to show.
    connect(&m_doc, &CVellumioDoc::InputDropped, this, [this] {
        m_bBitmapStale = true;
        update();
    });
    connect(&m_doc, &CVellumioDoc::ViewsUpdated, this, [this](int hint) {
        m_bBitmapStale = true;
        OnUpdate(hint);
    });
}

CVellumioView::~CVellumioView() = default;

void CVellumioView::OnInitialUpdate()
{
    m_doc.UpdateStatusText();
    const auto makeBar = [this](Qt::Orientation orientation, const QString& name) {
        auto* bar = new QScrollBar(orientation, this);
        bar->setObjectName(QString::number(kScrollBarId));
        bar->setAccessibleName(name);
        // The picture moves when the thumb is released, not while it is dragged.
        bar->setTracking(false);
        bar->hide();
        connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar](int action) { OnScrollAction(*bar, action); });
        connect(bar, &QAbstractSlider::valueChanged, this, [this] { InvalidatePicture(); });
        return bar;
    };
    if (!m_pHorizontal)
        m_pHorizontal = makeBar(Qt::Horizontal, "Horizontal scroll bar");
    if (!m_pVertical)
        m_pVertical = makeBar(Qt::Vertical, "Vertical scroll bar");
    OnSize(width(), height());
}

const CPicture* CVellumioView::DisplayedPicture() const
{
    return m_doc.DisplayedPicture();
}

int CVellumioView::PictureTop() const
{
    const QWidget* page = m_pages[0];
    return page->mapTo(this, QPoint(0, page->height())).y() + kPictureLeft;
}

QColor CVellumioView::BackgroundColor() const
{
    return FromColorRef(m_settings.m_nBackgroundColor);
}

void CVellumioView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    OnSize(width(), height());
}

void CVellumioView::OnSize(int w, int h)
{
    if (w < 1 || h < 1 || isMinimized())
        return;
    m_pTab->setGeometry(0, 0, w, kTabBandHeight);
    if (m_pVertical)
        m_pVertical->setGeometry(w - kScrollBarSize, kTabBandHeight, kScrollBarSize, h - kTabBandHeight);
    if (m_pHorizontal) {
        const bool vertical = m_pVertical && m_pVertical->isVisibleTo(this);
        m_pHorizontal->setGeometry(0, h - kScrollBarSize, w - (vertical ? kScrollBarSize : 0), kScrollBarSize);
    }
    SendResizeNotice();
    UpdateScrollBars(DisplayedPicture());
}

void CVellumioView::UpdateScrollBars(const CPicture* picture)
{
    if (!picture || !m_pHorizontal || !m_pVertical)
        return;
    const int pictureWidth = static_cast<int>(picture->GetWidth());
    const int pictureHeight = static_cast<int>(picture->GetHeight());
    const int pageWidth = width() - kPictureMarginX;
    const int pageHeight = height() - kPictureMarginY;
    SetBarRange(*m_pHorizontal, pictureWidth, pageWidth);
    SetBarRange(*m_pVertical, pictureHeight, pageHeight);
    const bool showVertical = pageHeight < pictureHeight;
    const bool showHorizontal = pageWidth < pictureWidth;
    const bool changed =
        showVertical != m_pVertical->isVisibleTo(this) || showHorizontal != m_pHorizontal->isVisibleTo(this);
    m_pVertical->setVisible(showVertical);
    m_pHorizontal->setVisible(showHorizontal);
    // The horizontal bar leaves the corner to a visible vertical bar.
    if (changed)
        m_pHorizontal->setGeometry(0, height() - kScrollBarSize, width() - (showVertical ? kScrollBarSize : 0),
                                   kScrollBarSize);
}

void CVellumioView::ShowCurrentPage()
{
    QWidget* page = m_pTab->currentWidget();
    if (!page)
        return;
    page->show();
    page->setFocus();
    SendResizeNotice();
}

// The pages that lay themselves out by the view's size rather than their own.
void CVellumioView::SendResizeNotice()
{
    const int w = width() - kPageMargin;
    const int h = std::min(height(), kPageHeight);
    if (m_pTab->currentWidget() == m_pInfoPage)
        m_pInfoPage->OnResizeNotice(w, h);
    else if (m_pTab->currentWidget() == m_pCommunicationPage)
        m_pCommunicationPage->OnResizeNotice(w, h);
}

void CVellumioView::AttachPrinter(ICommunication* communication, UploadReceiver& upload)
{
    m_pUpload = &upload;
    m_pDownloadPage->OnInitDialog(communication, upload);
    m_pCommunicationPage->OnInitDialog(communication);
}

void CVellumioView::OnDataReceived(std::span<const std::uint8_t> chunk)
{
    if (!m_pUpload)
        return;
    for (UploadEvent& event : m_pUpload->Feed(chunk)) {
        switch (event.kind) {
        case UploadEventKind::EraseAcknowledged:
            m_pDownloadPage->EnableControls(true, kEraseButton);
            break;
        case UploadEventKind::EmptySlot:
            ShowMessage(std::string(printer_messages::kNoLogoAtLocation));
            break;
        case UploadEventKind::UploadStarted:
            m_pDownloadPage->SetTransferProgress(0, kUploadButton);
            break;
        case UploadEventKind::UploadProgress:
            m_pDownloadPage->SetTransferProgress(static_cast<int>(event.value), kUploadButton);
            break;
        case UploadEventKind::UploadComplete:
            m_doc.LoadUploadedPicture(event.bitmap);
            break;
        case UploadEventKind::UploadRefused:
            ShowMessage(std::string(printer_messages::kUploadRefused));
            break;
        case UploadEventKind::BytesDropped:
            qDebug("CVellumioView::OnDataReceived: %llu bytes belong to no reply",
                   static_cast<unsigned long long>(event.value));
            break;
        }
    }
}

void CVellumioView::OnTransferProgress(std::int32_t percent)
{
    m_pDownloadPage->SetTransferProgress(percent, kDownloadButton);
}

void CVellumioView::OnTransferFailed()
{
    ShowMessage(std::string(printer_messages::kDownloadStopped));
    m_pDownloadPage->SetTransferProgress(0, kDownloadButton);
    // A line that failed may have gone for good.
    m_doc.UpdateStatusText();
}

void CVellumioView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    ShowCurrentPage();
}

void CVellumioView::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    QWidget::mousePressEvent(event);
}

void CVellumioView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), BackgroundColor());
    const CPicture* picture = DisplayedPicture();
    if (!picture)
        return;
    if (m_bBitmapStale || m_displayBitmap.width() != static_cast<int>(picture->GetWidth()) ||
        m_displayBitmap.height() != static_cast<int>(picture->GetHeight())) {
        m_displayBitmap = BuildDisplayBitmap(*picture);
        m_bBitmapStale = false;
    }
    const int top = PictureTop();
    const int x0 = m_pHorizontal ? m_pHorizontal->value() : 0;
    const int y0 = m_pVertical ? m_pVertical->value() : 0;
    const QRect shown(kPictureLeft, top, static_cast<int>(picture->GetWidth()) - x0,
                      static_cast<int>(picture->GetHeight()) - y0);
    painter.fillRect(shown, Qt::white);
    // Only what the paint has to renew is drawn: a tall picture is mostly
    // out of sight.
    const QRect target = shown.intersected(event->rect());
    if (!m_displayBitmap.isNull() && !target.isEmpty())
        painter.drawImage(target, m_displayBitmap, target.translated(x0 - kPictureLeft, y0 - top));
    emit PicturePainted();
}

void CVellumioView::OnScrollAction(QScrollBar& bar, int action)
{
    if (m_displayBitmap.isNull()) {
        bar.setSliderPosition(bar.value());
        return;
    }
    const int limit = &bar == m_pVertical ? m_displayBitmap.height() : m_displayBitmap.width();
    const int pos = bar.value();
    int next = pos;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        next = pos >= 1 ? pos - 1 : pos;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        next = pos < limit ? pos + 1 : pos;
        break;
    case QAbstractSlider::SliderPageStepSub:
        // A position from 1 to 10 does not page back to 0.
        next = pos - kPageStep >= 1 ? pos - kPageStep : pos;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        next = pos + kPageStep < limit ? pos + kPageStep : pos;
        break;
    case QAbstractSlider::SliderMove:
        // Dragging moves the thumb only; the release sets the position.
        return;
    default:
        break;
    }
    bar.setSliderPosition(next);
}

void CVellumioView::InvalidatePicture()
{
    if (m_displayBitmap.isNull())
        return;
    update(QRect(kPictureLeft, PictureTop(), m_displayBitmap.width(), m_displayBitmap.height()));
}

void CVellumioView::wheelEvent(QWheelEvent* event)
{
    if (!m_pHorizontal || !m_pVertical)
        return;
    QScrollBar* target = m_pVertical->isVisibleTo(this)     ? m_pVertical
                         : m_pHorizontal->isVisibleTo(this) ? m_pHorizontal
                                                            : nullptr;
    if (!target)
        return;
    const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    target->triggerAction(delta > 0 ? QAbstractSlider::SliderPageStepSub : QAbstractSlider::SliderPageStepAdd);
    event->accept();
}

void CVellumioView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction("Background color", this, &CVellumioView::OnBackgroundColor);
    menu.exec(event->globalPos());
}

void CVellumioView::OnBackgroundColor()
{
    const std::optional<QColor> chosen = m_chooseColor(BackgroundColor(), this);
    if (!chosen)
        return;
    m_settings.m_nBackgroundColor = ToColorRef(*chosen);
    update();
}

bool CVellumioView::KeyFilter(const QKeyEvent& event)
{
    const int key = event.key();
    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && (event.modifiers() & Qt::ControlModifier)) {
        const int count = m_pTab->count();
        const int current = m_pTab->currentIndex();
        const bool back = key == Qt::Key_Backtab || (event.modifiers() & Qt::ShiftModifier);
        m_pTab->setCurrentIndex(back ? (current + count - 1) % count : (current + 1) % count);
        return true;
    }
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

void CVellumioView::OnUpdate(int hint)
{
    if (hint != (m_doc.m_bInputDisplayed ? 1 : 0))
        return;
    const CPicture* picture = nullptr;
    if (hint == 0) {
        if (m_doc.IsModified()) {
            const CPictureInfoPage& page = *m_pInfoPage;
            if (m_doc.BuildOutputPicture(page.m_nOutputType, page.m_strOutputName,
                                         static_cast<std::uint32_t>(std::max(page.m_nOutputWidth, 0)),
                                         static_cast<std::uint32_t>(std::max(page.m_nOutputHeight, 0)),
                                         page.m_nOffsetX, page.m_nOffsetY))
                m_doc.SetModifiedFlag(false);
        }
        picture = m_doc.OutputPicture();
    } else {
        picture = m_doc.InputPicture();
    }
    if (!picture)
        return;
    m_pInfoPage->Refresh(*picture, m_doc.m_bNewInput);
    ComputeAndUpdateRectangle(hint);
    emit IndicatorText(kIndicatorDimensions, QString::asprintf("Width:%d - Height:%d", picture->GetWidth(),
                                                               picture->GetHeight()));
    emit IndicatorText(kIndicatorSize, QString::asprintf("%d bytes", picture->GetSize()));
    OnSize(width(), height());
}

void CVellumioView::ComputeAndUpdateRectangle(int hint)
{
    const int top = PictureTop();
    if (hint != 0) {
        g_previous = {-1, -1, 0, 0, true};
        update();
        return;
    }
    const CPicture* output = m_doc.OutputPicture();
    if (!output)
        return;
    const int w = static_cast<int>(output->GetWidth());
    const int hh = static_cast<int>(output->GetHeight());
    const int ox = output->GetOffsetX();
    const int oy = output->GetOffsetY();
    PreviousOutput& previous = g_previous;
    if (previous.repaintAll) {
        update();
        previous.repaintAll = false;
        return;
    }
    if (previous.width == -1 && previous.height == -1)
        update(QRect(QPoint(kPictureLeft, top), QPoint(w + kPictureLeft, top + hh)));
    if (w != previous.width)
        update(QRect(QPoint(std::min(w, previous.width) + 19, top), QPoint(std::max(w, previous.width) + 21, top + hh)));
    if (hh != previous.height)
        update(QRect(QPoint(kPictureLeft, top + std::min(hh, previous.height) - 1),
                     QPoint(w + kPictureLeft, top + std::max(hh, previous.height) + 1)));
    if (ox != previous.offsetX) {
        QRect area(QPoint(kPictureLeft, top), QPoint(w + kPictureLeft, top + hh));
        if (ox > 0 && previous.offsetX > 0)
            area.setRight(area.right() - previous.offsetX);
        if (ox < 0 && previous.offsetX < 0)
            area.setLeft(-previous.offsetX);
        update(area);
    }
    if (oy != previous.offsetY) {
        QRect area(QPoint(kPictureLeft, top), QPoint(w + kPictureLeft, top + hh));
        if (oy > 0 && previous.offsetY > 0)
            area.setBottom(area.bottom() - previous.offsetY);
        if (oy < 0 && previous.offsetY < 0)
            area.setTop(top - previous.offsetY);
        update(area);
    }
    previous.width = w;
    previous.height = hh;
    previous.offsetX = ox;
    previous.offsetY = oy;
}
