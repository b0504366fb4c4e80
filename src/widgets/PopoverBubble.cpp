#include "widgets/PopoverBubble.h"

#include "widgets/WindowOutline.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kShadow = 10;    // room around the bubble for its shadow
constexpr int kArrow = 8;      // arrow height
constexpr qreal kRadius = 10;
constexpr int kPadding = 12;   // content padding inside the bubble

QColor fillFor(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? QColor(42, 42, 46) : QColor(248, 248, 250);
}

} // namespace

PopoverBubble::PopoverBubble(QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint), m_content(new QVBoxLayout)
{
    setAttribute(Qt::WA_TranslucentBackground);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(m_content);
    m_content->setSpacing(8);
    m_content->setSizeConstraint(QLayout::SetFixedSize);
    outer->setSizeConstraint(QLayout::SetFixedSize);
}

QRectF PopoverBubble::bubbleRect() const
{
    QRectF box = QRectF(rect()).adjusted(kShadow, kShadow, -kShadow, -kShadow);
    return m_pointsUp ? box.adjusted(0, kArrow, 0, 0) : box.adjusted(0, 0, 0, -kArrow);
}

void PopoverBubble::showFor(QWidget* anchor)
{
    m_anchor = anchor;
    m_scheme = colorSchemeOf(anchor);
    applyColorScheme(this, m_scheme, fillFor(m_scheme));
    setAutoFillBackground(false);
    reposition();
    show();
}

void PopoverBubble::reposition()
{
    if (!m_anchor)
        return;
    const QRect anchorRect(m_anchor->mapToGlobal(QPoint(0, 0)), m_anchor->size());
    QScreen* screen = m_anchor->screen() ? m_anchor->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 4096, 4096);

    // Size for the chosen direction: content, padding, arrow and shadow.
    const auto place = [&](bool up) {
        m_pointsUp = up;
        const int pad = kShadow + kPadding;
        layout()->setContentsMargins(pad, pad + (up ? kArrow : 0), pad, pad + (up ? 0 : kArrow));
        adjustSize();
    };
    place(true);
    const bool roomBelow = anchorRect.bottom() + height() - kShadow <= available.bottom();
    if (!roomBelow && anchorRect.top() - height() + kShadow >= available.top())
        place(false);

    int x = anchorRect.center().x() - width() / 2;
    x = std::clamp(x, available.left() - kShadow, std::max(available.left(), available.right() - width() + kShadow));
    const int y = m_pointsUp ? anchorRect.bottom() + 1 - kShadow + 2 : anchorRect.top() - height() + kShadow - 2;
    move(x, y);
    m_arrowX = anchorRect.center().x() - x;
    // Asked on every placement, so a compositor that came or went since
    // the last showing is followed.
    m_translucent = WindowOutline::apply(this, outline());
    update();
}

QPainterPath PopoverBubble::outline() const
{
    const QRectF body = bubbleRect();
    const qreal tipX = std::clamp(m_arrowX, body.left() + kRadius + kArrow, body.right() - kRadius - kArrow);

    QPainterPath path;
    path.addRoundedRect(body, kRadius, kRadius);
    QPainterPath arrow;
    if (m_pointsUp) {
        arrow.moveTo(tipX - kArrow, body.top() + 0.5);
        arrow.lineTo(tipX, body.top() - kArrow);
        arrow.lineTo(tipX + kArrow, body.top() + 0.5);
    } else {
        arrow.moveTo(tipX - kArrow, body.bottom() - 0.5);
        arrow.lineTo(tipX, body.bottom() + kArrow);
        arrow.lineTo(tipX + kArrow, body.bottom() - 0.5);
    }
    arrow.closeSubpath();
    return path.united(arrow).simplified();
}

void PopoverBubble::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = outline();

    if (m_translucent) {
        // A soft shadow: the outline widened in a few faint steps.
        painter.setBrush(Qt::NoBrush);
        for (int i = kShadow; i > 0; i -= 2) {
            painter.setPen(QPen(QColor(0, 0, 0, 5 + (kShadow - i) * 2), i, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.drawPath(path.translated(0, 2));
        }
    } else {
        // Cut to the outline: the edge's blended pixels lie on the fill, not
        // on transparent black, and no shadow could show.
        painter.fillRect(rect(), fillFor(m_scheme));
    }
    painter.setPen(Qt::NoPen);
    painter.fillPath(path, fillFor(m_scheme));
    painter.setPen(QPen(m_scheme == ColorScheme::dark ? QColor(255, 255, 255, 38) : QColor(0, 0, 0, 30), 1));
    painter.drawPath(path);
}

void PopoverBubble::mousePressEvent(QMouseEvent* event)
{
    if (!rect().contains(event->position().toPoint()) && m_anchor) {
        const QRect anchorRect(m_anchor->mapToGlobal(QPoint(0, 0)), m_anchor->size());
        // The press that closes us must not reach the anchor as well, or its
        // toggle would open the bubble again straight away.
        if (anchorRect.contains(event->globalPosition().toPoint()))
            setAttribute(Qt::WA_NoMouseReplay);
    }
    QWidget::mousePressEvent(event);
}

void PopoverBubble::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    emit closed();
}
