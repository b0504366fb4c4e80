#include "widgets/ToggleSwitch.h"

#include "theme/InkOnFill.h"
#include "widgets/Animations.h"
#include "widgets/HoverLook.h"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

ToggleSwitch::ToggleSwitch(const UiColor& tint, QWidget* parent)
    : QAbstractButton(parent), m_tint(tint), m_animation(new QVariantAnimation(this))
{
    setCheckable(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_position = value.toReal();
        update();
    });
    connect(this, &QAbstractButton::toggled, this, &ToggleSwitch::slideTo);
}

void ToggleSwitch::setTint(const UiColor& tint)
{
    if (tint == m_tint)
        return;
    m_tint = tint;
    update();
}

QSize ToggleSwitch::sizeHint() const { return {32, 18}; }

void ToggleSwitch::slideTo(bool on)
{
    const qreal target = on ? 1.0 : 0.0;
    m_animation->stop();
    const int duration = isVisible() ? Animations::duration(160) : 0;
    if (duration == 0) {
        m_position = target;
        update();
        return;
    }
    m_animation->setDuration(duration);
    m_animation->setStartValue(m_position);
    m_animation->setEndValue(target);
    m_animation->start();
}

void ToggleSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    const ColorScheme scheme = colorSchemeOf(this);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = track.height() / 2;

    QColor off = scheme == ColorScheme::dark ? QColor(255, 255, 255, 46) : QColor(0, 0, 0, 28);
    QColor on = m_tint.resolve(scheme);
    if (showsHoverLook(this)) {
        off.setAlpha(std::min(255, off.alpha() + 18));
        on = on.lighter(110);
    }
    QColor fill;
    fill.setRgbF(off.redF() + (on.redF() - off.redF()) * float(m_position),
                 off.greenF() + (on.greenF() - off.greenF()) * float(m_position),
                 off.blueF() + (on.blueF() - off.blueF()) * float(m_position),
                 off.alphaF() + (on.alphaF() - off.alphaF()) * float(m_position));
    QPainterPath capsule;
    capsule.addRoundedRect(track, radius, radius);
    painter.fillPath(capsule, fill);
    painter.setPen(QPen(scheme == ColorScheme::dark ? QColor(255, 255, 255, 20) : QColor(0, 0, 0, 18), 1));
    painter.drawPath(capsule);

    const qreal knob = track.height() - 3;
    const qreal left = track.left() + 1.5;
    const qreal travel = track.width() - 3 - knob;
    const QRectF knobRect(left + travel * m_position, track.top() + 1.5, knob, knob);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(knobRect.translated(0, 0.8));
    // A light tint (the Ink theme's white) would swallow a white knob.
    painter.setBrush(m_position > 0.5 ? inkOnFill(on) : QColor(Qt::white));
    painter.drawEllipse(knobRect);

    if (hasFocus()) {
        painter.setPen(QPen(systemColor(SystemColor::blue, scheme), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track, radius, radius);
    }
}
