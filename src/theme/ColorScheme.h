#pragma once

#include <QColor>

class QWidget;

// Dark or light drawing. The popover is always dark; the dashboard follows
// the theme.
enum class ColorScheme { dark, light };

// The scheme a widget paints in, read from the window colour its palette
// inherits, so a panel given a scheme passes it on to everything inside.
ColorScheme colorSchemeOf(const QWidget* widget);

// Gives `root` the palette of `scheme` (window, text, controls, tool tips);
// children inherit it. `background` replaces the scheme's window colour.
void applyColorScheme(QWidget* root, ColorScheme scheme, const QColor& background = QColor());
