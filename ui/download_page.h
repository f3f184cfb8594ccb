#pragma once

#include "dialog_page.h"
#include "printer_reply.h"

#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <span>

class CVellumioDoc;
class ICommunication;
class QButtonGroup;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class UploadReceiver;
struct CommSettings;

// Control ids of the page that other code names.
inline constexpr int kEraseButton = 1044;
inline constexpr int kUploadButton = 1051;
inline constexpr int kDownloadButton = 1053;
inline constexpr int kNoButton = -1;

// The "Download" tab: the logo number and print size, the six commands on
// the printer's logo memory, the three memory figures and the progress of
// transfers. A transfer button reading "Abort" stops its transfer.
class CDownloadPage : public CDialogPage {
    Q_OBJECT

public:
    CDownloadPage(CVellumioDoc& document, const CommSettings& settings, QWidget* parent = nullptr);

    // Start-up once the link exists: the memory figures, the lists and the
    // Upload button. `communication` may be null; `upload` is the
    // application's receive state, which an aborted upload clears.
    void OnInitDialog(ICommunication* communication, UploadReceiver& upload);

    void EnableControls(bool enable, int button);
    // The progress of the download (button kDownloadButton) or of the upload
    // (kUploadButton), 0 to 100; 0 and 100 leave the page idle.
    void SetTransferProgress(int percent, int button);

    bool SelectLogo();
    void OnPrint();
    void OnErase();
    void OnDownload();
    void OnUpload();
    void OnSetup();
    void OnRefresh() { RefreshMemory(); }
    void RefreshMemory();
    std::int32_t QueryTotalMemory();
    void QueryLogoMemory();
    void QueryRemainingMemory();
    void OnTimer();

    // How long an upload may pause before the page offers only "Abort";
    // tests shorten it.
    void SetStallTimeout(std::chrono::milliseconds timeout) { m_stallTimer.setInterval(timeout); }
    bool IsStallTimerActive() const { return m_stallTimer.isActive(); }

    std::int32_t m_nTotalMemory = 0;
    std::uint16_t m_wChecksum = 0;
    const QString m_strAbort;

signals:
    // A transfer runs: the link must not change under it.
    void TransferBusyChanged(bool busy);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnSize(int width, int height);
    void FitLabelsAroundField(int labelId, int fieldId, int unitId);
    QPushButton* AddButton(int id, const char* text, QRect units);
    QPushButton* Button(int id) const;
    bool SendCommand(std::span<const std::uint8_t> bytes, std::int32_t mode);
    // A request and its reply; notes whether anything came back at all.
    PrinterReply Ask(std::span<const std::uint8_t> command, std::int32_t expectedLength);
    void ShowFailure() const;
    std::int32_t PrintSizeMode() const;
    void Move(int id, int x, int y);

    CVellumioDoc& m_doc;
    const CommSettings& m_settings;
    ICommunication* m_pCommunication = nullptr;
    UploadReceiver* m_pUpload = nullptr;
    QComboBox* m_cbLogoNumber = nullptr;
    QButtonGroup* m_pSizeButtons = nullptr;
    QLineEdit* m_pTotalMemory = nullptr;
    QLineEdit* m_pLogoMemory = nullptr;
    QLineEdit* m_pRemainingMemory = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QTimer m_stallTimer;
    bool m_bLastUnanswered = false;
};
