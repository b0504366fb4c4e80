#include "widgets/SymbolGlyph.h"

#include "widgets/SymbolIcon.h"

#include <cmath>

bool SymbolGlyph::setSymbol(const QString& symbol)
{
    if (symbol == m_symbol)
        return false;
    m_symbol = symbol;
    return true;
}

bool SymbolGlyph::setTint(const UiColor& tint)
{
    if (tint == m_tint)
        return false;
    m_tint = tint;
    return true;
}

bool SymbolGlyph::setPointSize(qreal pointSize)
{
    if (pointSize == m_pointSize)
        return false;
    m_pointSize = pointSize;
    return true;
}

int SymbolGlyph::side() const { return int(std::ceil(SymbolIcon::pixelSizeFor(m_pointSize))); }

void SymbolGlyph::paint(QPainter& painter, const QRectF& box, const QWidget* widget) const
{
    paint(painter, box, m_tint.resolve(widget));
}

void SymbolGlyph::paint(QPainter& painter, const QRectF& box, const QColor& color) const
{
    SymbolIcon::paint(painter, box, m_symbol, color, SymbolIcon::pixelSizeFor(m_pointSize));
}
