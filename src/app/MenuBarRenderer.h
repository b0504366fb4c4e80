#pragma once

#include "theme/ColorScheme.h"

#include <QPixmap>
#include <QRectF>
#include <QSize>

class MenuBarView;
class QPainter;

// Draws the status label. The full label is one row (ring, CPU and
// temperature texts, history line, battery) in a 70 x 22 area; its natural
// width is larger, so spacing closes up first and then the whole row is
// scaled down to fit. Trays that give an item only a small square get the
// compact form instead: the CPU ring with the load figure inside it.
class MenuBarRenderer {
public:
    static constexpr QSize kLabelSize{70, 22};

    static void paintLabel(QPainter& painter, const QRectF& area, const MenuBarView& view, ColorScheme scheme);
    static void paintCompact(QPainter& painter, const QRectF& area, const MenuBarView& view, ColorScheme scheme);

    static QPixmap label(const MenuBarView& view, ColorScheme scheme, qreal devicePixelRatio = 1.0);
    static QPixmap compact(const MenuBarView& view, ColorScheme scheme, int side, qreal devicePixelRatio = 1.0);

    // The row's width at the design's spacing (8 between items, 4 at the ends).
    static qreal naturalWidth(const MenuBarView& view);

    // The scheme tray icons are drawn in: that of the application's palette.
    static ColorScheme trayScheme();
};
