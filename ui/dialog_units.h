#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QSize>

// Window layouts are given in dialog units, which scale with the dialog
// font: a horizontal unit is a quarter of the font's average character
// width, measured over the alphabet as the platform that defined the units
// does, a vertical unit an eighth of its height, both rounded to nearest.
namespace dialog_units_detail {

inline int MulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    // Round half away from zero, as the platform's conversion does.
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

}  // namespace dialog_units_detail

inline QRect DialogUnitsToPixels(const QFontMetrics& metrics, int x, int y, int w, int h)
{
    using dialog_units_detail::MulDiv;
    const int alphabet = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int baseX = (alphabet / 26 + 1) / 2;
    const int baseY = metrics.height();
    return QRect(MulDiv(x, baseX, 4), MulDiv(y, baseY, 8), MulDiv(w, baseX, 4), MulDiv(h, baseY, 8));
}

inline QRect DialogUnitsToPixels(const QFont& font, int x, int y, int w, int h)
{
    return DialogUnitsToPixels(QFontMetrics(font), x, y, w, h);
}

inline QSize DialogUnitsToPixels(const QFontMetrics& metrics, int w, int h)
{
    return DialogUnitsToPixels(metrics, 0, 0, w, h).size();
}

inline QSize DialogUnitsToPixels(const QFont& font, int w, int h)
{
    return DialogUnitsToPixels(QFontMetrics(font), w, h);
}
