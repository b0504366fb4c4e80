#pragma once

#include "theme/UiColor.h"

#include <QRectF>
#include <QString>

class QPainter;
class QWidget;

// What a symbol widget shows: a named symbol, its tint and the text size it
// sits at. The setters say whether anything changed, so a widget repaints
// only then.
class SymbolGlyph {
public:
    SymbolGlyph(const QString& symbol, const UiColor& tint, qreal pointSize)
        : m_symbol(symbol), m_tint(tint), m_pointSize(pointSize)
    {
    }

    const QString& symbol() const { return m_symbol; }
    bool setSymbol(const QString& symbol);
    const UiColor& tint() const { return m_tint; }
    bool setTint(const UiColor& tint);
    qreal pointSize() const { return m_pointSize; }
    bool setPointSize(qreal pointSize);

    // The glyph's height in pixels, rounded up.
    int side() const;
    // Draws the glyph centred in `box`: in the tint resolved for `widget`,
    // or in `color` when the widget adjusts it (hover, pressed, disabled).
    void paint(QPainter& painter, const QRectF& box, const QWidget* widget) const;
    void paint(QPainter& painter, const QRectF& box, const QColor& color) const;

private:
    QString m_symbol;
    UiColor m_tint;
    qreal m_pointSize;
};
