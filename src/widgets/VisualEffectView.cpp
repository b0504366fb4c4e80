#include "widgets/VisualEffectView.h"

#include <QPainter>
#include <QPainterPath>

VisualEffectView::VisualEffectView(VisualEffectMaterial material, BlendingMode blendingMode, QWidget* parent)
    : QWidget(parent), m_material(material), m_appliedMaterial(material), m_blendingMode(blendingMode)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void VisualEffectView::setMaterial(VisualEffectMaterial material)
{
    if (!m_made)
        m_material = material;
}

QColor VisualEffectView::tint(VisualEffectMaterial material, bool translucent)
{
    // Dark tints, each with the character of its material: the popover a
    // neutral grey, the HUD darker and clearer, the content background
    // solid.
    QColor color;
    qreal alpha = 1.0;
    switch (material) {
    case VisualEffectMaterial::popover: color = QColor(38, 38, 42); alpha = 0.95; break;
    case VisualEffectMaterial::underWindowBackground: color = QColor(24, 24, 30); alpha = 0.95; break;
    case VisualEffectMaterial::hudWindow: color = QColor(28, 30, 34); alpha = 0.90; break;
    case VisualEffectMaterial::contentBackground: color = QColor(30, 30, 32); alpha = 1.0; break;
    case VisualEffectMaterial::titlebar: color = QColor(46, 46, 50); alpha = 0.96; break;
    }
    if (translucent)
        color.setAlphaF(float(alpha));
    return color;
}

void VisualEffectView::paintEvent(QPaintEvent*)
{
    if (!m_made) {
        m_made = true;
        m_appliedMaterial = m_material;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A window cut to a mask has nothing composited behind it (see
    // WindowOutline): it is painted opaque and the mask gives its shape.
    const bool translucent = window()->testAttribute(Qt::WA_TranslucentBackground) && window()->mask().isEmpty()
                             && m_blendingMode == BlendingMode::behindWindow;
    const QColor fill = tint(m_appliedMaterial, translucent);
    if (!translucent) {
        painter.fillRect(rect(), fill);
        return;
    }
    // A translucent window shows the popover's rounded outline with a fine
    // light rim, as a popover has.
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(box, kCornerRadius, kCornerRadius);
    painter.fillPath(path, fill);
    painter.setPen(QPen(QColor(255, 255, 255, 30), 1));
    painter.drawPath(path);
}
