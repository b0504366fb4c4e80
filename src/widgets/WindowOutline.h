#pragma once

class QPainterPath;
class QWidget;

// A translucent top-level window drawn as a rounded shape. Where the display
// composites, its transparent pixels show the desktop behind it; where it
// does not, they would show black, so the window is cut to its outline (a
// mask) and paints everything inside that cut opaque.
class WindowOutline {
public:
    // Fits `window` to `outline` (in its own coordinates) as the display
    // allows now: true when it stays translucent, false when it is cut.
    // Call it as the window is shown and whenever its outline changes.
    static bool apply(QWidget* window, const QPainterPath& outline);
};
