#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "comm_settings.h"

namespace {

class CommSettingsStoreTest : public ::testing::Test {
protected:
    QSettings& Store()
    {
        if (!m_store)
            m_store = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("store.ini")), QSettings::IniFormat);
        return *m_store;
    }

    // A fresh QSettings object, so that values come from the file.
    QSettings& Reopen()
    {
        m_store.reset();
        return Store();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_store;
};

TEST_F(CommSettingsStoreTest, EmptyStoreGivesTheDefaults)
{
    CommSettings settings;
    settings.m_nInterface = 2;
    settings.m_nBaudRate = 4800;
    settings.LoadSettings(Store());

    EXPECT_EQ(settings.m_nInterface, 0);
    EXPECT_EQ(settings.m_nPort, 0);
    EXPECT_EQ(settings.m_nBaudRate, 115200);
    EXPECT_EQ(settings.m_nParity, 0);
    EXPECT_EQ(settings.m_nStopBits, 0);
    EXPECT_EQ(settings.m_nFlowControl, 1);
    EXPECT_EQ(settings.m_nReadTimeout, 20000);
    EXPECT_EQ(settings.m_nWriteTimeout, 5000);
    EXPECT_EQ(settings.m_nVersion, 0);
    EXPECT_EQ(settings.m_nBackgroundColor, 0xFF0000);
}

TEST_F(CommSettingsStoreTest, SaveWritesAllTenKeysUnderTheirNames)
{
    CommSettings settings;
    settings.LoadSettings(Store());
    settings.SaveSettings(Store());

    QSettings& store = Reopen();
    store.beginGroup(QStringLiteral("Settings"));
    QStringList keys = store.childKeys();
    keys.sort();
    QStringList expected{"Interface",   "Port",         "Baud rate", "Parity",         "Stop",
                         "Flow control", "ReadTimeout", "WriteTimeout", "Version", "Backgound color"};
    expected.sort();
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(store.value(QStringLiteral("Backgound color")).toInt(), 0xFF0000);
    EXPECT_EQ(store.value(QStringLiteral("Flow control")).toInt(), 1);
    EXPECT_EQ(store.value(QStringLiteral("Baud rate")).toInt(), 115200);
}

TEST_F(CommSettingsStoreTest, SavedValuesComeBack)
{
    CommSettings saved;
    saved.m_nVersion = 1;
    saved.m_nBackgroundColor = 0x00FF00;
    saved.m_nInterface = 1;
    saved.m_nPort = 2;
    saved.m_nBaudRate = 4800;
    saved.m_nParity = 2;
    saved.m_nStopBits = 2;
    saved.m_nFlowControl = 4;
    saved.m_nReadTimeout = 700;
    saved.m_nWriteTimeout = 900;
    saved.SaveSettings(Store());

    CommSettings loaded;
    loaded.LoadSettings(Reopen());
    EXPECT_EQ(loaded.m_nVersion, 1);
    EXPECT_EQ(loaded.m_nBackgroundColor, 0x00FF00);
    EXPECT_EQ(loaded.m_nInterface, 1);
    EXPECT_EQ(loaded.m_nPort, 2);
    EXPECT_EQ(loaded.m_nBaudRate, 4800);
    EXPECT_EQ(loaded.m_nParity, 2);
    EXPECT_EQ(loaded.m_nStopBits, 2);
    EXPECT_EQ(loaded.m_nFlowControl, 4);
    EXPECT_EQ(loaded.m_nReadTimeout, 700);
    EXPECT_EQ(loaded.m_nWriteTimeout, 900);
}

TEST_F(CommSettingsStoreTest, ValuesWithoutAListEntryPassUnchanged)
{
    QSettings& store = Store();
    store.setValue(QStringLiteral("Settings/Stop"), 1);
    store.setValue(QStringLiteral("Settings/Flow control"), 0);
    store.setValue(QStringLiteral("Settings/Interface"), 3);

    CommSettings settings;
    settings.LoadSettings(Reopen());
    EXPECT_EQ(settings.m_nStopBits, 1);
    EXPECT_EQ(settings.m_nFlowControl, 0);
    EXPECT_EQ(settings.m_nInterface, 3);
}

TEST_F(CommSettingsStoreTest, UnreadableValuesKeepTheDefault)
{
    QSettings& store = Store();
    store.setValue(QStringLiteral("Settings/Baud rate"), QStringLiteral("fast"));
    store.setValue(QStringLiteral("Settings/Port"), QStringLiteral("99999999999"));
    store.setValue(QStringLiteral("Settings/ReadTimeout"), QStringLiteral(""));

    CommSettings settings;
    settings.LoadSettings(Reopen());
    EXPECT_EQ(settings.m_nBaudRate, 115200);
    EXPECT_EQ(settings.m_nPort, 0);
    EXPECT_EQ(settings.m_nReadTimeout, 20000);
}

TEST(SettingLists, PositionsMapToStoredValuesAndBack)
{
    EXPECT_EQ(BaudRateList().ValueAt(4), 9600);
    EXPECT_EQ(BaudRateList().ValueAt(5), 4800);
    EXPECT_EQ(BaudRateList().PositionOf(4800), 5);
    EXPECT_EQ(StopBitsList().ValueAt(1), 2);
    EXPECT_EQ(StopBitsList().PositionOf(2), 1);
    EXPECT_EQ(FlowControlList().ValueAt(0), 1);
    EXPECT_EQ(FlowControlList().PositionOf(4), 3);
    EXPECT_EQ(FlowControlList().NameOf(4), "XON/XOFF");

    // No selection, and stored values that no entry stands for.
    EXPECT_FALSE(BaudRateList().ValueAt(-1));
    EXPECT_FALSE(BaudRateList().ValueAt(6));
    EXPECT_FALSE(StopBitsList().PositionOf(1));
    EXPECT_FALSE(FlowControlList().PositionOf(0));
}

TEST(SettingLists, CommandLineTextsParseToStoredValues)
{
    EXPECT_EQ(ParseParity("even"), 2);
    EXPECT_EQ(ParseParity("NONE"), 0);
    EXPECT_EQ(ParseFlowControl("dtr-dsr"), 1);
    EXPECT_EQ(ParseFlowControl("DTR/DSR"), 1);
    EXPECT_EQ(ParseFlowControl("dsr"), 2);
    EXPECT_EQ(ParseFlowControl("cts"), 3);
    EXPECT_EQ(ParseFlowControl("xon-xoff"), 4);
    EXPECT_EQ(ParseStopBits("1"), 0);
    EXPECT_EQ(ParseStopBits("2"), 2);
    EXPECT_EQ(ParseStopBits("two"), 2);
    EXPECT_EQ(ParseBaudRate("9600"), 9600);
    EXPECT_EQ(ParseBaudRate("115200"), 115200);
}

TEST(SettingLists, UnknownCommandLineTextsAreRefused)
{
    EXPECT_FALSE(ParseParity(""));
    EXPECT_FALSE(ParseParity("evenx"));
    EXPECT_FALSE(ParseParity("eve"));
    EXPECT_FALSE(ParseFlowControl("none"));
    EXPECT_FALSE(ParseStopBits("0"));
    EXPECT_FALSE(ParseStopBits("3"));
    EXPECT_FALSE(ParseBaudRate("9601"));
    EXPECT_FALSE(ParseBaudRate("-9600"));
}

}  // namespace
