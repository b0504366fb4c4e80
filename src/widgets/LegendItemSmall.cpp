#include "widgets/LegendItemSmall.h"

#include "widgets/Fonts.h"

#include <QPainter>

#include <cmath>

namespace {
constexpr qreal kDot = 6;
constexpr qreal kSpacing = 4;
}

LegendItemSmall::LegendItemSmall(const UiColor& color, const QString& label, const QString& value,
                                 QFont::Weight labelWeight, QWidget* parent)
    : QWidget(parent), m_color(color), m_label(label), m_value(value), m_labelWeight(labelWeight)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LegendItemSmall::setColor(const UiColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void LegendItemSmall::setValue(const QString& value)
{
    if (value == m_value)
        return;
    const QSize before = sizeHint();
    m_value = value;
    // A figure of the same width repaints this item only; a new width lays
    // out the row again.
    if (sizeHint() != before)
        updateGeometry();
    update();
}

QFont LegendItemSmall::labelFont() const { return Fonts::system(9, m_labelWeight); }

QFont LegendItemSmall::valueFont() const { return Fonts::monospaced(9, QFont::Bold); }

QSize LegendItemSmall::sizeHint() const
{
    const QFontMetricsF label(labelFont());
    const QFontMetricsF value(valueFont());
    const qreal w = kDot + kSpacing + label.horizontalAdvance(m_label) + kSpacing + value.horizontalAdvance(m_value);
    const qreal h = std::max(label.height(), value.height());
    return {int(std::ceil(w)), int(std::ceil(h))};
}

void LegendItemSmall::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal mid = height() / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color.resolve(this));
    painter.drawEllipse(QRectF(0, mid - kDot / 2, kDot, kDot));

    const QFontMetricsF labelMetrics(labelFont());
    qreal x = kDot + kSpacing;
    painter.setFont(labelFont());
    painter.setPen(UiColor(SystemColor::secondary).resolve(this));
    const qreal labelWidth = labelMetrics.horizontalAdvance(m_label);
    painter.drawText(QRectF(x, 0, labelWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, m_label);
    x += labelWidth + kSpacing;
    painter.setFont(valueFont());
    painter.setPen(UiColor(SystemColor::primary).resolve(this));
    painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, m_value);
}
