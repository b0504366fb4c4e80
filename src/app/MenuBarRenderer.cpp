#include "app/MenuBarRenderer.h"

#include "app/MenuBarView.h"
#include "widgets/FontDesign.h"
#include "widgets/Fonts.h"
#include "widgets/RingChart.h"
#include "widgets/SparklineGeometry.h"
#include "widgets/SymbolIcon.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>

namespace {

constexpr qreal kRingSide = 14;
constexpr qreal kRingLine = 3;
constexpr QSizeF kHistorySize{20, 14};
constexpr qreal kBatteryGap = 2;

QFont cpuFont() { return Fonts::system(9, QFont::Bold, FontDesign::monospaced); }
QFont temperatureFont() { return Fonts::system(8, QFont::Normal, FontDesign::monospaced); }
QFont batteryFont() { return Fonts::system(9, QFont::Medium, FontDesign::monospaced); }
qreal batteryIconSize() { return SymbolIcon::pixelSizeFor(8); }

qreal lineHeight(const QFont& font)
{
    const QFontMetricsF metrics(font);
    return metrics.ascent() + metrics.descent();
}

// Widths of the four items, left to right.
struct Items {
    qreal figures;
    qreal battery;

    explicit Items(const MenuBarView& view)
    {
        figures = std::max(QFontMetricsF(cpuFont()).horizontalAdvance(view.cpuText()),
                           QFontMetricsF(temperatureFont()).horizontalAdvance(view.temperatureText()));
        battery = batteryIconSize() + kBatteryGap + QFontMetricsF(batteryFont()).horizontalAdvance(view.batteryText());
    }

    qreal width(qreal spacing, qreal padding) const
    {
        return 2 * padding + kRingSide + figures + kHistorySize.width() + battery + 3 * spacing;
    }
};

void drawText(QPainter& painter, qreal x, qreal top, const QFont& font, const QString& text, const QColor& color)
{
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QPointF(x, top + QFontMetricsF(font).ascent()), text);
}

} // namespace

qreal MenuBarRenderer::naturalWidth(const MenuBarView& view) { return Items(view).width(8, 4); }

void MenuBarRenderer::paintLabel(QPainter& painter, const QRectF& area, const MenuBarView& view, ColorScheme scheme)
{
    const Items items(view);
    // Close up the spacing before shrinking anything.
    qreal spacing = 8;
    qreal padding = 4;
    if (items.width(spacing, padding) > area.width()) {
        spacing = 3;
        padding = 2;
    }
    const qreal width = items.width(spacing, padding);
    const qreal scale = std::min<qreal>(1.0, area.width() / width);
    const qreal height = area.height() / scale;
    const qreal middle = height / 2;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.translate(area.topLeft() + QPointF((area.width() - width * scale) / 2, 0));
    painter.scale(scale, scale);

    qreal x = padding;
    // 1. CPU ring
    const qreal inset = kRingLine / 2;
    const QRectF ring(x + inset, middle - kRingSide / 2 + inset, kRingSide - kRingLine, kRingSide - kRingLine);
    RingChart::paintRing(painter, ring, view.ringFraction(), view.ringColor().resolve(scheme),
                         view.ringTrackColor().resolve(scheme), kRingLine);
    x += kRingSide + spacing;

    // 2. CPU and temperature texts, stacked without a gap
    const qreal cpuHeight = lineHeight(cpuFont());
    const qreal stackTop = middle - (cpuHeight + lineHeight(temperatureFont())) / 2;
    drawText(painter, x, stackTop, cpuFont(), view.cpuText(), UiColor(SystemColor::primary).resolve(scheme));
    drawText(painter, x, stackTop + cpuHeight, temperatureFont(), view.temperatureText(),
             view.temperatureColor().resolve(scheme));
    x += items.figures + spacing;

    // 3. CPU history
    const QPointF historyOrigin(x, middle - kHistorySize.height() / 2);
    const QPainterPath line = SparklineGeometry::path(view.history(), kHistorySize, historyOrigin);
    if (!line.isEmpty()) {
        painter.save();
        painter.setClipRect(QRectF(historyOrigin, kHistorySize).adjusted(-1, -1, 1, 1));
        painter.setPen(QPen(view.historyColor().resolve(scheme), 1.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(line);
        painter.restore();
    }
    x += kHistorySize.width() + spacing;

    // 4. Battery symbol and charge
    const qreal iconSize = batteryIconSize();
    SymbolIcon::paint(painter, QRectF(x, middle - iconSize / 2, iconSize, iconSize), view.batterySymbol(),
                      view.batteryColor().resolve(scheme), iconSize);
    x += iconSize + kBatteryGap;
    drawText(painter, x, middle - lineHeight(batteryFont()) / 2, batteryFont(), view.batteryText(),
             UiColor(SystemColor::primary).resolve(scheme));
    painter.restore();
}

void MenuBarRenderer::paintCompact(QPainter& painter, const QRectF& area, const MenuBarView& view, ColorScheme scheme)
{
    const qreal side = std::min(area.width(), area.height());
    const QRectF square(area.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // A translucent disc of the scheme's window colour keeps the ring
    // readable whatever the panel's own colour is.
    QColor disc = UiColor(SystemColor::windowBackground).resolve(scheme);
    disc.setAlphaF(0.45f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(disc);
    painter.drawEllipse(square);

    const qreal lineWidth = std::max<qreal>(2, side / 8);
    const qreal inset = lineWidth / 2 + side / 32;
    const QRectF ring = square.adjusted(inset, inset, -inset, -inset);
    RingChart::paintRing(painter, ring, view.ringFraction(), view.ringColor().resolve(scheme),
                         UiColor(SystemColor::primary).opacity(0.25).resolve(scheme), lineWidth);

    // The load without its percent sign: three digits must fit inside.
    QString figure = view.cpuText();
    figure.chop(1);
    QFont font = Fonts::system(side * 0.4, QFont::Bold, FontDesign::monospaced);
    const qreal room = ring.width() - lineWidth - 1;
    const qreal advance = QFontMetricsF(font).horizontalAdvance(figure);
    if (advance > room)
        font.setPixelSize(std::max(1, int(font.pixelSize() * room / advance)));
    painter.setFont(font);
    QColor text = UiColor(SystemColor::primary).resolve(scheme);
    text.setAlpha(255);
    painter.setPen(text);
    painter.drawText(square, Qt::AlignCenter, figure);
    painter.restore();
}

QPixmap MenuBarRenderer::label(const MenuBarView& view, ColorScheme scheme, qreal devicePixelRatio)
{
    QPixmap pixmap(kLabelSize * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paintLabel(painter, QRectF(QPointF(0, 0), QSizeF(kLabelSize)), view, scheme);
    return pixmap;
}

QPixmap MenuBarRenderer::compact(const MenuBarView& view, ColorScheme scheme, int side, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(side, side) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paintCompact(painter, QRectF(0, 0, side, side), view, scheme);
    return pixmap;
}

ColorScheme MenuBarRenderer::trayScheme()
{
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128 ? ColorScheme::dark
                                                                                : ColorScheme::light;
}
