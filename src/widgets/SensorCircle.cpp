#include "widgets/SensorCircle.h"

#include "theme/UiColor.h"
#include "widgets/Fonts.h"

#include <QFontMetrics>
#include <QPainter>

SensorCircle::SensorCircle(const QString& title, const QString& value, QWidget* parent)
    : QWidget(parent), m_title(title), m_value(value),
      m_titleFont(Fonts::style(TextStyle::caption)), m_valueFont(Fonts::style(TextStyle::title3))
{
    m_valueFont.setWeight(QFont::Bold);
    setFixedSize(kSide, kSide);
}

void SensorCircle::setValue(const QString& value)
{
    if (value == m_value)
        return;
    m_value = value;
    update();
}

void SensorCircle::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(UiColor(SystemColor::blue).resolve(this), 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));

    const QFont& titleFont = m_titleFont;
    const QFont& valueFont = m_valueFont;
    const QFontMetrics tm(titleFont);
    const QFontMetrics vm(valueFont);
    const int inner = kSide - 12;
    const int total = tm.height() + vm.height();
    const int top = (kSide - total) / 2;

    p.setFont(titleFont);
    p.setPen(UiColor(SystemColor::secondary).resolve(this));
    p.drawText(QRect(0, top, kSide, tm.height()), Qt::AlignCenter, tm.elidedText(m_title, Qt::ElideRight, inner));
    p.setFont(valueFont);
    p.setPen(UiColor(SystemColor::primary).resolve(this));
    p.drawText(QRect(0, top + tm.height(), kSide, vm.height()), Qt::AlignCenter,
               vm.elidedText(m_value, Qt::ElideRight, inner));
}
