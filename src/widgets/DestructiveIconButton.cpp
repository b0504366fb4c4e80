#include "widgets/DestructiveIconButton.h"

#include "widgets/HoverLook.h"
#include "widgets/SymbolIcon.h"

#include <QPainter>
#include <QPainterPath>

DestructiveIconButton::DestructiveIconButton(const QString& symbol, const QString& toolTip, QWidget* parent)
    : QAbstractButton(parent), m_symbol(symbol)
{
    setToolTip(toolTip);
    setAccessibleName(toolTip);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

void DestructiveIconButton::setMetrics(int side, qreal symbolPointSize, qreal cornerRadius)
{
    m_side = side;
    m_pointSize = symbolPointSize;
    m_radius = cornerRadius;
    updateGeometry();
    update();
}

QSize DestructiveIconButton::sizeHint() const { return {m_side, m_side}; }

void DestructiveIconButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.4);
    const QColor red = UiColor(SystemColor::red).resolve(this);
    QColor plate = red;
    plate.setAlphaF(isDown() ? 0.32f : showsHoverLook(this) ? 0.24f : 0.15f);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), m_radius, m_radius);
    painter.fillPath(path, plate);
    SymbolIcon::paint(painter, rect(), m_symbol, red, SymbolIcon::pixelSizeFor(m_pointSize));
}
