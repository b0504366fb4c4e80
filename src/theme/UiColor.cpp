#include "theme/UiColor.h"

#include <algorithm>

UiColor UiColor::rgb(double red, double green, double blue)
{
    return UiColor(QColor::fromRgbF(float(red), float(green), float(blue)));
}

UiColor UiColor::opacity(qreal factor) const
{
    UiColor copy = *this;
    copy.m_opacity = std::clamp(m_opacity * factor, 0.0, 1.0);
    return copy;
}

QColor UiColor::resolve(ColorScheme scheme) const
{
    QColor c = m_isSystem ? ::systemColor(m_system, scheme) : m_fixed;
    if (m_opacity < 1.0)
        c.setAlphaF(float(c.alphaF() * m_opacity));
    return c;
}

QColor UiColor::resolve(const QWidget* widget) const { return resolve(colorSchemeOf(widget)); }
