#pragma once

#include "theme/ColorScheme.h"

#include <QColor>

// The named colours the views paint with. Each has a dark and a light
// variant; label colours are translucent like the desktop's label colours.
enum class SystemColor {
    blue,
    purple,
    pink,
    orange,
    yellow,
    green,
    cyan,
    red,
    indigo,
    gray,
    mint,
    teal,
    brown,
    white,
    black,
    contrast, // white on the dark scheme, black on the light one
    clear,
    primary,   // label text
    secondary, // secondary label text
    tertiary,
    quaternary,
    separator,
    windowBackground,
    controlBackground,
};

QColor systemColor(SystemColor color, ColorScheme scheme);
