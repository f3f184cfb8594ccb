#include "communication_page.h"

#include "comm_settings.h"
#include "communication.h"
#include "dialog_units.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

namespace {

// Below this width the page keeps the template's own layout.
constexpr int kStretchFromWidth = 401;

QString Text(std::string_view name)
{
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

void Fill(QComboBox& list, const SettingList& entries)
{
    for (std::size_t i = 0; i < entries.Size(); ++i)
        list.addItem(Text(entries.NameAt(i)));
}

// Shown sorted as text, each entry carrying its position in the component's
// list: that position, not the one shown, names the port to open.
void FillPorts(QComboBox& list, const std::vector<std::string>& names)
{
    std::vector<std::pair<QString, int>> entries;
    for (std::size_t i = 0; i < names.size(); ++i)
        entries.emplace_back(QString::fromStdString(names[i]), static_cast<int>(i));
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return QString::compare(a.first, b.first, Qt::CaseInsensitive) < 0;
    });
    for (const auto& [name, position] : entries)
        list.addItem(name, position);
}

void Select(QComboBox& list, std::int32_t position)
{
    list.setCurrentIndex(position >= 0 && position < list.count() ? position : -1);
}

std::int32_t PortAt(const QComboBox& list)
{
    const int index = list.currentIndex();
    return index < 0 ? -1 : list.itemData(index).toInt();
}

// A position without a stored value leaves the setting as it is.
void Store(std::int32_t& setting, std::optional<std::int32_t> value)
{
    if (value)
        setting = *value;
}

}  // namespace

CCommunicationPage::CCommunicationPage(CommSettings& settings, QWidget* parent)
    : CDialogPage(QStringLiteral("Communication"), 388, 102, parent), m_settings(settings)
{
    // Created in the template's order, which is also the tab order.
    m_pInterfaceGroup = AddGroup(1039, "", {5, 4, 178, 93});
    m_pInterfaceGroup->setAccessibleName(QStringLiteral("Interface"));
    m_pParameterGroup = AddGroup(1040, "", {197, 4, 178, 93});
    m_pParameterGroup->setAccessibleName(QStringLiteral("Parameters"));

    m_pInterfaces = new QButtonGroup(this);
    const struct { int id; QRect units; } radios[] = {
        {1028, {24, 19, 74, 11}}, {1029, {23, 45, 73, 11}}, {1030, {24, 71, 65, 11}}};
    std::int32_t position = 0;
    for (const auto& [id, units] : radios) {
        auto* radio =
            Add(new QRadioButton(Text(InterfaceList().NameAt(static_cast<std::size_t>(position))), this), id, units);
        m_pInterfaces->addButton(radio, *InterfaceList().ValueAt(position++));
    }
    // Beside "USB": the three above keep their places.
    m_pInterfaces->addButton(Add(new QRadioButton(QStringLiteral("Network"), this), 1071, {110, 71, 60, 11}),
                             kInterfaceNetwork);

    // The template's list heights include the dropped list.
    m_pPortLabel = AddLabel(1031, "Port", {205, 13, 28, 11});
    m_pSerialPort = AddList(1035, m_pPortLabel, {281, 12, 82, 12});
    m_pParallelPort = AddList(1041, m_pPortLabel, {97, 28, 82, 12});
    m_pParallelPort->hide();
    m_parameterLabels = {AddLabel(1032, "Baudrate", {205, 30, 45, 11}), AddLabel(1033, "Parity", {205, 47, 28, 11}),
                         AddLabel(1069, "Stop bits", {205, 63, 46, 12}), AddLabel(1034, "Handshaking", {205, 80, 59, 11})};
    m_pBaudRate = AddList(1036, m_parameterLabels[0], {281, 29, 82, 12});
    m_pParity = AddList(1037, m_parameterLabels[1], {281, 46, 82, 12});
    m_pStopBits = AddList(1070, m_parameterLabels[2], {281, 63, 82, 12});
    m_pHandshaking = AddList(1038, m_parameterLabels[3], {281, 79, 82, 12});
    m_pPortLabel->setBuddy(m_pSerialPort);
    // The network's fields take the rows of the serial port and baud rate.
    m_networkLabels = {AddLabel(1072, "Host", {205, 13, 28, 11}), AddLabel(1074, "TCP port", {205, 30, 45, 11})};
    m_pNetworkHost = AddEdit(1073, {281, 12, 82, 12});
    m_pNetworkPort = Add(new QSpinBox(this), 1075, {281, 29, 40, 12});
    Label(m_networkLabels[0], m_pNetworkHost);
    Label(m_networkLabels[1], m_pNetworkPort);
    // No arrows: each step would be an attempt to reach the printer. A
    // number out of range goes back to the last one when the edit ends.
    m_pNetworkPort->setButtonSymbols(QAbstractSpinBox::NoButtons);
    m_pNetworkPort->setRange(1, 65535);
    for (QWidget* control : std::initializer_list<QWidget*>{m_networkLabels[0], m_networkLabels[1], m_pNetworkHost,
                                                            m_pNetworkPort})
        control->hide();
    Fill(*m_pBaudRate, BaudRateList());
    Fill(*m_pParity, ParityList());
    Fill(*m_pStopBits, StopBitsList());
    Fill(*m_pHandshaking, FlowControlList());

    // A new interface comes as a toggle, whether clicked, reached with the
    // arrow keys or toggled by a screen reader (which sends no click). A
    // click on the interface already chosen applies it again: that is how
    // a user retries the connection.
    const auto choose = [this] {
        ApplyVisibility();
        Apply();
    };
    connect(m_pInterfaces, &QButtonGroup::idToggled, this, [choose](int, bool checked) {
        if (checked)
            choose();
    });
    connect(m_pInterfaces, &QButtonGroup::idPressed, this,
            [this](int id) { m_bPressedChosen = id == m_pInterfaces->checkedId(); });
    connect(m_pInterfaces, &QButtonGroup::idClicked, this, [this, choose] {
        if (std::exchange(m_bPressedChosen, false))
            choose();
    });
    // activated, not currentIndexChanged: filling and writing the lists must
    // not reconnect.
    for (QComboBox* list : {m_pSerialPort, m_pParallelPort, m_pBaudRate, m_pParity, m_pStopBits, m_pHandshaking})
        connect(list, &QComboBox::activated, this, [this] { Apply(); });
    connect(m_pNetworkHost, &QLineEdit::editingFinished, this, &CCommunicationPage::ApplyNetworkEdit);
    connect(m_pNetworkPort, &QSpinBox::editingFinished, this, &CCommunicationPage::ApplyNetworkEdit);
}

