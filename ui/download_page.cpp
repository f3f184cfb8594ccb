#include "download_page.h"

#include "comm_settings.h"
#include "communication.h"
#include "download_image.h"
#include "memory_size_dlg.h"
#include "printer_commands.h"
#include "printer_replies.h"
#include "responsive_request.h"
#include "upload_receiver.h"
#include "user_message.h"
#include "vellumio_doc.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <array>

namespace {

constexpr int kLogoNumberList = 1043;
constexpr int kPrintButton = 1045;
constexpr int kSetupButton = 1050;
constexpr int kRefreshButton = 1052;
constexpr int kProgressBar = 1055;
constexpr int kLeftGroup = 1065;
constexpr int kRightGroup = 1066;
constexpr std::array<int, 4> kSizeButtons{1046, 1047, 1048, 1049};
// The controls a busy state disables, the three transfer buttons first.
constexpr std::array<int, 11> kPageControls{kEraseButton, kUploadButton, kDownloadButton, kPrintButton,
                                            kSetupButton, kRefreshButton, kLogoNumberList, 1046, 1047, 1048, 1049};

// Below this width the page keeps the template's own layout.
constexpr int kStretchFromWidth = 401;
constexpr double kLeftGroupShare = 0.45454545454545453;
constexpr double kFigureColumnShare = 0.7;
constexpr int kLabelGap = 4;

constexpr std::int32_t kLargestSizeWithoutTotal = 1024;

// The texts a screen shows for the tooltips, where "&&" stands for one "&".
QString ToolTipText(const char* text)
{
    return QString::fromLatin1(text).replace(QStringLiteral("&&"), QStringLiteral("&"));
}

QString CaptionOf(int button)
{
    switch (button) {
    case kEraseButton:
        return QStringLiteral("Erase");
    case kUploadButton:
        return QStringLiteral("Upload");
    default:
        return QStringLiteral("Download");
    }
}

// The memory exchanges block the window; the cursor says so.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

CDownloadPage::CDownloadPage(CVellumioDoc& document, const CommSettings& settings, QWidget* parent)
    : CDialogPage(QStringLiteral("Download"), 388, 102, parent),
      m_strAbort(QStringLiteral("Abort")),
      m_doc(document),
      m_settings(settings)
{
    // Created in the template's order, which is also the tab order.
    AddGroup(kLeftGroup, "", {6, 0, 171, 80});
    QLabel* numberLabel = AddLabel(1042, "Logo Number", {10, 16, 47, 10});
    m_cbLogoNumber = Add(new QComboBox(this), kLogoNumberList, {68, 14, 31, 12});
    Label(numberLabel, m_cbLogoNumber);
    m_pSizeButtons = new QButtonGroup(this);
    const std::array<const char*, 4> sizeTexts{"x1H x1W", "x1H x2W", "x2H x1W", "x2H x2W"};
    const std::array<QRect, 4> sizePlaces{QRect{10, 35, 42, 12}, {68, 35, 44, 12}, {10, 59, 42, 12}, {68, 59, 43, 12}};
    const std::array<const char*, 4> sizeTips{"single height && single width", "single height && double width ",
                                              "double height && single width", "double height && double width"};
    for (std::size_t mode = 0; mode < kSizeButtons.size(); ++mode) {
        auto* button = Add(new QRadioButton(QString::fromLatin1(sizeTexts[mode]), this), kSizeButtons[mode],
                                  sizePlaces[mode]);
        button->setToolTip(ToolTipText(sizeTips[mode]));
        m_pSizeButtons->addButton(button, static_cast<int>(mode));
    }
    AddButton(kUploadButton, "Upload", {115, 11, 54, 15});
    AddButton(kDownloadButton, "Download", {115, 35, 54, 15});
    AddButton(kPrintButton, "Print", {115, 59, 53, 15});

    AddGroup(kRightGroup, "", {186, 0, 196, 80});
    const auto addFigure = [this](int labelId, const char* text, QRect labelUnits, int editId, QRect editUnits,
                                  int unitId, const char* unit, QRect unitUnits) {
        QLabel* label = AddLabel(labelId, text, labelUnits);
        QLineEdit* edit = AddEdit(editId, editUnits);
        edit->setEnabled(false);
        Label(label, edit);
        AddLabel(unitId, unit, unitUnits);
        return edit;
    };
    m_pTotalMemory = addFigure(1058, "Total memory size available", {193, 10, 94, 8}, 1060, {320, 9, 29, 12}, 1062,
                               "kbytes", {352, 10, 21, 8});
    m_pLogoMemory = addFigure(1057, "Memory size available for logo storage", {193, 25, 120, 8}, 1061,
                              {320, 24, 29, 12}, 1063, "kbytes", {352, 25, 22, 8});
    m_pRemainingMemory = addFigure(1059, "Memory size remained for logo storage", {193, 41, 124, 8}, 1068,
                                   {320, 39, 29, 12}, 1064, " bytes", {352, 41, 21, 8});
    AddButton(kSetupButton, "Setup", {193, 59, 53, 15});
    AddButton(kRefreshButton, "Refresh", {255, 59, 53, 15});
    AddButton(kEraseButton, "Erase", {317, 59, 56, 15});
    m_pProgress = Add(new QProgressBar(this), kProgressBar, {5, 80, 376, 12});
    m_pProgress->setRange(0, 100);
    m_pProgress->setValue(0);
    m_pProgress->setAccessibleName(QStringLiteral("Transfer progress"));

    connect(Button(kPrintButton), &QPushButton::clicked, this, &CDownloadPage::OnPrint);
    connect(Button(kEraseButton), &QPushButton::clicked, this, &CDownloadPage::OnErase);
    connect(Button(kDownloadButton), &QPushButton::clicked, this, &CDownloadPage::OnDownload);
    connect(Button(kUploadButton), &QPushButton::clicked, this, &CDownloadPage::OnUpload);
    // Queued, so the click has finished before the dialog opens.
    connect(Button(kSetupButton), &QPushButton::clicked, this, &CDownloadPage::OnSetup, Qt::QueuedConnection);
    connect(Button(kRefreshButton), &QPushButton::clicked, this, &CDownloadPage::OnRefresh);

    m_stallTimer.setInterval(kUploadStallTimeout);
    connect(&m_stallTimer, &QTimer::timeout, this, &CDownloadPage::OnTimer);
}

QPushButton* CDownloadPage::AddButton(int id, const char* text, QRect units)
{
    return Add(new QPushButton(QString::fromLatin1(text), this), id, units);
}

QPushButton* CDownloadPage::Button(int id) const
{
    return findChild<QPushButton*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

void CDownloadPage::OnInitDialog(ICommunication* communication, UploadReceiver& upload)
{
    m_pCommunication = communication;
    m_pUpload = &upload;
    RefreshMemory();
    m_cbLogoNumber->clear();
    for (std::uint32_t number = 0; number < printer::kLogoSlotCount; ++number)
        m_cbLogoNumber->addItem(QString::number(number));
    m_cbLogoNumber->setCurrentIndex(-1);
    m_pSizeButtons->button(printer::kSizeNormal)->setChecked(true);
    Button(kUploadButton)->setVisible(m_settings.m_nVersion != 0);
}

void CDownloadPage::EnableControls(bool enable, int button)
{
    if (enable) {
        for (int id : kPageControls)
            findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly)->setEnabled(true);
        if (button == kNoButton)
            return;
        Button(button)->setText(CaptionOf(button));
        if (button == kEraseButton)
            QueryRemainingMemory();
        return;
    }
    for (int id : kPageControls)
        findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly)->setEnabled(id == button);
    Button(button == kNoButton ? kUploadButton : button)->setText(m_strAbort);
}

