#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <optional>

class QPainter;

// The symbol layer: the views name symbols ("cpu.fill", "sparkles", ...)
// and this maps each name to a glyph of the Material Icons font, drawn in a
// tint chosen at paint time. A name without a glyph draws a visible
// placeholder, never nothing, so a missing mapping shows up on screen.
class SymbolIcon {
public:
    // Registers the icon font with the application. Call once after the
    // QApplication exists (the app and the tests do); later calls are cheap.
    // Returns whether the font is usable.
    static bool loadFont();
    static bool isFontLoaded();
    static QString fontFamily();

    // The glyph a name maps to, if any. resolves() also checks that the
    // loaded font really holds that glyph.
    static std::optional<char32_t> codepoint(const QString& name);
    static bool resolves(const QString& name);
    static QStringList knownNames();

    // The icon font at a pixel size.
    static QFont font(qreal pixelSize);
    // The pixel size that makes a symbol match text of `pointSize`, the way
    // symbols sit next to text in the design.
    static qreal pixelSizeFor(qreal pointSize);

    // Draws the symbol centred in `box`, `pixelSize` high, in `color`.
    static void paint(QPainter& painter, const QRectF& box, const QString& name, const QColor& color,
                      qreal pixelSize);
    static QPixmap pixmap(const QString& name, const QColor& color, int size, qreal devicePixelRatio = 1.0);
    static QIcon icon(const QString& name, const QColor& color, int size = 16);
};
