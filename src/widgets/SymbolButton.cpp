#include "widgets/SymbolButton.h"

#include "widgets/HoverLook.h"
#include "widgets/SymbolIcon.h"

#include <QPainter>

#include <cmath>

SymbolButton::SymbolButton(const QString& symbol, const UiColor& tint, qreal pointSize, QWidget* parent)
    : QAbstractButton(parent), m_symbol(symbol), m_tint(tint), m_pointSize(pointSize)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setAccessibleName(symbol);
}

void SymbolButton::setSymbol(const QString& symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

void SymbolButton::setTint(const UiColor& tint)
{
    if (tint == m_tint)
        return;
    m_tint = tint;
    update();
}

void SymbolButton::setPadding(int padding)
{
    m_padding = padding;
    updateGeometry();
}

QSize SymbolButton::sizeHint() const
{
    const int side = int(std::ceil(SymbolIcon::pixelSizeFor(m_pointSize))) + 2 * m_padding;
    return {side, side};
}

void SymbolButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QColor color = m_tint.resolve(this);
    if (!isEnabled())
        color.setAlphaF(color.alphaF() * 0.35f);
    else if (isDown())
        color.setAlphaF(color.alphaF() * 0.55f);
    else if (showsHoverLook(this))
        color = color.lighter(118);
    SymbolIcon::paint(painter, rect(), m_symbol, color, SymbolIcon::pixelSizeFor(m_pointSize));
}
