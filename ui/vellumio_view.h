#pragma once

#include "comm_event_sink.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class CCommunicationPage;
class CDownloadPage;
class CVellumioDoc;
class CPicture;
class CPictureInfoPage;
class ICommunication;
class UploadReceiver;
class QKeyEvent;
class QScrollBar;
class QTabWidget;
struct CommSettings;

// The status-bar panes the view writes.
inline constexpr int kIndicatorDimensions = 59144;
inline constexpr int kIndicatorSize = 59143;

// The main window's client: the tab band with its three pages above the
// displayed picture, drawn one screen pixel per dot with scroll bars of its
// own. It takes the printer's unasked replies, transfer progress and
// failures for the "Download" page.
class CVellumioView : public QWidget, public ICommEventTarget {
    Q_OBJECT

public:
    static constexpr int kTabBandHeight = 200;
    static constexpr int kScrollBarSize = 15;
    static constexpr int kPictureLeft = 20;
    static constexpr int kPageStep = 10;

    CVellumioView(CVellumioDoc& document, CommSettings& settings, QWidget* parent = nullptr);
    ~CVellumioView() override;

    void OnInitialUpdate();
    // Starts the two printer pages once the link exists; `communication`
    // may be null.
    void AttachPrinter(ICommunication* communication, UploadReceiver& upload);

    void OnDataReceived(std::span<const std::uint8_t> chunk) override;
    void OnTransferProgress(std::int32_t percent) override;
    void OnTransferFailed() override;
    void OnUpdate(int hint);
    // For every key press of the main thread before it is delivered; true
    // when the view has consumed it.
    bool KeyFilter(const QKeyEvent& event);
    void ComputeAndUpdateRectangle(int hint);
    void UpdateScrollBars(const CPicture* picture);

    CPictureInfoPage& PictureInfoPage() const { return *m_pInfoPage; }
    CDownloadPage& DownloadPage() const { return *m_pDownloadPage; }
    CCommunicationPage& CommunicationPage() const { return *m_pCommunicationPage; }
    QWidget* Page(int index) const { return m_pages[static_cast<std::size_t>(index)]; }
    QTabWidget& TabControl() const { return *m_pTab; }
    QScrollBar* HorizontalBar() const { return m_pHorizontal; }
    QScrollBar* VerticalBar() const { return m_pVertical; }
    // The display bitmap of the last paint; null before a picture was painted.
    const QImage& DisplayBitmap() const { return m_displayBitmap; }
    // Top of the picture: 20 pixels under the "Picture Info" page.
    int PictureTop() const;

    // The colour chooser; replaced by tests.
    std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)> m_chooseColor;

    void OnBackgroundColor();

signals:
    void IndicatorText(int indicatorId, const QString& text);
    // A paint that drew a picture has ended.
    void PicturePainted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void OnSize(int width, int height);
    void SendResizeNotice();
    void ShowCurrentPage();
    void OnScrollAction(QScrollBar& bar, int action);
    void InvalidatePicture();
    const CPicture* DisplayedPicture() const;
    QColor BackgroundColor() const;

    CVellumioDoc& m_doc;
    CommSettings& m_settings;
    QTabWidget* m_pTab = nullptr;
    CPictureInfoPage* m_pInfoPage = nullptr;
    CDownloadPage* m_pDownloadPage = nullptr;
    CCommunicationPage* m_pCommunicationPage = nullptr;
    UploadReceiver* m_pUpload = nullptr;
    std::array<QWidget*, 3> m_pages{};
    QScrollBar* m_pHorizontal = nullptr;
    QScrollBar* m_pVertical = nullptr;
    QImage m_displayBitmap;
    bool m_bBitmapStale = true;
};
