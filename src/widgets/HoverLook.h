#pragma once

#include <QWidget>

// Whether a button draws its hover look. Buttons set Qt::WA_Hover, so Qt
// repaints them as the pointer comes and goes; it does so only while they
// are enabled, so a disabled button never shows the look (it would linger
// until some other repaint).
inline bool showsHoverLook(const QWidget* widget) { return widget->isEnabled() && widget->underMouse(); }
