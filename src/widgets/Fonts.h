#pragma once

#include "widgets/FontDesign.h"
#include "widgets/TextStyle.h"

#include <QFont>

// The fonts of the views. Sizes are given as the design gives them, in
// points, and become pixel sizes, so a 12-point text is 12 device-independent
// pixels high whatever the screen's DPI setting says.
class Fonts {
public:
    static QFont system(qreal size, QFont::Weight weight = QFont::Normal, FontDesign design = FontDesign::standard);
    static QFont monospaced(qreal size, QFont::Weight weight = QFont::Normal);
    static QFont style(TextStyle style);

    // Size and weight of a named style.
    static qreal size(TextStyle style);
    static QFont::Weight weight(TextStyle style);

    static QString family();
    static QString monospacedFamily();
};
