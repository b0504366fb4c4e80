#include "widgets/Badge.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

Badge::Badge(const QString& text, const UiColor& textColor, const UiColor& background, QWidget* parent)
    : QWidget(parent), m_text(text), m_textColor(textColor), m_background(background)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Badge::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    update();
}

void Badge::setColors(const UiColor& textColor, const UiColor& background)
{
    if (textColor == m_textColor && background == m_background)
        return;
    m_textColor = textColor;
    m_background = background;
    update();
}

void Badge::setCornerRadius(qreal radius)
{
    if (radius == m_radius)
        return;
    m_radius = radius;
    update();
}

void Badge::setPadding(int horizontal, int vertical)
{
    m_padH = horizontal;
    m_padV = vertical;
    updateGeometry();
}

QSize Badge::sizeHint() const
{
    const QFontMetricsF metrics(font());
    return {int(std::ceil(metrics.horizontalAdvance(m_text))) + 2 * m_padH,
            int(std::ceil(metrics.ascent() + metrics.descent())) + 2 * m_padV};
}

void Badge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(rect()), m_radius, m_radius);
    painter.fillPath(plate, m_background.resolve(this));
    painter.setPen(m_textColor.resolve(this));
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_text);
}
