#include "theme/InkOnFill.h"

#include <algorithm>
#include <cmath>

namespace {

double channel(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

double luminance(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

constexpr double kReadableOnFill = 3.0;

} // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor inkOnFill(const QColor& fill)
{
    const QColor white(Qt::white);
    const QColor black(Qt::black);
    const double onWhite = contrastRatio(fill, white);
    if (onWhite >= kReadableOnFill || onWhite >= contrastRatio(fill, black))
        return white;
    return black;
}

QColor inkOnFill(const QColor& from, const QColor& to)
{
    const QColor white(Qt::white);
    const QColor black(Qt::black);
    const double onWhite = std::min(contrastRatio(from, white), contrastRatio(to, white));
    const double onBlack = std::min(contrastRatio(from, black), contrastRatio(to, black));
    return onWhite >= kReadableOnFill || onWhite >= onBlack ? white : black;
}

QColor composedOver(const QColor& color, const QColor& below)
{
    const QColor top = color.toRgb();
    const QColor base = below.toRgb();
    const double a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + base.redF() * (1 - a)), float(top.greenF() * a + base.greenF() * (1 - a)),
                            float(top.blueF() * a + base.blueF() * (1 - a)));
}
