#include "widgets/SymbolView.h"

#include "widgets/SymbolIcon.h"

#include <QPainter>

#include <cmath>

SymbolView::SymbolView(const QString& symbol, const UiColor& tint, qreal pointSize, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_tint(tint), m_pointSize(pointSize)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolView::setSymbol(const QString& symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

void SymbolView::setTint(const UiColor& tint)
{
    if (tint == m_tint)
        return;
    m_tint = tint;
    update();
}

void SymbolView::setPointSize(qreal pointSize)
{
    if (pointSize == m_pointSize)
        return;
    m_pointSize = pointSize;
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
    const int side = int(std::ceil(SymbolIcon::pixelSizeFor(m_pointSize)));
    return {m_frameWidth > 0 ? m_frameWidth : side, side};
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    SymbolIcon::paint(painter, rect(), m_symbol, m_tint.resolve(this), SymbolIcon::pixelSizeFor(m_pointSize));
}
