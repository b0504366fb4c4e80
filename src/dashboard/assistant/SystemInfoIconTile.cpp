#include "dashboard/assistant/SystemInfoIconTile.h"

#include "widgets/SymbolIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kSide = 80;
constexpr qreal kSymbolSize = 40;

QLinearGradient diagonal(const QRectF& box, const QColor& from, const QColor& to)
{
    QLinearGradient gradient(box.topLeft(), box.bottomRight());
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

} // namespace

SystemInfoIconTile::SystemInfoIconTile(const QString& symbol, const UiColor& accent, const UiColor& second,
                                       QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_accent(accent), m_second(second)
{
    setFixedSize(kSide, kSide);
}

void SystemInfoIconTile::setSymbol(const QString& symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

void SystemInfoIconTile::setColors(const UiColor& accent, const UiColor& second)
{
    m_accent = accent;
    m_second = second;
    update();
}

void SystemInfoIconTile::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    QPainterPath tile;
    tile.addRoundedRect(box, 16, 16);
    painter.fillPath(tile, diagonal(box, m_accent.opacity(0.15).resolve(this), m_second.opacity(0.05).resolve(this)));

    // The symbol as a mask, filled with the full-strength gradient.
    const qreal ratio = devicePixelRatioF();
    const int side = int(SymbolIcon::pixelSizeFor(kSymbolSize));
    QPixmap glyph = SymbolIcon::pixmap(m_symbol, Qt::white, side, ratio);
    {
        QPainter tint(&glyph);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        const QRectF area(0, 0, side, side);
        tint.fillRect(area, diagonal(area, m_accent.resolve(this), m_second.resolve(this)));
    }
    painter.drawPixmap(QPointF((kSide - side) / 2.0, (kSide - side) / 2.0), glyph);
}
