#include "theme/ColorScheme.h"

#include "theme/SystemColor.h"

#include <QPalette>
#include <QWidget>

ColorScheme colorSchemeOf(const QWidget* widget)
{
    if (!widget)
        return ColorScheme::dark;
    return widget->palette().color(QPalette::Window).lightnessF() > 0.5 ? ColorScheme::light : ColorScheme::dark;
}

void applyColorScheme(QWidget* root, ColorScheme scheme, const QColor& background)
{
    const auto c = [scheme](SystemColor color) { return systemColor(color, scheme); };
    const QColor window = background.isValid() ? background : c(SystemColor::windowBackground);
    // Text roles get opaque colours: Qt's own controls blend poorly with
    // translucent text over translucent fills.
    const QColor text = scheme == ColorScheme::dark ? QColor(235, 235, 240) : QColor(29, 29, 31);
    const QColor dimText = scheme == ColorScheme::dark ? QColor(152, 152, 157) : QColor(110, 110, 115);
    const QColor base = scheme == ColorScheme::dark ? window.lighter(125) : QColor(Qt::white);

    QPalette p = root->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::WindowText, disabled ? dimText : text);
        p.setColor(group, QPalette::Text, disabled ? dimText : text);
        p.setColor(group, QPalette::ButtonText, disabled ? dimText : text);
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::AlternateBase, base.darker(105));
        p.setColor(group, QPalette::Button, scheme == ColorScheme::dark ? window.lighter(140) : window.lighter(104));
        p.setColor(group, QPalette::ToolTipBase, scheme == ColorScheme::dark ? QColor(44, 44, 46) : QColor(250, 250, 250));
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::PlaceholderText, dimText);
        p.setColor(group, QPalette::Highlight, c(SystemColor::blue));
        p.setColor(group, QPalette::HighlightedText, Qt::white);
        p.setColor(group, QPalette::Link, c(SystemColor::blue));
        p.setColor(group, QPalette::BrightText, Qt::white);
        p.setColor(group, QPalette::Light, window.lighter(150));
        p.setColor(group, QPalette::Midlight, window.lighter(125));
        p.setColor(group, QPalette::Mid, window.darker(125));
        p.setColor(group, QPalette::Dark, window.darker(150));
        p.setColor(group, QPalette::Shadow, Qt::black);
    }
    root->setPalette(p);
    root->setAutoFillBackground(true);
}
