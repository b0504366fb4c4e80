#include "widgets/LegendItem.h"

#include "widgets/ElidedLabel.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"

#include <QHBoxLayout>
#include <QPainter>

namespace {
constexpr int kDot = 8;
constexpr int kSpacing = 8;
}

LegendItem::LegendItem(const UiColor& color, const QString& label, const QString& value, QWidget* parent)
    : QWidget(parent), m_color(color), m_dot(kDot), m_label(new ElidedLabel(label)), m_value(new PlainLabel(value))
{
    auto* row = new QHBoxLayout(this);
    // The dot is painted by the item itself in the room the margin leaves.
    row->setContentsMargins(kDot + kSpacing, 1, 0, 1);
    row->setSpacing(kSpacing);
    m_label->setFont(Fonts::system(12, QFont::Medium));
    m_value->setFont(Fonts::monospaced(12, QFont::DemiBold));
    m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(m_label, 1);
    row->addWidget(m_value, 0);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void LegendItem::setColor(const UiColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void LegendItem::setDotDiameter(int diameter)
{
    m_dot = diameter;
    layout()->setContentsMargins(m_dot + kSpacing, 1, 0, 1);
    update();
}

void LegendItem::setValueFont(const QFont& font) { m_value->setFont(font); }

void LegendItem::setLabel(const QString& label) { m_label->setText(label); }

void LegendItem::setValue(const QString& value) { m_value->setText(value); }

QString LegendItem::label() const { return m_label->text(); }

QString LegendItem::value() const { return m_value->text(); }

void LegendItem::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color.resolve(this));
    painter.drawEllipse(QRectF(0, (height() - m_dot) / 2.0, m_dot, m_dot));
}
