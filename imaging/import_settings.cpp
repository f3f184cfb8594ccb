#include "import_settings.h"

#include <QSettings>

#include <algorithm>

namespace {

constexpr auto kGroup = "Import";
constexpr auto kWidth = "Width";  // 0: the picture's own size
// Until a choice is stored: 80 mm paper, the commonest receipt width.
constexpr uint kFirstWidth = 576;
constexpr auto kMethod = "Dither";
constexpr auto kThreshold = "Threshold";  // -1: Otsu's level
constexpr auto kBrightness = "Brightness";
constexpr auto kContrast = "Contrast";
constexpr auto kGamma = "Gamma";
constexpr auto kInvert = "Invert";

int AdjustValue(const QSettings& store, const char* key)
{
    bool ok = false;
    const int value = store.value(key).toInt(&ok);
    return ok ? std::clamp(value, kMinAdjust, kMaxAdjust) : 0;
}

}  // namespace

ImportOptions LoadImportOptions(QSettings& store)
{
    ImportOptions options;
    store.beginGroup(kGroup);
    bool ok = false;
    const uint width = store.value(kWidth, kFirstWidth).toUInt(&ok);
    if (ok && width == 0)
        options.width.reset();
    else
        options.width = ok && width >= kMinImportWidth && width <= kMaxImportWidth ? width : kFirstWidth;
    if (const auto method = DitherMethodFromName(store.value(kMethod).toString().toStdString()))
        options.method = *method;
    const int threshold = store.value(kThreshold, -1).toInt(&ok);
    if (ok && threshold >= 0 && threshold <= 255)
        options.threshold = threshold;
    options.brightness = AdjustValue(store, kBrightness);
    options.contrast = AdjustValue(store, kContrast);
    const double gamma = store.value(kGamma, 1.0).toDouble(&ok);
    if (ok && gamma >= kMinGamma && gamma <= kMaxGamma)
        options.gamma = gamma;
    options.invert = store.value(kInvert, false).toBool();
    store.endGroup();
    return options;
}

void SaveImportOptions(QSettings& store, const ImportOptions& options)
{
    store.beginGroup(kGroup);
    store.setValue(kWidth, options.width.value_or(0));
    store.setValue(kMethod, QString::fromLatin1(DitherMethodName(options.method)));
    store.setValue(kThreshold, options.threshold.value_or(-1));
    store.setValue(kBrightness, options.brightness);
    store.setValue(kContrast, options.contrast);
    store.setValue(kGamma, options.gamma);
    store.setValue(kInvert, options.invert);
    store.endGroup();
}
