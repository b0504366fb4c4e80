#include "dashboard/tour/TourStepDots.h"

#include <QPainter>

TourStepDots::TourStepDots(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(kHeight);
}

void TourStepDots::setCurrent(int step)
{
    if (step == m_current)
        return;
    m_current = step;
    update();
}

void TourStepDots::setAccent(const UiColor& accent)
{
    if (accent == m_accent)
        return;
    m_accent = accent;
    update();
}

void TourStepDots::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const qreal w = (width() - (kCount - 1) * kGap) / qreal(kCount);
    for (int i = 0; i < kCount; ++i) {
        const QRectF capsule(i * (w + kGap), 0, w, kHeight);
        p.setBrush(i == m_current ? m_accent.resolve(ColorScheme::dark) : QColor(255, 255, 255, 38));
        p.drawRoundedRect(capsule, kHeight / 2.0, kHeight / 2.0);
    }
}
