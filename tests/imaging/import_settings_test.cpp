#include "import_settings.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// (The first width, 80 mm paper: tests/ui/import_window_test.cpp,
// importMenuItemMakesTheInputPicture.)
TEST(ImportSettingsTest, ChoicesComeBackAndValuesOutOfRangeFallBack)
{
    QTemporaryDir dir;
    QSettings store(dir.filePath("store.ini"), QSettings::IniFormat);
    ImportOptions chosen{.width = 384, .method = DitherMethod::Threshold, .threshold = 90, .brightness = -20,
                         .contrast = 35, .gamma = 1.8, .invert = true};
    SaveImportOptions(store, chosen);
    EXPECT_EQ(LoadImportOptions(store), chosen);
    for (const QString& key : store.allKeys())
        EXPECT_TRUE(key.startsWith("Import/")) << key.toStdString();
    // The picture's own size and Otsu's level are stored as such.
    chosen.width.reset();
    chosen.threshold.reset();
    SaveImportOptions(store, chosen);
    EXPECT_EQ(LoadImportOptions(store), chosen);

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
