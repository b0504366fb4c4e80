#include "dashboard/tour/TourLogo.h"

#include "dashboard/tour/TourPaint.h"
#include "widgets/RepeatingLoop.h"
#include "widgets/SpriteCache.h"
#include "widgets/SymbolIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr qreal kPicture = 42;
constexpr qreal kPictureRadius = 10;
constexpr qreal kSymbolPoints = 34;
constexpr int kBreathMs = 1200;
} // namespace

TourLogo::TourLogo(const QImage& logo, AppTheme theme, QWidget* parent)
    : QWidget(parent), m_logo(logo), m_theme(theme), m_breath(new RepeatingLoop(kBreathMs, true, this))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_breath, &RepeatingLoop::frame, this, [this] { emit breath(1.0 + (kMaxScale - 1.0) * m_breath->value()); });
}

bool TourLogo::isBreathing() const { return m_breath->isTicking(); }

void TourLogo::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_breath->setShown(true);
    m_breath->setOn(true);
}

void TourLogo::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_breath->setShown(false);
}

void TourLogo::setTheme(AppTheme theme)
{
    if (theme == m_theme)
        return;
    m_theme = theme;
    m_picture = QPixmap();
    update();
}

void TourLogo::setScale(double scale)
{
    if (qFuzzyCompare(scale, m_scale))
        return;
    m_scale = scale;
    TourPaint::repaintFrame(this);
}

QSize TourLogo::sizeHint() const
{
    const int side = int(std::ceil(kDisc * kMaxScale)) + 2;
    return {side, side};
}

const QPixmap& TourLogo::picture()
{
    // Drawn at the largest scale the breath reaches, so it stays sharp.
    const qreal dpr = devicePixelRatioF() * kMaxScale;
    if (!m_picture.isNull() && qFuzzyCompare(m_picture.devicePixelRatio(), dpr))
        return m_picture;
    if (showsImage()) {
        const QSizeF fitted = QSizeF(m_logo.size()).scaled(QSizeF(kPicture, kPicture), Qt::KeepAspectRatio);
        m_picture = QPixmap((fitted * dpr).toSize());
        m_picture.setDevicePixelRatio(dpr);
        m_picture.fill(Qt::transparent);
        QPainter p(&m_picture);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(QPointF(), fitted), kPictureRadius, kPictureRadius);
        p.setClipPath(clip);
        p.drawImage(QRectF(QPointF(), fitted), m_logo);
        return m_picture;
    }
    // The symbol filled with the theme's two colours, corner to corner.
    const qreal side = SymbolIcon::pixelSizeFor(kSymbolPoints);
    m_picture = SymbolIcon::pixmap(QStringLiteral("bolt.shield.fill"), Qt::white, int(std::ceil(side)), dpr);
    QPainter tint(&m_picture);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    const QRectF area(QPointF(), QSizeF(m_picture.size()) / dpr);
    QLinearGradient gradient(area.topLeft(), area.bottomRight());
    gradient.setColorAt(0, m_theme.accentColor().resolve(ColorScheme::dark));
    gradient.setColorAt(1, m_theme.secondaryAccent().resolve(ColorScheme::dark));
    tint.fillRect(area, gradient);
    return m_picture;
}

void TourLogo::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // A breath passes through a dozen scales, each drawn once and then copied.
    const QColor disc = m_theme.accentColor().opacity(0.1).resolve(ColorScheme::dark);
    const QString key = QStringLiteral("tour-logo|%1|%2|%3|%4")
                            .arg(m_logo.cacheKey())
                            .arg(m_theme.accentColor().resolve(ColorScheme::dark).rgba())
                            .arg(m_theme.secondaryAccent().resolve(ColorScheme::dark).rgba())
                            .arg(qRound(m_scale * 1000));
    SpriteCache::draw(p, rect(), key, [&](QPainter& sprite) {
        sprite.setRenderHint(QPainter::Antialiasing);
        sprite.setRenderHint(QPainter::SmoothPixmapTransform);
        QRectF box(0, 0, kDisc, kDisc);
        box.moveCenter(QRectF(rect()).center());
        TourPaint::scaleAbout(sprite, box, m_scale);
        sprite.setPen(Qt::NoPen);
        sprite.setBrush(disc);
        sprite.drawEllipse(box);
        const QPixmap& pixmap = picture();
        QRectF target(QPointF(), QSizeF(pixmap.size()) / pixmap.devicePixelRatio());
        target.moveCenter(box.center());
        sprite.drawPixmap(target, pixmap, QRectF(pixmap.rect()));
    });
}
