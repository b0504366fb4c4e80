#include "dashboard/tour/TourButton.h"

#include "dashboard/tour/TourCardFrame.h"
#include "theme/InkOnFill.h"
#include "widgets/Fonts.h"
#include "widgets/HoverLook.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr qreal kRadius = 8;

QMargins padding(TourButton::Role role)
{
    switch (role) {
    case TourButton::Role::back: return {16, 8, 16, 8};
    case TourButton::Role::skip: return {12, 8, 12, 8};
    case TourButton::Role::primary: return {20, 8, 20, 8};
    }
    return {};
}

} // namespace

QColor TourButton::primaryInk(AppTheme theme)
{
    // Ink's and Nordic's gradients are light, so white would not read on them.
    const QColor card = TourCardFrame::background();
    return inkOnFill(composedOver(theme.accentColor().resolve(ColorScheme::dark), card),
                     composedOver(theme.secondaryAccent().resolve(ColorScheme::dark), card));
}

TourButton::TourButton(Role role, const QString& text, QWidget* parent) : QAbstractButton(parent), m_role(role)
{
    setText(text);
    setFont(Fonts::system(13, role == Role::skip ? QFont::Normal : QFont::Bold));
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TourButton::setTheme(AppTheme theme)
{
    if (theme == m_theme)
        return;
    m_theme = theme;
    update();
}

QSize TourButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const QMargins pad = padding(m_role);
    return {metrics.horizontalAdvance(text()) + pad.left() + pad.right(), metrics.height() + pad.top() + pad.bottom()};
}

void TourButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), kRadius, kRadius);
    const QColor secondary = systemColor(SystemColor::secondary, ColorScheme::dark);
    QColor text = Qt::white;
    switch (m_role) {
    case Role::back:
        p.fillPath(shape, QColor(255, 255, 255, showsHoverLook(this) ? 36 : 20));
        text = secondary;
        break;
    case Role::skip:
        if (showsHoverLook(this))
            p.fillPath(shape, QColor(255, 255, 255, 12));
        text = secondary;
        text.setAlphaF(text.alphaF() * 0.8);
        break;
    case Role::primary:
        if (isEnabled()) {
            const QColor from = m_theme.accentColor().resolve(ColorScheme::dark);
            const QColor to = m_theme.secondaryAccent().resolve(ColorScheme::dark);
            QLinearGradient gradient(rect().topLeft(), rect().bottomRight());
            gradient.setColorAt(0, from);
            gradient.setColorAt(1, to);
            p.fillPath(shape, gradient);
            text = primaryInk(m_theme);
            if (showsHoverLook(this))
                p.fillPath(shape, QColor(255, 255, 255, 24));
        } else {
            p.fillPath(shape, QColor(255, 255, 255, 26));
            text = QColor(255, 255, 255, 128);
        }
        break;
    }
    if (isDown())
        p.fillPath(shape, QColor(0, 0, 0, 40));
    p.setPen(text);
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter, this->text());
}
