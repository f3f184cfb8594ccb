#pragma once

#include <QRect>
#include "dialog_page.h"

#include <cstdint>
#include <utility>
#include <vector>

struct CommSettings;
class ICommunication;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// The "Communication" tab: the interface on the left, its parameters on the
// right, only those the chosen interface uses shown. Every click on an
// interface and every choice in a list writes the link fields of the
// settings at once; the network's host and port fields once an edit is
// finished, since each attempt to reach a host may take a while. Controls
// are named by their numeric ids ("1028", ...).
class CCommunicationPage : public CDialogPage {
    Q_OBJECT

public:
    explicit CCommunicationPage(CommSettings& settings, QWidget* parent = nullptr);

    // Start-up: fills the port lists from the component (null: they stay empty) and shows the stored settings.
    void OnInitDialog(ICommunication* communication);
    // The view's new size for the page, in pixels.
    void OnResizeNotice(int width, int height);

    // List positions, -1 none. The two port fields hold the chosen port's
    // position in the component's own list, not in the sorted one shown.
    std::int32_t m_nBaudRate = 0, m_nHandshaking = 0, m_nParity = 0, m_nSerialPort = 0, m_nParallelPort = 0, m_nStopBits = 0;

signals:
    // The link fields of the settings have been written; the application reconnects.
    void SettingsApplied();

private:
    QComboBox* AddList(int id, QLabel* label, QRect units);

    // true: lists to fields; false: fields to lists.
    void UpdateData(bool save);
    void ApplyVisibility();
    void Apply();
    // A finished edit of the host or port field, when it changed either.
    void ApplyNetworkEdit();

    CommSettings& m_settings;

    QGroupBox* m_pInterfaceGroup = nullptr;
    QGroupBox* m_pParameterGroup = nullptr;
    QButtonGroup* m_pInterfaces = nullptr;  // button ids are the stored interface values
    QLabel* m_pPortLabel = nullptr;
    QComboBox* m_pSerialPort = nullptr;
    QComboBox* m_pParallelPort = nullptr;
    QComboBox* m_pBaudRate = nullptr;
    QComboBox* m_pParity = nullptr;
    QComboBox* m_pStopBits = nullptr;
    QComboBox* m_pHandshaking = nullptr;
    std::vector<QLabel*> m_parameterLabels;  // "Baudrate", "Parity", "Stop bits", "Handshaking"
    std::vector<QLabel*> m_networkLabels;    // "Host", "TCP port"
    QLineEdit* m_pNetworkHost = nullptr;
    QSpinBox* m_pNetworkPort = nullptr;
    bool m_bPressedChosen = false;  // the interface pressed last was already the chosen one
};
