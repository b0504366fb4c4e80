#include "widgets/SymbolView.h"

#include <QPainter>

SymbolView::SymbolView(const QString& symbol, const UiColor& tint, qreal pointSize, QWidget* parent)
    : QWidget(parent), m_glyph(symbol, tint, pointSize)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolView::setSymbol(const QString& symbol)
{
    if (m_glyph.setSymbol(symbol))
        update();
}

void SymbolView::setTint(const UiColor& tint)
{
    if (m_glyph.setTint(tint))
        update();
}

void SymbolView::setPointSize(qreal pointSize)
{
    if (!m_glyph.setPointSize(pointSize))
        return;
    updateGeometry();
    update();
}

void SymbolView::setFrameWidth(int width)
{
    m_frameWidth = width;
    updateGeometry();
}

QSize SymbolView::sizeHint() const
{
    const int side = m_glyph.side();
    return {m_frameWidth > 0 ? m_frameWidth : side, side};
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_glyph.paint(painter, rect(), this);
}
