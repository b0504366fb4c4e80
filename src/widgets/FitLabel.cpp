#include "widgets/FitLabel.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Fonts here are sized in pixels; one set in points shrinks in points.
qreal sizeOf(const QFont& font) { return font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF(); }

void setSizeOf(QFont& font, int size)
{
    if (font.pixelSize() > 0)
        font.setPixelSize(size);
    else
        font.setPointSize(size);
}

} // namespace

FitLabel::FitLabel(const QString& text, const QFont& font, const UiColor& color, qreal floorSize, QWidget* parent)
    : QWidget(parent), m_text(text), m_color(color), m_floor(floorSize)
{
    setFont(font);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    textChanged();
}

void FitLabel::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    textChanged();
}

void FitLabel::setTextColor(const UiColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void FitLabel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

QFont FitLabel::fittedFont() const { return fit().font; }

QString FitLabel::displayedText() const { return fit().shown; }

QRectF FitLabel::textRect() const
{
    const Fit& f = fit();
    const qreal height = f.height;
    const QRectF box = rect();
    qreal x = box.left();
    if (m_alignment & Qt::AlignRight)
        x = box.right() - f.advance;
    else if (m_alignment & Qt::AlignHCenter)
        x = box.left() + (box.width() - f.advance) / 2;
    qreal y = box.top() + (box.height() - height) / 2;
    if (m_alignment & Qt::AlignTop)
        y = box.top();
    else if (m_alignment & Qt::AlignBottom)
        y = box.top() + box.height() - height;
    return {x, y, f.advance, height};
}

QSize FitLabel::sizeHint() const { return m_hint; }

QSize FitLabel::minimumSizeHint() const
{
    // Room for a few characters at the floor; below what the hint asks the
    // figure shrinks rather than pushing its card or window wider.
    QFont floor = font();
    setSizeOf(floor, int(std::ceil(std::min(m_floor, sizeOf(font())))));
    const qreal ellipsis = QFontMetricsF(floor).horizontalAdvance(QStringLiteral("\u2026"));
    return {std::min(m_hint.width(), int(std::ceil(ellipsis * 3))), m_hint.height()};
}

void FitLabel::paintEvent(QPaintEvent*)
{
    const Fit& f = fit();
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(m_color.resolve(this));
    painter.setFont(f.font);
    painter.drawText(textRect(), Qt::AlignCenter | Qt::TextSingleLine, f.shown);
}

void FitLabel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        textChanged();
}

const FitLabel::Fit& FitLabel::fit() const
{
    const int room = width();
    if (room == m_fit.width && m_text == m_fit.text && font() == m_fit.base)
        return m_fit;
    m_fit.text = m_text;
    m_fit.width = room;
    m_fit.base = font();
    QFont fitted = font();
    qreal advance = QFontMetricsF(fitted).horizontalAdvance(m_text);
    if (advance > room && advance > 0) {
        const int base = int(std::lround(sizeOf(fitted)));
        const int floor = std::min(base, int(std::ceil(m_floor)));
        // Start a pixel above the size that scales the text to the room
        // (hinting does not scale evenly), then step down.
        int size = std::clamp(int(std::floor(base * room / advance)) + 1, floor, std::max(floor, base - 1));
        for (;; --size) {
            setSizeOf(fitted, size);
            advance = QFontMetricsF(fitted).horizontalAdvance(m_text);
            if (advance <= room || size <= floor)
                break;
        }
    }
    m_fit.font = fitted;
    m_fit.shown = m_text;
    if (advance > room) {
        const QFontMetricsF metrics(fitted);
        m_fit.shown = metrics.elidedText(m_text, Qt::ElideRight, room);
        advance = metrics.horizontalAdvance(m_fit.shown);
    }
    m_fit.advance = std::min(advance, qreal(room));
    m_fit.height = QFontMetricsF(fitted).height();
    return m_fit;
}

void FitLabel::textChanged()
{
    const QFontMetricsF metrics(font());
    const QSize hint(int(std::ceil(metrics.horizontalAdvance(m_text))), int(std::ceil(metrics.height())));
    // Digits are usually of one width, so a new figure mostly keeps its hint
    // and repaints this label alone.
    if (hint != m_hint) {
        m_hint = hint;
        updateGeometry();
    }
    update();
}
