#include "dashboard/tour/TourDetailLine.h"

#include "dashboard/tour/TourPaint.h"
#include "theme/SystemColor.h"
#include "widgets/Animations.h"
#include "widgets/Fonts.h"
#include "widgets/RepeatingLoop.h"
#include "widgets/SymbolIcon.h"

#include <QPainter>
#include <QTimeLine>

namespace {
constexpr qreal kIconPoints = 10;
constexpr qreal kGap = 6;
// Wide enough for the longest of the three lines.
const QString kWidest = QStringLiteral("Creative Max (Nice priority -10)");
} // namespace

TourDetailLine::TourDetailLine(const QString& text, QWidget* parent)
    : QWidget(parent), m_text(text), m_fade(new QTimeLine(kFadeMs, this))
{
    setFont(Fonts::system(10, QFont::Bold, FontDesign::monospaced));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_fade->setUpdateInterval(RepeatingLoop::kFrameMs);
    m_fade->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_fade, &QTimeLine::valueChanged, this, [this](qreal v) {
        m_progress = v;
        TourPaint::repaintFrame(this);
    });
}

void TourDetailLine::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_leaving = m_text;
    m_text = text;
    m_fade->stop();
    const int ms = isVisible() ? Animations::duration(kFadeMs) : 0;
    if (ms == 0) {
        m_progress = 1.0;
    } else {
        m_fade->setDuration(ms);
        m_progress = 0.0;
        m_fade->start();
    }
    update();
}

bool TourDetailLine::isFading() const { return m_fade->state() == QTimeLine::Running; }

QSize TourDetailLine::sizeHint() const
{
    const QFontMetricsF metrics(font());
    const qreal side = SymbolIcon::pixelSizeFor(kIconPoints);
    return QSizeF(side + kGap + metrics.horizontalAdvance(kWidest) + 4, qMax(side, metrics.height())).toSize();
}

void TourDetailLine::paintLine(QPainter& p, const QString& text, qreal opacity)
{
    if (opacity <= 0 || text.isEmpty())
        return;
    p.setOpacity(opacity);
    const QFontMetricsF metrics(font());
    const qreal side = SymbolIcon::pixelSizeFor(kIconPoints);
    const qreal width = side + kGap + metrics.horizontalAdvance(text);
    const qreal x = (this->width() - width) / 2;
    SymbolIcon::paint(p, QRectF(x, (height() - side) / 2, side, side), QStringLiteral("slider.horizontal.3"),
                      systemColor(SystemColor::orange, ColorScheme::dark), side);
    p.setPen(Qt::white);
    p.setFont(font());
    p.drawText(QRectF(x + side + kGap, 0, width, height()), Qt::AlignLeft | Qt::AlignVCenter, text);
}

void TourDetailLine::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    paintLine(p, m_leaving, 1.0 - m_progress);
    paintLine(p, m_text, m_progress);
}

void TourDetailLine::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (isFading()) {
        m_fade->stop();
        m_progress = 1.0;
    }
}
