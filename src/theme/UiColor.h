#pragma once

#include "theme/ColorScheme.h"
#include "theme/SystemColor.h"

#include <QColor>

class QWidget;

// A colour as the views name it: either one of the named system colours,
// resolved for the scheme of the widget that paints it, or a fixed colour;
// either with an opacity factor. Widgets keep UiColors and resolve them when
// they paint, so one row looks right on the dark popover and a light window.
class UiColor {
public:
    UiColor() : UiColor(SystemColor::clear) {}
    UiColor(SystemColor color) : m_system(color), m_isSystem(true) {}
    UiColor(const QColor& color) : m_fixed(color) {}
    UiColor(Qt::GlobalColor color) : m_fixed(color) {}

    // An opaque sRGB colour from components between 0 and 1.
    static UiColor rgb(double red, double green, double blue);

    // The same colour with its opacity multiplied by `factor`.
    UiColor opacity(qreal factor) const;

    QColor resolve(ColorScheme scheme) const;
    QColor resolve(const QWidget* widget) const;

    bool isSystem() const { return m_isSystem; }
    SystemColor systemColor() const { return m_system; }
    qreal opacityFactor() const { return m_opacity; }

    bool operator==(const UiColor& other) const = default;

private:
    SystemColor m_system = SystemColor::clear;
    QColor m_fixed;
    qreal m_opacity = 1.0;
    bool m_isSystem = false;
};
