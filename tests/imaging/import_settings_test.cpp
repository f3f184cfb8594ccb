#include "import_settings.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(ImportSettingsTest, ChoicesComeBackFromTheirOwnGroup)
{
    QTemporaryDir dir;
    QSettings store(dir.filePath("store.ini"), QSettings::IniFormat);
    const ImportOptions first = LoadImportOptions(store);
    EXPECT_EQ(first.width, 576u);
    EXPECT_EQ(first.method, DitherMethod::FloydSteinberg);
    EXPECT_FALSE(first.threshold);

    ImportOptions chosen;
    chosen.width = 384;
    chosen.method = DitherMethod::Threshold;
    chosen.threshold = 90;
    chosen.brightness = -20;
    chosen.contrast = 35;
    chosen.gamma = 1.8;
    chosen.invert = true;
    SaveImportOptions(store, chosen);
    EXPECT_EQ(LoadImportOptions(store), chosen);
    for (const QString& key : store.allKeys())
        EXPECT_TRUE(key.startsWith("Import/")) << key.toStdString();

    chosen.width.reset();
    chosen.threshold.reset();
    SaveImportOptions(store, chosen);
    EXPECT_EQ(LoadImportOptions(store), chosen);
}

TEST(ImportSettingsTest, ValuesOutOfRangeFallBack)
{
    QTemporaryDir dir;
    QSettings store(dir.filePath("store.ini"), QSettings::IniFormat);
    store.setValue("Import/Width", 9999);
    store.setValue("Import/Dither", "spray");
    store.setValue("Import/Threshold", 300);
    store.setValue("Import/Brightness", 500);
    store.setValue("Import/Gamma", 0);
    const ImportOptions options = LoadImportOptions(store);
    EXPECT_EQ(options.width, 576u);
    EXPECT_EQ(options.method, DitherMethod::FloydSteinberg);
    EXPECT_FALSE(options.threshold);
    EXPECT_EQ(options.brightness, 100);
    EXPECT_EQ(options.gamma, 1.0);
}

}  // namespace
