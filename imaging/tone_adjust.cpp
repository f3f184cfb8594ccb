#include "tone_adjust.h"

#include <algorithm>
#include <array>
#include <cmath>

void AdjustTone(GreyPlane& plane, const ImportOptions& options)
{
    const bool neutral = options.gamma == 1.0 && options.brightness == 0 && options.contrast == 0 && !options.invert;
    if (neutral)
        return;
    const double gamma = std::clamp(options.gamma, kMinGamma, kMaxGamma);
    const double shift = std::clamp(options.brightness, kMinAdjust, kMaxAdjust) * 2.55;
    const double slope = (100.0 + std::clamp(options.contrast, kMinAdjust, kMaxAdjust)) / 100.0;
    const auto adjust = [&](double level) {
        level = 255.0 * std::pow(std::clamp(level, 0.0, 255.0) / 255.0, 1.0 / gamma);
        level = (level + shift - 127.5) * slope + 127.5;
        level = std::clamp(level, 0.0, 255.0);
        return options.invert ? 255.0 - level : level;
    };
    // pow for every dot would dominate a preview; the curve at the 256 whole
    // levels, interpolated between them, follows it closely enough.
    std::array<float, 257> curve{};
    for (int step = 0; step <= 256; ++step)
        curve[step] = static_cast<float>(adjust(std::min(step, 255)));
    for (float& level : plane.levels) {
        const float clamped = std::clamp(level, 0.0f, 255.0f);
        const auto step = static_cast<int>(clamped);
        const float part = clamped - step;
        level = curve[step] + (curve[step + 1] - curve[step]) * part;
    }
}
