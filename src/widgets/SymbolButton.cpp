#include "widgets/SymbolButton.h"

#include "widgets/HoverLook.h"

#include <QPainter>

SymbolButton::SymbolButton(const QString& symbol, const UiColor& tint, qreal pointSize, QWidget* parent)
    : QAbstractButton(parent), m_glyph(symbol, tint, pointSize)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setAccessibleName(symbol);
}

void SymbolButton::setSymbol(const QString& symbol)
{
    if (m_glyph.setSymbol(symbol))
        update();
}

void SymbolButton::setTint(const UiColor& tint)
{
    if (m_glyph.setTint(tint))
        update();
}

void SymbolButton::setPadding(int padding)
{
    m_padding = padding;
    updateGeometry();
}

QSize SymbolButton::sizeHint() const
{
    const int side = m_glyph.side() + 2 * m_padding;
    return {side, side};
}

void SymbolButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QColor color = m_glyph.tint().resolve(this);
    if (!isEnabled())
        color.setAlphaF(color.alphaF() * 0.35f);
    else if (isDown())
        color.setAlphaF(color.alphaF() * 0.55f);
    else if (showsHoverLook(this))
        color = color.lighter(118);
    m_glyph.paint(painter, rect(), color);
}
