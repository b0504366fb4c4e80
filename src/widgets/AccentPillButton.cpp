#include "widgets/AccentPillButton.h"

#include "widgets/HoverLook.h"
#include "widgets/SymbolIcon.h"
#include "theme/InkOnFill.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr int kGap = 4;
}

AccentPillButton::AccentPillButton(const QString& symbol, const QString& text, const UiColor& color, Style style,
                                   QWidget* parent)
    : QAbstractButton(parent), m_symbol(symbol), m_color(color), m_style(style)
{
    setText(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

void AccentPillButton::setColor(const UiColor& color)
{
    m_color = color;
    update();
}

void AccentPillButton::setSymbol(const QString& symbol)
{
    m_symbol = symbol;
    updateGeometry();
    update();
}

void AccentPillButton::setPadding(int horizontal, int vertical)
{
    m_padH = horizontal;
    m_padV = vertical;
    updateGeometry();
}

void AccentPillButton::setCornerRadius(qreal radius)
{
    m_radius = radius;
    update();
}

qreal AccentPillButton::symbolSide() const
{
    return m_symbol.isEmpty() ? 0 : SymbolIcon::pixelSizeFor(font().pixelSize() > 0 ? font().pixelSize() : 12);
}

QSize AccentPillButton::sizeHint() const
{
    const QFontMetricsF metrics(font());
    qreal width = metrics.horizontalAdvance(text());
    const qreal symbol = symbolSide();
    if (symbol > 0)
        width += symbol + (text().isEmpty() ? 0 : kGap);
    const qreal height = std::max(metrics.height(), symbol);
    return {int(std::ceil(width)) + 2 * m_padH, int(std::ceil(height)) + 2 * m_padV};
}

void AccentPillButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);

    const QColor color = m_color.resolve(this);
    QColor plate = color;
    QColor ink = color;
    const bool hovered = showsHoverLook(this);
    if (m_style == Style::tinted) {
        plate.setAlphaF(color.alphaF() * (isDown() ? 0.3f : hovered ? 0.22f : 0.15f));
    } else {
        ink = inkOnFill(color);
        if (isDown())
            plate = plate.darker(115);
        else if (hovered)
            plate = plate.lighter(110);
    }
    const QRectF box(rect());
    const qreal radius = m_radius < 0 ? box.height() / 2 : m_radius;
    QPainterPath path;
    path.addRoundedRect(box, radius, radius);
    painter.fillPath(path, plate);

    // Centre symbol and text together.
    const QFontMetricsF metrics(font());
    const qreal symbol = symbolSide();
    const qreal textWidth = metrics.horizontalAdvance(text());
    const qreal content = textWidth + (symbol > 0 ? symbol + (text().isEmpty() ? 0 : kGap) : 0);
    qreal x = box.center().x() - content / 2;
    if (symbol > 0) {
        SymbolIcon::paint(painter, QRectF(x, box.center().y() - symbol / 2, symbol, symbol), m_symbol, ink, symbol);
        x += symbol + kGap;
    }
    painter.setPen(ink);
    painter.setFont(font());
    painter.drawText(QRectF(x, box.top(), textWidth + 1, box.height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}
