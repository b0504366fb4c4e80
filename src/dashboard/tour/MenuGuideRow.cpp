#include "dashboard/tour/MenuGuideRow.h"

#include "dashboard/tour/TourCardFrame.h"
#include "dashboard/tour/TourPaint.h"
#include "widgets/Animations.h"
#include "widgets/Fonts.h"
#include "widgets/RepeatingLoop.h"
#include "widgets/SpriteCache.h"
#include "widgets/SymbolIcon.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimeLine>

#include <cmath>
#include <functional>

namespace {
constexpr qreal kPadH = 8;
constexpr qreal kPadV = 6;
constexpr qreal kIconWidth = 20;
constexpr qreal kIconTop = 2;
constexpr qreal kIconPoints = 14;
constexpr qreal kGap = 10;
constexpr qreal kLineGap = 2;
constexpr qreal kRadius = 6;
constexpr qreal kGlow = 2;
// Room around the row for its highlight scale and glow.
constexpr int kMarginH = 9;
constexpr int kMarginV = 2;
constexpr int kBreathMs = 600;
constexpr int kSpringMs = 300;
// The highlighted plate: the card's colour under white at 0.06.
const QColor kPlateTint(255, 255, 255, 15);
} // namespace

MenuGuideRow::MenuGuideRow(const QString& icon, const UiColor& color, const QString& title, const QString& desc,
                           bool isHighlighted, AppTheme theme, QWidget* parent)
    : QWidget(parent), m_icon(icon), m_color(color), m_title(title), m_desc(desc), m_isHighlighted(isHighlighted),
      m_theme(theme), m_rowScale(isHighlighted ? kHighlightScale : 1.0), m_pulse(new RepeatingLoop(kBreathMs, true, this)),
      m_spring(new QTimeLine(kSpringMs, this)), m_titleFont(Fonts::system(11, QFont::Bold)), m_descFont(Fonts::system(10))
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    // On the slow animations' beat, with the symbol's breath.
    m_spring->setUpdateInterval(RepeatingLoop::kFrameMs);
    QEasingCurve spring(QEasingCurve::OutBack);
    spring.setOvershoot(0.8);
    m_spring->setEasingCurve(spring);
    connect(m_spring, &QTimeLine::valueChanged, this, [this](qreal v) {
        m_rowScale = m_springFrom + (m_springTo - m_springFrom) * v;
        update();
    });
    // A breath repaints the symbol only.
    connect(m_pulse, &RepeatingLoop::frame, this, [this] { TourPaint::repaintFrame(this, iconBounds()); });
    m_pulse->setOn(isHighlighted);
}

void MenuGuideRow::setHighlighted(bool highlighted)
{
    if (highlighted == m_isHighlighted)
        return;
    m_isHighlighted = highlighted;
    m_pulse->setOn(highlighted);
    const double target = highlighted ? kHighlightScale : 1.0;
    m_spring->stop();
    if (isVisible() && Animations::enabled()) {
        m_springFrom = m_rowScale;
        m_springTo = target;
        m_spring->start();
    } else {
        m_rowScale = target;
    }
    update();
}

bool MenuGuideRow::isPulsing() const { return m_pulse->isTicking(); }

double MenuGuideRow::iconScale() const
{
    return m_isHighlighted ? TourPaint::mix(kPulseLow, kPulseHigh, m_pulse->value()) : 1.0;
}

QRect MenuGuideRow::iconBounds() const
{
    // The symbol at its largest breath inside the row at its highlight scale.
    const qreal side = SymbolIcon::pixelSizeFor(kIconPoints) * kPulseHigh;
    const QRectF row = box();
    const QPointF centre(row.left() + kPadH + kIconWidth / 2, row.top() + kPadV + kIconTop + side / kPulseHigh / 2);
    const QPointF scaled = row.center() + (centre - row.center()) * kHighlightScale;
    const qreal half = side * kHighlightScale / 2 + 2;
    return QRectF(scaled.x() - half, scaled.y() - half, 2 * half, 2 * half).toAlignedRect();
}