QComboBox* CCommunicationPage::AddList(int id, QLabel* label, QRect units)
{
    auto* list = Add(new QComboBox(this), id, units);
    Label(label, list);
    return list;
}

void CCommunicationPage::OnInitDialog(ICommunication* communication)
{
    if (communication != nullptr) {
        FillPorts(*m_pSerialPort, communication->GetComPorts());
        FillPorts(*m_pParallelPort, communication->GetLptPorts());
    }

    const std::int32_t stored = m_settings.m_nInterface;
    // A stray stored value checks none and keeps the template's visibility;
    // the page starts with none checked.
    if (QAbstractButton* radio = m_pInterfaces->button(stored)) {
        // Showing the stored interface is no choice.
        const QSignalBlocker quiet(m_pInterfaces);
        radio->setChecked(true);
        ApplyVisibility();
    }
    if (stored == kInterfaceSerial) {
        m_nSerialPort = m_settings.m_nPort;
        // A value no entry stands for leaves the position as it was.
        Store(m_nBaudRate, BaudRateList().PositionOf(m_settings.m_nBaudRate));
        m_nParity = m_settings.m_nParity;
        Store(m_nStopBits, StopBitsList().PositionOf(m_settings.m_nStopBits));
        Store(m_nHandshaking, FlowControlList().PositionOf(m_settings.m_nFlowControl));
    } else if (stored == kInterfaceParallel) {
        m_nParallelPort = m_settings.m_nPort;
    }
    UpdateData(false);
    m_pNetworkHost->setText(QString::fromStdString(m_settings.m_strNetworkHost));
    m_pNetworkPort->setValue(m_settings.m_nNetworkPort);
}

void CCommunicationPage::UpdateData(bool save)
{
    if (save) {
        m_nBaudRate = m_pBaudRate->currentIndex();
        m_nHandshaking = m_pHandshaking->currentIndex();
        m_nParity = m_pParity->currentIndex();
        m_nSerialPort = PortAt(*m_pSerialPort);
        m_nParallelPort = PortAt(*m_pParallelPort);
        m_nStopBits = m_pStopBits->currentIndex();
        return;
    }
    Select(*m_pBaudRate, m_nBaudRate);
    Select(*m_pHandshaking, m_nHandshaking);
    Select(*m_pParity, m_nParity);
    m_pSerialPort->setCurrentIndex(m_pSerialPort->findData(m_nSerialPort));
    m_pParallelPort->setCurrentIndex(m_pParallelPort->findData(m_nParallelPort));
    Select(*m_pStopBits, m_nStopBits);
}

