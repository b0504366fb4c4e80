#include "widgets/TabBarButton.h"

#include "core/SettingsStore.h"
#include "widgets/Animations.h"
#include "widgets/HoverLook.h"
#include "widgets/RepeatingLoop.h"
#include "widgets/SpriteCache.h"
#include "widgets/SymbolIcon.h"
#include "widgets/TabSelection.h"

#include <QEasingCurve>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimeLine>

#include <cmath>

namespace {

constexpr qreal kRadius = 8;
constexpr qreal kSymbolPoints = 16;
constexpr int kSelectMs = 300;       // the spring's response
constexpr int kBreathMs = 800;       // one way; the breath reverses
constexpr qreal kRestScale = 0.95;
constexpr qreal kPulseScale = 1.08;
constexpr qreal kGlowRadius = 4;

QColor mix(const QColor& from, const QColor& to, qreal amount)
{
    const auto lerp = [amount](float a, float b) { return a + (b - a) * float(amount); };
    return QColor::fromRgbF(lerp(from.redF(), to.redF()), lerp(from.greenF(), to.greenF()),
                            lerp(from.blueF(), to.blueF()), lerp(from.alphaF(), to.alphaF()));
}

QPainterPath outline(const QRectF& box, qreal scale)
{
    const QPointF centre = box.center();
    const QSizeF size = box.size() * scale;
    QPainterPath path;
    path.addRoundedRect(QRectF(centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(),
                               size.height()),
                        kRadius * scale, kRadius * scale);
    return path;
}

} // namespace

// The tour's outline and glow around a button. It lives beside the button
// in the button's parent and lies over it, a little larger: the outline
// grows past the button's edge and glows beyond it, where the button's own
// painting would be clipped.
class TourHalo final : public QWidget {
public:
    static constexpr int kBleed = 8;

    TourHalo(TabBarButton* button, QWidget* parent) : QWidget(parent), m_button(button)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

    void follow()
    {
        setGeometry(m_button->geometry().adjusted(-kBleed, -kBleed, kBleed, kBleed));
        setVisible(m_button->isVisible() && m_button->isHighlightedInTour());
        raise();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QColor color = m_button->color().resolve(m_button);
        const qreal scale = m_button->displayedScale();
        const qreal lineWidth = m_button->overlayLineWidth();
        // A breath passes through a few scales: each is drawn once, then copied.
        const QString key =
            QStringLiteral("tab-halo|%1|%2|%3").arg(color.rgba()).arg(qRound(scale * 1000)).arg(lineWidth);
        SpriteCache::draw(painter, rect(), key, [&](QPainter& sprite) {
            sprite.setRenderHint(QPainter::Antialiasing);
            const QRectF body = QRectF(rect()).adjusted(kBleed, kBleed, -kBleed, -kBleed);
            const QPainterPath path = outline(body, scale);
            // A soft glow: the outline widened in faint steps, then the stroke.
            sprite.setBrush(Qt::NoBrush);
            for (int step = int(kGlowRadius); step >= 1; --step) {
                QColor glow = color;
                glow.setAlphaF(0.8f * 0.2f * float(kGlowRadius - step + 1) / float(kGlowRadius));
                sprite.setPen(QPen(glow, 2 + 2 * step, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                sprite.drawPath(path);
            }
            sprite.setPen(QPen(color, lineWidth));
            sprite.drawPath(path);
        });
    }

private:
    TabBarButton* m_button;
};

TabBarButton::TabBarButton(const QString& icon, int index, TabSelection* selectedTab, const UiColor& color,
                           QWidget* parent, SettingsStore* settings)
    : QAbstractButton(parent), m_icon(icon), m_index(index), m_selection(selectedTab), m_color(color),
      m_settings(settings), m_selectAnimation(new QTimeLine(kSelectMs, this)),
      m_pulse(new RepeatingLoop(kBreathMs, true, this))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setAccessibleName(icon);

    m_selectedAmount = isSelected() ? 1.0 : 0.0;
    // On the slow animations' beat: while the tour switches tabs, the fades
    // repaint with the outline's breath.
    m_selectAnimation->setUpdateInterval(RepeatingLoop::kFrameMs);
    m_selectAnimation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_selectAnimation, &QTimeLine::valueChanged, this, [this](qreal value) {
        m_selectedAmount = m_selectFrom + (m_selectTo - m_selectFrom) * value;
        update();
    });