void CDownloadPage::SetTransferProgress(int percent, int button)
{
    const bool busy = percent != 0 && percent != 100;
    emit TransferBusyChanged(busy);
    if (button == kDownloadButton) {
        EnableControls(!busy, kDownloadButton);
        // The bar shows the end before a checksum message can hold the page.
        m_pProgress->setValue(percent);
        if (percent == 100 && m_cbLogoNumber->currentIndex() >= 0) {
            m_doc.VerifyDownload(static_cast<std::uint8_t>(m_cbLogoNumber->currentIndex()), m_wChecksum);
            QueryRemainingMemory();
        }
        return;
    }
    if (busy) {
        m_stallTimer.start();
        EnableControls(false, kNoButton);
    } else {
        // A finished or abandoned upload has nothing left to stall.
        m_stallTimer.stop();
        EnableControls(true, button);
    }
    m_pProgress->setValue(percent);
}

void CDownloadPage::OnTimer()
{
    m_stallTimer.stop();
    if (m_pProgress->value() == 100)
        EnableControls(true, kUploadButton);
    else
        EnableControls(false, kUploadButton);
}

bool CDownloadPage::SendCommand(std::span<const std::uint8_t> bytes, std::int32_t mode)
{
    return m_pCommunication && m_pCommunication->Send(bytes, mode) == kSendOk;
}