void CCommunicationPage::ApplyVisibility()
{
    const bool serial = m_pInterfaces->checkedId() == kInterfaceSerial;
    const bool parallel = m_pInterfaces->checkedId() == kInterfaceParallel;
    m_pPortLabel->setVisible(serial || parallel);
    m_pPortLabel->setBuddy(parallel ? m_pParallelPort : m_pSerialPort);
    for (QWidget* control : m_parameterLabels)
        control->setVisible(serial);
    for (QWidget* control : {m_pSerialPort, m_pBaudRate, m_pParity, m_pStopBits, m_pHandshaking})
        control->setVisible(serial);
    m_pParallelPort->setVisible(parallel);
    const bool network = m_pInterfaces->checkedId() == kInterfaceNetwork;
    for (QWidget* control : m_networkLabels)
        control->setVisible(network);
    m_pNetworkHost->setVisible(network);
    m_pNetworkPort->setVisible(network);
}

void CCommunicationPage::Apply()
{
    UpdateData(true);
    switch (m_pInterfaces->checkedId()) {
    case kInterfaceSerial:
        m_settings.m_nInterface = m_settings.m_nLocalInterface = kInterfaceSerial;
        m_settings.m_nPort = m_nSerialPort;
        Store(m_settings.m_nBaudRate, BaudRateList().ValueAt(m_nBaudRate));
        m_settings.m_nParity = m_nParity;
        Store(m_settings.m_nStopBits, StopBitsList().ValueAt(m_nStopBits));
        Store(m_settings.m_nFlowControl, FlowControlList().ValueAt(m_nHandshaking));
        break;
    case kInterfaceParallel:
        m_settings.m_nInterface = m_settings.m_nLocalInterface = kInterfaceParallel;
        m_settings.m_nPort = m_nParallelPort;
        break;
    case kInterfaceNetwork:
        // The local interface stays as it was: the store keeps it for
        // versions without the network.
        m_settings.m_nInterface = kInterfaceNetwork;
        m_settings.m_strNetworkHost = m_pNetworkHost->text().trimmed().toStdString();
        m_settings.m_nNetworkPort = m_pNetworkPort->value();
        break;
    default:
        m_settings.m_nInterface = m_settings.m_nLocalInterface = kInterfaceUsb;
        break;
    }
    emit SettingsApplied();
}

void CCommunicationPage::ApplyNetworkEdit()
{
    // Leaving a field unchanged is no new setting: no attempt to reconnect.
    if (m_pNetworkHost->text().trimmed().toStdString() == m_settings.m_strNetworkHost &&
        m_pNetworkPort->value() == m_settings.m_nNetworkPort)
        return;
    Apply();
}

void CCommunicationPage::OnResizeNotice(int width, int height)
{
    if (width < kStretchFromWidth) {
        RestoreTemplateLayout();
        return;
    }
    const int half = width / 2;
    m_pInterfaceGroup->setGeometry(0, 0, half - 10, height);
    m_pParameterGroup->setGeometry(half + 10, 0, half - 10, height);
    const QRect group = m_pParameterGroup->geometry();
    for (const auto* labels : {&m_parameterLabels, &m_networkLabels})
        for (QLabel* label : *labels)
            label->setGeometry(group.left() + 20, label->y(), group.width() - 40, label->height());
    m_pPortLabel->setGeometry(group.left() + 20, m_pPortLabel->y(), group.width() - 40, m_pPortLabel->height());
    for (QWidget* field : std::initializer_list<QWidget*>{m_pSerialPort, m_pBaudRate, m_pParity, m_pStopBits,
                                                          m_pHandshaking, m_pNetworkPort})
        field->move(group.left() + 125, field->y());
    // A host name may be long: its field runs to the group's inner edge.
    m_pNetworkHost->setGeometry(group.left() + 125, m_pNetworkHost->y(), group.width() - 145, m_pNetworkHost->height());
    // Only one of the two port lists is ever shown, always in the same place.
    m_pParallelPort->setGeometry(m_pSerialPort->geometry());
}