    connect(m_pulse, &RepeatingLoop::frame, this, [this] {
        if (m_halo)
            m_halo->update();
    });

    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_selection)
            m_selection->setValue(m_index);
    });
    if (m_selection)
        connect(m_selection, &TabSelection::valueChanged, this, &TabBarButton::selectionChanged);
    if (m_settings) {
        connect(m_settings, &SettingsStore::changed, this, [this](const QString& key) {
            if (key == QLatin1String(SettingsStore::kOnboardingTourStep))
                tourStepChanged();
            else if (key == QLatin1String(SettingsStore::kShowOnboardingTour))
                tourStepChanged(); // a hidden tour ends the breathing too
        });
    }
    refreshHalo();
}

TabBarButton::~TabBarButton() { delete m_halo; }

bool TabBarButton::isSelected() const { return m_selection && m_selection->value() == m_index; }

bool TabBarButton::tourAtTabBar() const
{
    return m_settings && m_settings->showOnboardingTour() && m_settings->onboardingTourStep() == kTourStep;
}

bool TabBarButton::isHighlightedInTour() const { return tourAtTabBar() && isSelected(); }

qreal TabBarButton::overlayScale() const
{
    if (!isHighlightedInTour())
        return 1.0;
    return m_pulsate ? kPulseScale : kRestScale;
}

qreal TabBarButton::displayedScale() const
{
    if (!m_pulsate || !isHighlightedInTour())
        return overlayScale();
    // Out and back, easing at both turns; at rest at the far end when
    // animations are off.
    return kRestScale + (kPulseScale - kRestScale) * m_pulse->value();
}

void TabBarButton::selectionChanged(int value)
{
    const qreal target = value == m_index ? 1.0 : 0.0;
    m_selectAnimation->stop();
    const int duration = Animations::duration(kSelectMs);
    if (duration <= 0 || !isVisible()) {
        m_selectedAmount = target;
    } else {
        m_selectAnimation->setDuration(duration);
        m_selectFrom = m_selectedAmount;
        m_selectTo = target;
        m_selectAnimation->start();
    }
    refreshPulse(tourAtTabBar() && value == m_index);
    refreshHalo();
    update();
}

void TabBarButton::tourStepChanged()
{
    refreshPulse(isHighlightedInTour());
    refreshHalo();
}

void TabBarButton::refreshPulse(bool highlighted)
{
    if (highlighted)
        startPulse();
    else
        stopPulse();
}

void TabBarButton::startPulse()
{
    m_pulsate = true;
    m_pulse->setOn(true);
    refreshHalo();
}

void TabBarButton::stopPulse()
{
    m_pulsate = false;
    m_pulse->setOn(false);
    refreshHalo();
}

void TabBarButton::refreshHalo()
{
    if (!m_halo && parentWidget() && isHighlightedInTour())
        m_halo = new TourHalo(this, parentWidget());
    if (m_halo)
        m_halo->follow();
}

bool TabBarButton::event(QEvent* event)
{
    const bool handled = QAbstractButton::event(event);
    switch (event->type()) {
    case QEvent::ParentChange:
        delete m_halo; // it belongs beside us, in the new parent
        m_halo = nullptr;
        refreshHalo();
        break;
    case QEvent::Hide:
        // No breathing behind a closed popover.
        m_pulse->setShown(false);
        refreshHalo();
        break;
    case QEvent::Show:
        m_pulse->setShown(true);
        refreshHalo();
        break;
    case QEvent::Move:
    case QEvent::Resize:
        refreshHalo();
        break;
    default:
        break;
    }
    return handled;
}

void TabBarButton::showEvent(QShowEvent* event)
{
    QAbstractButton::showEvent(event);
    if (isHighlightedInTour() && !m_pulsate)
        startPulse();
}

void TabBarButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = m_color.resolve(this);
    const QRectF box(rect());

    QColor plate = color;
    plate.setAlphaF(0.2f * float(m_selectedAmount));
    if (showsHoverLook(this) && m_selectedAmount < 1) {
        // Unselected buttons answer the pointer with a faint plate of their own.
        const QColor hover = UiColor(SystemColor::white).opacity(0.06).resolve(this);
        plate = mix(hover, plate, m_selectedAmount);
    }
    QPainterPath path;
    path.addRoundedRect(box, kRadius, kRadius);
    painter.fillPath(path, plate);

    const QColor idle = UiColor(SystemColor::secondary).opacity(0.5).resolve(this);
    QColor tint = mix(idle, color, m_selectedAmount);
    if (isDown())
        tint.setAlphaF(tint.alphaF() * 0.6f);
    SymbolIcon::paint(painter, box, m_icon, tint, SymbolIcon::pixelSizeFor(kSymbolPoints));
}
