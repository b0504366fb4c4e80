#include "dashboard/pages/PresetIconDisc.h"

#include "widgets/SymbolIcon.h"

#include <QPainter>

PresetIconDisc::PresetIconDisc(int diameter, qreal symbolPointSize, QWidget* parent)
    : QWidget(parent), m_diameter(diameter), m_pointSize(symbolPointSize)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void PresetIconDisc::set(const QString& symbol, const UiColor& color, qreal discOpacity)
{
    if (symbol == m_symbol && color == m_color && discOpacity == m_discOpacity)
        return;
    m_symbol = symbol;
    m_color = color;
    m_discOpacity = discOpacity;
    update();
}

void PresetIconDisc::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc((width() - m_diameter) / 2.0, (height() - m_diameter) / 2.0, m_diameter, m_diameter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color.opacity(m_discOpacity).resolve(this));
    painter.drawEllipse(disc);
    SymbolIcon::paint(painter, disc, m_symbol, m_color.resolve(this), SymbolIcon::pixelSizeFor(m_pointSize));
}