qreal MenuGuideRow::descHeight(qreal textWidth) const
{
    if (qFuzzyCompare(textWidth, m_descWidth))
        return m_descHeight;
    m_descWidth = textWidth;
    const QFontMetricsF metrics(m_descFont);
    const QRectF needed =
        metrics.boundingRect(QRectF(0, 0, qMax<qreal>(textWidth, 1), 1e6), Qt::TextWordWrap, m_desc);
    m_descHeight = qMin(needed.height(), 2 * metrics.lineSpacing());
    return m_descHeight;
}

int MenuGuideRow::heightForWidth(int width) const
{
    const qreal textWidth = width - 2 * kMarginH - 2 * kPadH - kIconWidth - kGap;
    const qreal text = QFontMetricsF(m_titleFont).height() + kLineGap + descHeight(textWidth);
    const qreal icon = kIconTop + SymbolIcon::pixelSizeFor(kIconPoints);
    return int(std::ceil(qMax(text, icon) + 2 * kPadV)) + 2 * kMarginV;
}

QSize MenuGuideRow::sizeHint() const { return {400, heightForWidth(400)}; }

QSize MenuGuideRow::minimumSizeHint() const { return {200, heightForWidth(400)}; }

QRectF MenuGuideRow::box() const { return QRectF(rect()).adjusted(kMarginH, kMarginV, -kMarginH, -kMarginV); }

void MenuGuideRow::paintSettledIcon(QPainter& p, const QColor& color) const
{
    const QRect bounds = iconBounds();
    const double scale = iconScale();
    const QString key = QStringLiteral("guide-icon|%1|%2|%3|%4,%5")
                            .arg(m_icon)
                            .arg(color.rgba())
                            .arg(qRound(scale * 1000))
                            .arg(width())
                            .arg(height());
    SpriteCache::draw(p, bounds, key, [&](QPainter& sprite) {
        sprite.translate(-bounds.topLeft());
        const QRectF row = box();
        TourPaint::scaleAbout(sprite, row, kHighlightScale);
        const qreal side = SymbolIcon::pixelSizeFor(kIconPoints);
        const QRectF iconBox(row.left() + kPadH, row.top() + kPadV + kIconTop, kIconWidth, side);
        TourPaint::scaleAbout(sprite, iconBox, scale);
        SymbolIcon::paint(sprite, iconBox, m_icon, color, side);
    });
}

void MenuGuideRow::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const bool settled = m_isHighlighted && m_spring->state() != QTimeLine::Running &&
                         qFuzzyCompare(m_rowScale, kHighlightScale);
    if (settled && iconBounds().contains(event->rect())) {
        // A breath repaints the symbol alone, well inside the plate: plain
        // fills give the plate's pixels there.
        p.fillRect(event->rect(), TourCardFrame::background());
        p.fillRect(event->rect(), kPlateTint);
        paintSettledIcon(p, m_color.resolve(this));
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF row = box();
    TourPaint::scaleAbout(p, row, m_rowScale);
    const QColor color = m_color.resolve(this);
    if (m_isHighlighted) {
        const QString key = QStringLiteral("guide-plate|") + QString::number(color.rgba()) + u'|' +
                            QString::number(width()) + u',' + QString::number(height());
        paintAtRest(p, row.adjusted(-kGlow - 1, -kGlow - 1, kGlow + 1, kGlow + 1), key, [&](QPainter& plate) {
            QPainterPath shape;
            shape.addRoundedRect(row, kRadius, kRadius);
            QColor glow = color;
            glow.setAlphaF(0.3 * glow.alphaF());
            TourPaint::glow(plate, row, kRadius, glow, kGlow);
            plate.fillPath(shape, TourCardFrame::background());
            plate.fillPath(shape, kPlateTint);
            QColor outline = color;
            outline.setAlphaF(0.6 * outline.alphaF());
            plate.setPen(QPen(outline, 1));
            plate.drawPath(shape);
        });
    }

    const qreal side = SymbolIcon::pixelSizeFor(kIconPoints);
    const QRectF iconBox(row.left() + kPadH, row.top() + kPadV + kIconTop, kIconWidth, side);
    QColor iconColor = color;
    if (!m_isHighlighted)
        iconColor.setAlphaF(0.6 * iconColor.alphaF());
    if (settled) {
        p.save();
        p.resetTransform();
        paintSettledIcon(p, iconColor);
        p.restore();
    } else {
        p.save();
        TourPaint::scaleAbout(p, iconBox, iconScale());
        SymbolIcon::paint(p, iconBox, m_icon, iconColor, side);
        p.restore();
    }

    const qreal x = iconBox.right() + kGap;
    const qreal textWidth = row.right() - kPadH - x;
    // A breath repaints the symbol alone; the texts stay as they are.
    const QRectF textArea = p.transform().mapRect(QRectF(x, row.top(), textWidth, row.height()));
    if (!event->rect().intersects(textArea.toAlignedRect()))
        return;
    paintTexts(p, QRectF(x, row.top(), textWidth, row.height()));
}

