#include "OutputSizeRule.h"

#include <algorithm>

namespace {
using Result = OutputSizeRule::Result;

Result bothClamped(double W, double H, double L, double S)
{
    if (W > H)
        return {true, std::min(L, W), std::min(S, H)};
    return {true, std::min(S, W), std::min(L, H)};
}

Result longSideFitted(double W, double H, double L)
{
    if (W > H) {
        const double w = std::min(L, W);
        return {true, w, H * std::min(1.0, w / W)};
    }
    const double h = std::min(L, H);
    return {true, W * std::min(1.0, h / H), h};
}

Result shortSideFitted(double W, double H, double S)
{
    if (W > H) {
        const double h = std::min(S, H);
        return {true, W * std::min(1.0, h / H), h};
    }
    const double w = std::min(S, W);
    return {true, w, H * std::min(1.0, w / W)};
}
} // namespace

OutputSizeRule::Result OutputSizeRule::apply(qint64 width, qint64 height, const Settings& settings)
{
    const double W = static_cast<double>(width);
    const double H = static_cast<double>(height);
    if (width <= 0 || height <= 0)
        return {false, W, H};
    if (!settings.fixedSize) {
        const double s = settings.scaleFactor;
        if (s == 1.0)
            return {false, W, H};
        return {true, W * s, H * s};
    }
    const double L = static_cast<double>(settings.longSize);
    const double S = static_cast<double>(settings.shortSize);
    const bool longBinds = settings.longLocked && settings.longSize > 0;
    const bool shortBinds = settings.shortLocked && settings.shortSize > 0;
    if (longBinds && shortBinds)
        return bothClamped(W, H, L, S);
    if (longBinds)
        return longSideFitted(W, H, L);
    // The long side does not bind: the short side is fitted whether or not it
    // is locked, unless it is 0.
    if (settings.shortSize > 0)
        return shortSideFitted(W, H, S);
    return {true, W, H};
}
