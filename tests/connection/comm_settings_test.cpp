#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "comm_settings.h"

namespace {

using Fields = std::vector<std::int32_t>;

Fields FieldsOf(const CommSettings& s)
{
    return {s.m_nInterface,   s.m_nPort,        s.m_nBaudRate,     s.m_nParity,  s.m_nStopBits,
            s.m_nFlowControl, s.m_nReadTimeout, s.m_nWriteTimeout, s.m_nVersion, s.m_nBackgroundColor,
            s.m_nNetworkPort, s.m_nLocalInterface};
}

class CommSettingsStoreTest : public ::testing::Test {
protected:
    // A fresh object each time, so that values come from the file.
    std::unique_ptr<QSettings> Store() const
    {
        return std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("store.ini")), QSettings::IniFormat);
    }

    QTemporaryDir m_dir;
};

// The network is chosen by a key of its own: "Interface" keeps one of the
// three interfaces an older version knows, which it goes on using. Leaving
// the network again clears its mark and keeps its address.
TEST_F(CommSettingsStoreTest, EveryFieldIsSavedUnderItsKeyAndComesBack)
{
    const CommSettings saved{.m_nVersion = 1, .m_nBackgroundColor = 0x00FF00, .m_nInterface = kInterfaceNetwork,
                             .m_nPort = 2, .m_nBaudRate = 4800, .m_nParity = 2, .m_nStopBits = 2, .m_nFlowControl = 4,
                             .m_nReadTimeout = 700, .m_nWriteTimeout = 900, .m_strNetworkHost = "printer.shop.lan",
                             .m_nNetworkPort = 9101, .m_nLocalInterface = kInterfaceParallel};
    saved.SaveSettings(*Store());

    const auto store = Store();
    Fields stored;
    // "Backgound" spelt as existing stores have it.
    for (const char* key : {"Interface", "Port", "Baud rate", "Parity", "Stop", "Flow control", "ReadTimeout",
                            "WriteTimeout", "Version", "Backgound color", "Network port"})
        stored.push_back(store->value(QStringLiteral("Settings/") + QString::fromLatin1(key), -1).toInt());
    EXPECT_EQ(stored, (Fields{kInterfaceParallel, 2, 4800, 2, 2, 4, 700, 900, 1, 0x00FF00, 9101}));
    EXPECT_TRUE(store->value(QStringLiteral("Settings/Network")).toBool());
    EXPECT_EQ(store->value(QStringLiteral("Settings/Network host")).toString().toStdString(), "printer.shop.lan");

    CommSettings loaded;
    loaded.LoadSettings(*store);
    EXPECT_EQ(FieldsOf(loaded), FieldsOf(saved));

    loaded.m_nInterface = kInterfaceUsb;
    loaded.SaveSettings(*Store());
    CommSettings back;
    back.LoadSettings(*Store());
    EXPECT_EQ(std::tuple(back.m_nInterface, back.m_strNetworkHost), std::tuple(kInterfaceUsb, "printer.shop.lan"));
}

// Every field but the protocol level falls back to its default; values no
// list entry stands for pass unchanged.
TEST_F(CommSettingsStoreTest, MissingOrUnreadableValuesGiveTheDefaults)
{
    {
        const auto store = Store();
        store->setValue(QStringLiteral("Settings/Baud rate"), QStringLiteral("fast"));
        store->setValue(QStringLiteral("Settings/Port"), QStringLiteral("99999999999"));
        store->setValue(QStringLiteral("Settings/ReadTimeout"), QString());
        store->setValue(QStringLiteral("Settings/Stop"), 1);
    }
    CommSettings settings{.m_nVersion = 1, .m_nInterface = 2, .m_nPort = 3, .m_nBaudRate = 4800};
    settings.LoadSettings(*Store());
    EXPECT_EQ(FieldsOf(settings), (Fields{0, 0, 115200, 0, 1, 1, 20000, 5000, 1, 0xFF0000, 9100, 0}));
}

// Names as a command line gives them: any case, '-' for the '/' of a name,
// stop bits also as digits.
TEST(SettingNames, AnyCaseAndADashForASlash)
{
    EXPECT_EQ(ParseFlowControl("dtr-dsr"), 1);
    EXPECT_EQ(ParseFlowControl("Xon/Xoff"), 4);
    EXPECT_EQ(ParseParity("even"), 2);
    EXPECT_EQ(ParseStopBits("2"), 2);
    EXPECT_EQ(ParseStopBits("one"), 0);
    EXPECT_EQ(ParseFlowControl("dtr"), std::nullopt);
    EXPECT_EQ(ParseBaudRate("1200"), std::nullopt);
}

}  // namespace
