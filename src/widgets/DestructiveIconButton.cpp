#include "widgets/DestructiveIconButton.h"

#include "widgets/HoverLook.h"

#include <QPainter>
#include <QPainterPath>

DestructiveIconButton::DestructiveIconButton(const QString& symbol, const QString& toolTip, QWidget* parent)
    : QAbstractButton(parent), m_glyph(symbol, SystemColor::red, 10)
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
    m_glyph.setPointSize(symbolPointSize);
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
    const QColor red = m_glyph.tint().resolve(this);
    QColor plate = red;
    plate.setAlphaF(isDown() ? 0.32f : showsHoverLook(this) ? 0.24f : 0.15f);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), m_radius, m_radius);
    painter.fillPath(path, plate);
    m_glyph.paint(painter, rect(), red);
}