void CDownloadPage::ShowFailure() const
{
    ShowMessage(std::string(printer_messages::kCommunicationFailure));
}

bool CDownloadPage::SelectLogo()
{
    const int number = m_cbLogoNumber->currentIndex();
    if (number < 0) {
        ShowMessage(std::string(printer_messages::kSelectLogoNumber));
        m_cbLogoNumber->setFocus();
        return false;
    }
    return SendCommand(printer::SelectLogo(static_cast<std::uint8_t>(number)), kSendModeCommand);
}

std::int32_t CDownloadPage::PrintSizeMode() const
{
    const int checked = m_pSizeButtons->checkedId();
    return checked < 0 ? printer::kSizeNormal : checked;
}

void CDownloadPage::OnPrint()
{
    if (!SelectLogo()) {
        ShowFailure();
        return;
    }
    const auto mode = static_cast<printer::LogoSizeMode>(PrintSizeMode());
    if (!SendCommand(printer::PrintLogo(mode), kSendModeCommand))
        ShowFailure();
}

void CDownloadPage::OnErase()
{
    const bool aborting = Button(kEraseButton)->text() == m_strAbort;
    EnableControls(aborting, kEraseButton);
    if (SendCommand(printer::EraseLogos(), kSendModeCommand))
        return;
    ShowFailure();
    // No acknowledgement can come for an erase that never went out.
    if (!aborting)
        EnableControls(true, kEraseButton);
}

void CDownloadPage::OnDownload()
{
    if (Button(kDownloadButton)->text() == m_strAbort) {
        if (m_pCommunication)
            m_pCommunication->Abort();
        SetTransferProgress(0, kDownloadButton);
        return;
    }
    if (!SelectLogo()) {
        ShowFailure();
        return;
    }
    const auto image = m_doc.BuildDownloadImage();
    if (!image)
        return;
    m_wChecksum = DownloadChecksum(*image);
    if (!SendCommand(*image, kSendModeLogoDownload))
        ShowFailure();
}

void CDownloadPage::OnUpload()
{
    if (Button(kUploadButton)->text() == m_strAbort) {
        if (m_pCommunication)
            m_pCommunication->Abort();
        if (m_pUpload)
            m_pUpload->Reset();
        SetTransferProgress(0, kUploadButton);
        return;
    }
    if (!SelectLogo()) {
        ShowFailure();
        return;
    }
    if (!SendCommand(printer::UploadRequest(), kSendModeCommand))
        ShowFailure();
}

void CDownloadPage::OnSetup()
{
    CMemorySizeDlg dialog(this);
    dialog.m_nLargestSize = m_settings.m_nVersion != 0 ? m_nTotalMemory : kLargestSizeWithoutTotal;
    if (dialog.exec() != QDialog::Accepted)
        return;
    const WaitCursor waiting;
    const auto command = printer::SetLogoMemorySize(static_cast<std::uint32_t>(dialog.m_nChosenSize));
    const PrinterReply reply = command ? Ask(*command, printer::kSetMemorySizeReplyLength) : PrinterReply{};
    const MemorySizeOutcome outcome = CheckMemorySizeReply(reply);
    if (!outcome.message.empty())
        ShowMessage(std::string(outcome.message));
    RefreshMemory();
}

PrinterReply CDownloadPage::Ask(std::span<const std::uint8_t> command, std::int32_t expectedLength)
{
    const PrinterReply reply =
        m_pCommunication ? AskPrinterResponsively(*m_pCommunication, command, expectedLength) : PrinterReply{};
    m_bLastUnanswered = !reply.ok && reply.bytes.empty();
    return reply;
}

void CDownloadPage::RefreshMemory()
{
    const WaitCursor waiting;
    // A printer that does not answer one query answers none: each would
    // hold the window for the whole read time-out.
    if (m_settings.m_nVersion != 0) {
        m_nTotalMemory = QueryTotalMemory();
        if (m_bLastUnanswered)
            return;
        QueryLogoMemory();
        if (m_bLastUnanswered)
            return;
    }
    QueryRemainingMemory();
}

std::int32_t CDownloadPage::QueryTotalMemory()
{
    const auto total = TotalMemoryKbytes(Ask(printer::TotalMemoryQuery(), printer::kTotalMemoryReplyLength));
    if (!total)
        return 0;
    m_pTotalMemory->setText(QString::number(*total));
    return *total;
}

