#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

class QSettings;

// Interface kinds as stored in "Interface".
inline constexpr std::int32_t kInterfaceSerial = 0;
inline constexpr std::int32_t kInterfaceParallel = 1;
inline constexpr std::int32_t kInterfaceUsb = 2;
// Kept out of "Interface" (see CommSettings), so that a version that knows
// only the three above still reads a store that selects the network.
inline constexpr std::int32_t kInterfaceNetwork = 3;

// How the printer is reached, with the two application settings that share
// its store section. Values are coded as the store keeps them and as the
// communication component takes them.
struct CommSettings {
    std::int32_t m_nVersion = 0;  // protocol level; nonzero enables memory queries and upload
    std::int32_t m_nBackgroundColor = 0xFF0000;  // 0x00BBGGRR
    std::int32_t m_nInterface = kInterfaceSerial;
    std::int32_t m_nPort = 0;  // position in the interface's port list
    std::int32_t m_nBaudRate = 115200;
    std::int32_t m_nParity = 0;       // 0 none, 1 odd, 2 even
    std::int32_t m_nStopBits = 0;     // 0 one, 2 two
    std::int32_t m_nFlowControl = 1;  // 1 DTR/DSR, 2 DSR, 3 CTS, 4 XON/XOFF
    std::int32_t m_nReadTimeout = 20000;
    std::int32_t m_nWriteTimeout = 5000;
    std::string m_strNetworkHost{};
    std::int32_t m_nNetworkPort = 9100;
    // The store's "Interface" holds one of the first three interfaces only;
    // "Network" selects the network over it. This is the value it holds
    // while the network is chosen, which an older version goes on using.
    std::int32_t m_nLocalInterface = kInterfaceSerial;

    // Every field but the protocol level falls back to its default, then
    // takes the stored value where the store has a number for it.
    void LoadSettings(QSettings& store);
    void SaveSettings(QSettings& store) const;

    // The per-user store of the program.
    void LoadSettings();
    void SaveSettings() const;
};

std::unique_ptr<QSettings> OpenSettingsStore();

// A list of the "Communication" page: entry names by position, and the value
// each position stores.
class SettingList {
public:
    constexpr SettingList(std::span<const std::string_view> names, std::span<const std::int32_t> values)
        : m_names(names), m_values(values)
    {
    }

    std::size_t Size() const { return m_names.size(); }
    std::string_view NameAt(std::size_t position) const { return m_names[position]; }

    // Nothing for a position outside the list, such as -1 for no selection.
    std::optional<std::int32_t> ValueAt(std::int32_t position) const;
    // Nothing for a stored value that no entry stands for.
    std::optional<std::int32_t> PositionOf(std::int32_t value) const;

    // An entry's name, compared without regard to case; '-' also stands for
    // '/' so that "dtr-dsr" names "DTR/DSR" on a command line.
    std::optional<std::int32_t> Parse(std::string_view text) const;

private:
    std::span<const std::string_view> m_names;
    std::span<const std::int32_t> m_values;
};

const SettingList& BaudRateList();     // "115200" … "4800", stores the rate
const SettingList& ParityList();       // "NONE", "ODD", "EVEN", stores the position
const SettingList& StopBitsList();     // "ONE", "TWO", stores 0 and 2
const SettingList& FlowControlList();  // "DTR/DSR", "DSR", "CTS", "XON/XOFF", stores position + 1
const SettingList& InterfaceList();    // "RS232 / Bluetooth", "IEEE1284", "USB", stores the position

// Command-line forms: stop bits may also be given as "1" or "2".
std::optional<std::int32_t> ParseBaudRate(std::string_view text);
std::optional<std::int32_t> ParseParity(std::string_view text);
std::optional<std::int32_t> ParseStopBits(std::string_view text);
std::optional<std::int32_t> ParseFlowControl(std::string_view text);
