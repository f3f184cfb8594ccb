#include "comm_settings.h"

#include "text_case.h"

#include <QSettings>
#include <QString>
#include <algorithm>
#include <array>
#include <limits>
#include <string>

namespace {

const QString kGroup = QStringLiteral("Settings");

// The store's key names, "Backgound" spelt as existing stores have it.
const QString kKeyInterface = QStringLiteral("Interface");
const QString kKeyPort = QStringLiteral("Port");
const QString kKeyBaudRate = QStringLiteral("Baud rate");
const QString kKeyParity = QStringLiteral("Parity");
const QString kKeyStopBits = QStringLiteral("Stop");
const QString kKeyFlowControl = QStringLiteral("Flow control");
const QString kKeyReadTimeout = QStringLiteral("ReadTimeout");
const QString kKeyWriteTimeout = QStringLiteral("WriteTimeout");
const QString kKeyVersion = QStringLiteral("Version");
const QString kKeyBackgroundColor = QStringLiteral("Backgound color");
const QString kKeyNetwork = QStringLiteral("Network");
const QString kKeyNetworkHost = QStringLiteral("Network host");
const QString kKeyNetworkPort = QStringLiteral("Network port");

// A value that is missing, not a number, or out of 32-bit range keeps the
// field as it is.
void ReadInt(const QSettings& store, const QString& key, std::int32_t& field)
{
    bool ok = false;
    const qlonglong value = store.value(key).toLongLong(&ok);
    if (ok && value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max())
        field = static_cast<std::int32_t>(value);
}

// '-' stands for the '/' of a name, which a command line makes awkward.
bool SameName(std::string_view text, std::string_view name)
{
    std::string slashed(text);
    std::replace(slashed.begin(), slashed.end(), '-', '/');
    return EqualsIgnoringCase(slashed, name);
}

constexpr std::array<std::string_view, 6> kBaudRateNames{"115200", "57600", "38400", "19200", "9600", "4800"};
constexpr std::array<std::int32_t, 6> kBaudRateValues{115200, 57600, 38400, 19200, 9600, 4800};
constexpr std::array<std::string_view, 3> kParityNames{"NONE", "ODD", "EVEN"};
constexpr std::array<std::int32_t, 3> kParityValues{0, 1, 2};
constexpr std::array<std::string_view, 2> kStopBitsNames{"ONE", "TWO"};
constexpr std::array<std::int32_t, 2> kStopBitsValues{0, 2};
constexpr std::array<std::string_view, 4> kFlowControlNames{"DTR/DSR", "DSR", "CTS", "XON/XOFF"};
constexpr std::array<std::int32_t, 4> kFlowControlValues{1, 2, 3, 4};
constexpr std::array<std::string_view, 3> kInterfaceNames{"RS232 / Bluetooth", "IEEE1284", "USB"};
constexpr std::array<std::int32_t, 3> kInterfaceValues{kInterfaceSerial, kInterfaceParallel, kInterfaceUsb};

}  // namespace

void CommSettings::LoadSettings(QSettings& store)
{
    const std::int32_t version = m_nVersion;
    *this = CommSettings{};
    m_nVersion = version;

    store.beginGroup(kGroup);
    ReadInt(store, kKeyInterface, m_nInterface);
    ReadInt(store, kKeyPort, m_nPort);
    ReadInt(store, kKeyBaudRate, m_nBaudRate);
    ReadInt(store, kKeyParity, m_nParity);
    ReadInt(store, kKeyStopBits, m_nStopBits);
    ReadInt(store, kKeyFlowControl, m_nFlowControl);
    ReadInt(store, kKeyReadTimeout, m_nReadTimeout);
    ReadInt(store, kKeyWriteTimeout, m_nWriteTimeout);
    ReadInt(store, kKeyVersion, m_nVersion);
    ReadInt(store, kKeyBackgroundColor, m_nBackgroundColor);
    m_strNetworkHost = store.value(kKeyNetworkHost).toString().toStdString();
    ReadInt(store, kKeyNetworkPort, m_nNetworkPort);
    m_nLocalInterface = m_nInterface;
    if (store.value(kKeyNetwork).toBool())
        m_nInterface = kInterfaceNetwork;
    store.endGroup();
}

void CommSettings::SaveSettings(QSettings& store) const
{
    store.beginGroup(kGroup);
    const bool network = m_nInterface == kInterfaceNetwork;
    store.setValue(kKeyInterface, network ? m_nLocalInterface : m_nInterface);
    store.setValue(kKeyNetwork, network);
    store.setValue(kKeyNetworkHost, QString::fromStdString(m_strNetworkHost));
    store.setValue(kKeyNetworkPort, m_nNetworkPort);
    store.setValue(kKeyPort, m_nPort);
    store.setValue(kKeyBaudRate, m_nBaudRate);
    store.setValue(kKeyParity, m_nParity);
    store.setValue(kKeyStopBits, m_nStopBits);
    store.setValue(kKeyFlowControl, m_nFlowControl);
    store.setValue(kKeyReadTimeout, m_nReadTimeout);
    store.setValue(kKeyWriteTimeout, m_nWriteTimeout);
    store.setValue(kKeyVersion, m_nVersion);
    store.setValue(kKeyBackgroundColor, m_nBackgroundColor);
    store.endGroup();
    store.sync();
}

void CommSettings::LoadSettings()
{
    LoadSettings(*OpenSettingsStore());
}

void CommSettings::SaveSettings() const
{
    SaveSettings(*OpenSettingsStore());
}

std::unique_ptr<QSettings> OpenSettingsStore()
{
    return std::make_unique<QSettings>(QStringLiteral("QUORIX"), QStringLiteral("Vellumio"));
}

std::optional<std::int32_t> SettingList::ValueAt(std::int32_t position) const
{
    if (position < 0 || static_cast<std::size_t>(position) >= m_values.size())
        return std::nullopt;
    return m_values[static_cast<std::size_t>(position)];
}

std::optional<std::int32_t> SettingList::PositionOf(std::int32_t value) const
{
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        if (m_values[i] == value)
            return static_cast<std::int32_t>(i);
    }
    return std::nullopt;
}

std::optional<std::int32_t> SettingList::Parse(std::string_view text) const
{
    for (std::size_t i = 0; i < m_names.size(); ++i) {
        if (SameName(text, m_names[i]))
            return m_values[i];
    }
    return std::nullopt;
}

const SettingList& BaudRateList()
{
    static const SettingList list(kBaudRateNames, kBaudRateValues);
    return list;
}

const SettingList& ParityList()
{
    static const SettingList list(kParityNames, kParityValues);
    return list;
}

const SettingList& StopBitsList()
{
    static const SettingList list(kStopBitsNames, kStopBitsValues);
    return list;
}

const SettingList& FlowControlList()
{
    static const SettingList list(kFlowControlNames, kFlowControlValues);
    return list;
}

const SettingList& InterfaceList()
{
    static const SettingList list(kInterfaceNames, kInterfaceValues);
    return list;
}

std::optional<std::int32_t> ParseBaudRate(std::string_view text)
{
    return BaudRateList().Parse(text);
}

std::optional<std::int32_t> ParseParity(std::string_view text)
{
    return ParityList().Parse(text);
}

std::optional<std::int32_t> ParseStopBits(std::string_view text)
{
    if (text == "1")
        return StopBitsList().ValueAt(0);
    if (text == "2")
        return StopBitsList().ValueAt(1);
    return StopBitsList().Parse(text);
}

std::optional<std::int32_t> ParseFlowControl(std::string_view text)
{
    return FlowControlList().Parse(text);
}