void CDownloadPage::QueryLogoMemory()
{
    if (const auto logo = LogoMemoryKbytes(Ask(printer::LogoMemoryQuery(), printer::kLogoMemoryReplyLength)))
        m_pLogoMemory->setText(QString::number(*logo));
}

void CDownloadPage::QueryRemainingMemory()
{
    const auto text = RemainingMemoryText(Ask(printer::RemainingMemoryQuery(), printer::kRemainingMemoryReplyLength));
    if (text)
        m_pRemainingMemory->setText(QString::fromStdString(*text));
}

void CDownloadPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    OnSize(width(), height());
}

void CDownloadPage::Move(int id, int x, int y)
{
    if (auto* control = findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly))
        control->move(x, y);
}

// A label too long for the room before its field at this font wraps to a
// second line instead of running under the field; the labels on either side
// stand centred on the field.
void CDownloadPage::FitLabelsAroundField(int labelId, int fieldId, int unitId)
{
    auto* label = findChild<QLabel*>(QString::number(labelId), Qt::FindDirectChildrenOnly);
    auto* unit = findChild<QLabel*>(QString::number(unitId), Qt::FindDirectChildrenOnly);
    const QWidget* field = findChild<QWidget*>(QString::number(fieldId), Qt::FindDirectChildrenOnly);
    const int centre = field->y() + field->height() / 2;
    const int room = field->x() - label->x() - kLabelGap;
    const int textWidth = label->fontMetrics().horizontalAdvance(label->text());
    const bool wraps = room > 0 && textWidth > room;
    label->setWordWrap(wraps);
    const int width = wraps ? room : textWidth;
    const int height = wraps ? label->heightForWidth(width) : label->fontMetrics().height();
    label->setGeometry(label->x(), centre - height / 2, width, height);
    unit->move(unit->x(), centre - unit->height() / 2);
}

void CDownloadPage::OnSize(int width, int height)
{
    if (width < kStretchFromWidth)
        return;
    const int barHeight = m_pProgress->height();
    m_pProgress->setGeometry(0, height - barHeight, width, barHeight);

    // Rectangles as left, top, right and bottom, right and bottom outside.
    const int leftWidth = static_cast<int>(width * kLeftGroupShare);
    const int groupHeight = height - barHeight;
    findChild<QWidget*>(QString::number(kLeftGroup))->setGeometry(0, 0, leftWidth, groupHeight);
    const int a = (leftWidth - 85) / 2;
    const int b = (leftWidth - 150) / 2;
    Move(1042, 5, 20);
    Move(kLogoNumberList, a + 20, 20);
    Move(kUploadButton, leftWidth - 90, 20);
    Move(1046, 5, 60);
    Move(1047, b + 40, 60);
    Move(kDownloadButton, leftWidth - 90, 60);
    Move(1048, 5, 100);
    Move(1049, b + 40, 100);
    Move(kPrintButton, leftWidth - 90, 100);

    const int rightLeft = leftWidth + 10;
    const int rightWidth = width - leftWidth - 10;
    const int rightRight = rightLeft + rightWidth;
    findChild<QWidget*>(QString::number(kRightGroup))->setGeometry(rightLeft, 0, rightWidth, groupHeight);
    const int e = rightLeft + static_cast<int>(rightWidth * kFigureColumnShare);
    const std::array<std::array<int, 3>, 3> rows{{{1058, 1060, 1062}, {1057, 1061, 1063}, {1059, 1068, 1064}}};
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const int top = 10 + 30 * static_cast<int>(row);
        Move(rows[row][0], rightLeft + 10, top);
        Move(rows[row][1], e, top);
        Move(rows[row][2], rightRight - 40, top);
        FitLabelsAroundField(rows[row][0], rows[row][1], rows[row][2]);
    }
    // The bottom row stands 10 pixels above the group's lower edge.
    const auto bottomRow = [this, groupHeight](int id, auto left) {
        const QPushButton& button = *Button(id);
        Move(id, left(button.width()), groupHeight - button.height() - 10);
    };
    bottomRow(kSetupButton, [&](int) { return rightLeft + 10; });
    bottomRow(kEraseButton, [&](int w) { return rightRight - w - 10; });
    bottomRow(kRefreshButton, [&](int w) { return rightLeft + rightWidth / 2 - w / 2; });
}