void MenuGuideRow::paintTexts(QPainter& p, const QRectF& area) const
{
    // Wrapped text is shaped afresh at every drawText.
    const QString key = QStringLiteral("guide-text|") + m_title + u'|' + m_desc + u'|' +
                        QString::number(int(m_isHighlighted)) + u'|' + QString::number(width()) + u',' +
                        QString::number(height());
    paintAtRest(p, area, key, [&](QPainter& texts) { drawTexts(texts, area); });
}

void MenuGuideRow::paintAtRest(QPainter& p, const QRectF& area, const QString& key,
                               const std::function<void(QPainter&)>& draw) const
{
    // Drawn once where the row comes to rest and copied from there: as it is
    // once the row rests, scaled by the few hundredths still to go while its
    // spring runs.
    const qreal rest = m_isHighlighted ? kHighlightScale : 1.0;
    QTransform atRest;
    const QPointF centre = box().center();
    atRest.translate(centre.x(), centre.y());
    atRest.scale(rest, rest);
    atRest.translate(-centre.x(), -centre.y());
    const QRect target = atRest.mapRect(area).toAlignedRect();
    const QPixmap sprite = SpriteCache::sprite(target.size(), devicePixelRatioF(), key, [&](QPainter& s) {
        s.setRenderHints(p.renderHints());
        s.translate(-target.topLeft());
        s.setTransform(atRest, true);
        draw(s);
    });
    p.save();
    if (qFuzzyCompare(m_rowScale, rest)) {
        p.resetTransform();
        p.drawPixmap(target.topLeft(), sprite);
    } else {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(atRest.inverted().mapRect(QRectF(target)), sprite, QRectF(sprite.rect()));
    }
    p.restore();
}

void MenuGuideRow::drawTexts(QPainter& p, const QRectF& area) const
{
    const qreal titleHeight = QFontMetricsF(m_titleFont).height();
    p.setFont(m_titleFont);
    p.setPen(m_isHighlighted ? QColor(Qt::white) : QColor(255, 255, 255, 178));
    p.drawText(QRectF(area.left(), area.top() + kPadV, area.width(), titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
               m_title);
    QColor descColor = systemColor(SystemColor::secondary, ColorScheme::dark);
    if (!m_isHighlighted)
        descColor.setAlphaF(0.6 * descColor.alphaF());
    p.setFont(m_descFont);
    p.setPen(descColor);
    const QRectF descBox(area.left(), area.top() + kPadV + titleHeight + kLineGap, area.width(),
                         descHeight(area.width()));
    p.save();
    p.setClipRect(descBox);
    p.drawText(descBox, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_desc);
    p.restore();
}

void MenuGuideRow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_pulse->setShown(true);
}

void MenuGuideRow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_pulse->setShown(false);
    // A spring under way ends where it was going.
    if (m_spring->state() == QTimeLine::Running) {
        m_spring->stop();
        m_rowScale = m_isHighlighted ? kHighlightScale : 1.0;
    }
}
