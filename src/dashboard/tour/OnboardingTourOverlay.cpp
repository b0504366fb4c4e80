#include "dashboard/tour/OnboardingTourOverlay.h"

#include "core/Scheduler.h"
#include "dashboard/SettingsView.h"
#include "dashboard/tour/TourButton.h"
#include "dashboard/tour/TourCardFrame.h"
#include "dashboard/tour/TourPageSlot.h"
#include "dashboard/tour/TourStepDots.h"
#include "dashboard/tour/TourStepPages.h"
#include "widgets/Animations.h"

#include <QGraphicsEffect>
#include <QHBoxLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QTimer>
#include <QVariantAnimation>

#include <cmath>

namespace {

// The card's glow: accent at 0.15, 25 points soft, 12 points down.
constexpr int kShadowRadius = 25;
constexpr int kShadowDrop = 12;
constexpr double kShadowOpacity = 0.15;
constexpr int kShadowLayers = 10;

// A thin white rule, inset with the margins of the layout that holds it.
QWidget* divider()
{
    auto* line = new QWidget;
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette p = line->palette();
    p.setColor(QPalette::Window, QColor(255, 255, 255, 26));
    line->setPalette(p);
    return line;
}

// Springs stand in as an ease-out that overshoots a little.
QEasingCurve spring()
{
    QEasingCurve curve(QEasingCurve::OutBack);
    curve.setOvershoot(0.8);
    return curve;
}

// Lies under the card, beside the overlay, in the dashboard: a sibling that
// paints every pixel of its area keeps the page below out of each repaint
// there, so the page's refreshes under the card cost nothing and no longer
// make the card repaint over them.
class CardCover final : public QWidget {
public:
    explicit CardCover(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter(this).fillRect(event->rect(), TourCardFrame::background());
    }
};

} // namespace

OnboardingTourOverlay::OnboardingTourOverlay(OnboardingTourView::Deps deps, QWidget* parent)
    : QWidget(parent),
      m_tour(new OnboardingTourView(deps, this)),
      m_cardMove(new QVariantAnimation(this)),
      m_backdropFade(new QVariantAnimation(this)),
      m_backdrop(backdropOpacity(m_tour->currentStep()))
{
    m_card = static_cast<TourCardFrame*>(buildCard());

    m_cardMove->setDuration(kCardMs);
    m_cardMove->setEasingCurve(spring());
    connect(m_cardMove, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) { moveCard(v.toRectF()); });
    m_backdropFade->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_backdropFade, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { setBackdrop(v.toDouble()); });
    connect(m_backdropFade, &QVariantAnimation::finished, this, &OnboardingTourOverlay::updateMask);
    connect(m_cardMove, &QVariantAnimation::finished, this, &OnboardingTourOverlay::settleCard);

    connect(m_tour, &OnboardingTourView::currentStepChanged, this, &OnboardingTourOverlay::stepChanged);
    connect(m_tour, &OnboardingTourView::isCycleCompleteChanged, this, &OnboardingTourOverlay::refreshFooter);
    connect(m_tour, &OnboardingTourView::themeChanged, this, &OnboardingTourOverlay::applyTheme);
    connect(m_tour, &OnboardingTourView::showTourChanged, this, [this] {
        if (!m_tour->showTour())
            freeze();
    });
    connect(m_back, &QAbstractButton::clicked, m_tour, &OnboardingTourView::back);
    connect(m_skip, &QAbstractButton::clicked, m_tour, &OnboardingTourView::skip);
    connect(m_primary, &QAbstractButton::clicked, m_tour, &OnboardingTourView::primary);

    m_slot->setPage(TourStepPages::build(m_tour->currentStep(), *m_tour), false);
    applyTheme();
    refreshFooter();
}

OnboardingTourOverlay::~OnboardingTourOverlay()
{
    m_tour->disappear();
    delete m_cover;
}

void OnboardingTourOverlay::install(Scheduler* scheduler)
{
    Scheduler* clock = scheduler ? scheduler : &Scheduler::system();
    SettingsView::setOnboardingOverlayFactory([clock](SettingsView& root) -> QWidget* {
        return new OnboardingTourOverlay(
            {root.settings(), root.notifications(), clock, root.state(), root.themeManager()});
    });
}

QWidget* OnboardingTourOverlay::card() const { return m_card; }

QWidget* OnboardingTourOverlay::buildCard()
{
    auto* card = new TourCardFrame(this);
    auto* column = new QVBoxLayout(card);
    // The overlay alone sizes the card (see cardTarget()).
    column->setSizeConstraint(QLayout::SetNoConstraint);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_dots = new TourStepDots;
    auto* dotsRow = new QHBoxLayout;
    dotsRow->setContentsMargins(30, 24, 30, 0);
    dotsRow->addWidget(m_dots);
    column->addLayout(dotsRow);

    m_slot = new TourPageSlot;
    auto* slotRow = new QHBoxLayout;
    slotRow->setContentsMargins(1, 0, 1, 0); // the card's outline stays visible beside it
    slotRow->addWidget(m_slot);
    column->addLayout(slotRow, 1);

    auto* ruleRow = new QHBoxLayout;
    ruleRow->setContentsMargins(20, 0, 20, 0);
    ruleRow->addWidget(divider());
    column->addLayout(ruleRow);

    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(30, 16, 30, 16);
    footer->setSpacing(8);
    m_back = new TourButton(TourButton::Role::back, QStringLiteral("Back"));
    m_skip = new TourButton(TourButton::Role::skip, QStringLiteral("Skip"));
    m_primary = new TourButton(TourButton::Role::primary, QStringLiteral("Next"));
    footer->addWidget(m_back);
    footer->addWidget(m_skip);
    footer->addStretch(1);
    footer->addWidget(m_primary);
    column->addLayout(footer);
    return card;
}

QSize OnboardingTourOverlay::cardSize(int step) { return step >= 4 ? QSize(460, 340) : QSize(520, 380); }

QPoint OnboardingTourOverlay::cardOffset(int step)
{
    if (step == 4)
        return {240, 140};
    if (step == 5)
        return {-240, 30};
    return {};
}

double OnboardingTourOverlay::backdropOpacity(int step) { return step >= 4 ? 0.0 : 0.75; }

QRect OnboardingTourOverlay::dashboardRect() const { return parentWidget() ? parentWidget()->rect() : rect(); }

QRect OnboardingTourOverlay::cardTarget(int step) const
{
    // A page that needs more room than the card's size (long lines in a
    // wide font) makes the card taller rather than being squeezed.
    QSize size = cardSize(step);
    m_card->layout()->invalidate();
    size.setHeight(qMax(size.height(), m_card->layout()->heightForWidth(size.width())));
    QRect box(QPoint(), size);
    box.moveCenter(dashboardRect().center());
    return box.translated(cardOffset(step));
}

void OnboardingTourOverlay::applyTheme()
{
    const AppTheme theme = m_tour->theme();
    m_dots->setAccent(theme.accentColor());
    m_primary->setTheme(theme);
    update(local(shadowBounds(m_cardRect)));
}

void OnboardingTourOverlay::refreshFooter()
{
    const int step = m_tour->currentStep();
    m_dots->setCurrent(step);
    m_back->setVisible(step >= 1);
    m_skip->setVisible(step < OnboardingTourView::kLastStep);
    m_primary->setText(step == OnboardingTourView::kLastStep ? QStringLiteral("Get Started") : QStringLiteral("Next"));
    m_primary->setEnabled(m_tour->isCycleComplete());
    m_primary->updateGeometry();
}

void OnboardingTourOverlay::stepChanged(int, int newStep)
{
    refreshFooter();
    m_slot->setPage(TourStepPages::build(newStep, *m_tour), true);

    m_cardMove->stop();
    const QRectF to = cardTarget(newStep);
    const int cardMs = isVisible() ? Animations::duration(kCardMs) : 0;
    if (cardMs == 0) {
        moveCard(to);
        // Measured again once the new page has been laid out.
        QTimer::singleShot(0, this, &OnboardingTourOverlay::settleCard);
    } else {
        // The whole overlay repaints while the card travels; clicks pass
        // around it again once it has arrived.
        setClickArea(QRect());
        m_cardMove->setStartValue(m_cardRect);
        m_cardMove->setEndValue(to);
        m_cardMove->start();
    }

    m_backdropFade->stop();
    const double target = backdropOpacity(newStep);
    // A backdrop coming back blocks the dashboard again at once.
    if (target > 0)
        setClickArea(QRect());
    const int fadeMs = isVisible() ? Animations::duration(kBackdropMs) : 0;
    if (fadeMs == 0 || qFuzzyCompare(target + 1, m_backdrop + 1)) {
        setBackdrop(target);
        updateMask();
    } else {
        m_backdropFade->setDuration(fadeMs);
        m_backdropFade->setStartValue(m_backdrop);
        m_backdropFade->setEndValue(target);
        m_backdropFade->start();
    }
}

void OnboardingTourOverlay::freeze()
{
    if (isFrozen())
        return;
    m_cardMove->stop();
    m_backdropFade->stop();
    // Hidden, the card's views stop their loops, springs and slides.
    m_still = m_card->grab();
    m_card->hide();
    syncCover();
    update(m_card->geometry());
}

void OnboardingTourOverlay::settleCard()
{
    // A page's wrapped lines are only certain once it is laid out: the
    // card takes the height they really need.
    if (m_cardMove->state() != QAbstractAnimation::Running) {
        const QRect target = cardTarget(m_tour->currentStep());
        if (target != m_cardRect.toRect())
            moveCard(target);
    }
    updateMask();
}

void OnboardingTourOverlay::moveCard(const QRectF& to)
{
    const QRect before = shadowBounds(m_cardRect);
    m_cardRect = to;
    m_card->setGeometry(local(to.toRect()));
    update(local(before.united(shadowBounds(to))));
    updateMask();
    syncCover();
}

void OnboardingTourOverlay::syncCover()
{
    // Only while the card is drawn whole and opaque: not while the overlay
    // fades in or out through an effect, nor once it is a still picture.
    QWidget* dashboard = parentWidget();
    const bool wanted = dashboard && isVisible() && !graphicsEffect() && !isFrozen();
    if (!wanted) {
        if (m_cover)
            m_cover->hide();
        return;
    }
    if (!m_cover)
        m_cover = new CardCover(dashboard);
    // Inside the rounded corners, where the card's fill is plain.
    const int inset = int(std::ceil(TourCardFrame::kRadius * (1 - M_SQRT1_2))) + 1;
    m_cover->setGeometry(m_cardRect.toAlignedRect().adjusted(inset, inset, -inset, -inset));
    m_cover->stackUnder(this);
    m_cover->show();
}

void OnboardingTourOverlay::setBackdrop(double opacity)
{
    if (qFuzzyCompare(opacity + 1, m_backdrop + 1))
        return;
    m_backdrop = opacity;
    update();
}

QRect OnboardingTourOverlay::shadowBounds(const QRectF& card) const
{
    return card.adjusted(-kShadowRadius, -kShadowRadius + kShadowDrop, kShadowRadius, kShadowRadius + kShadowDrop)
        .toAlignedRect()
        .united(card.toAlignedRect());
}

void OnboardingTourOverlay::updateMask()
{
    // Without a backdrop only the card (and its glow) takes clicks.
    const bool moving = m_cardMove->state() == QAbstractAnimation::Running ||
                        m_backdropFade->state() == QAbstractAnimation::Running;
    if (moving)
        return;
    setClickArea(m_backdrop <= 0 ? shadowBounds(m_cardRect) : QRect());
}

void OnboardingTourOverlay::setClickArea(const QRect& area)
{
    // Not a mask: a masked overlay leaves stale pixels in the scrolled
    // page below. The overlay shrinks to the card instead; outside it the
    // dashboard is simply uncovered.
    const QRect to = area.isEmpty() ? dashboardRect() : area;
    if (to == geometry())
        return;
    setGeometry(to);
    m_card->setGeometry(local(m_cardRect.toRect()));
}

void OnboardingTourOverlay::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_backdrop > 0)
        p.fillRect(event->rect(), QColor(0, 0, 0, qRound(m_backdrop * 255)));
    const QRect glowBox = local(shadowBounds(m_cardRect));
    if (event->rect().intersects(glowBox))
        p.drawPixmap(glowBox.topLeft(), glow(glowBox.size()));
    if (isFrozen())
        p.drawPixmap(m_card->geometry().topLeft(), m_still);
}

const QPixmap& OnboardingTourOverlay::glow(const QSize& size)
{
    // Made once per size and theme: the dashboard below repaints often, and
    // each of its repaints makes this overlay paint its part again.
    const QColor accent = m_tour->theme().accentColor().resolve(ColorScheme::dark);
    const qreal dpr = devicePixelRatioF();
    if (m_glow.deviceIndependentSize().toSize() == size && m_glowColor == accent &&
        qFuzzyCompare(m_glow.devicePixelRatio(), dpr))
        return m_glow;
    m_glowColor = accent;
    m_glow = QPixmap((QSizeF(size) * dpr).toSize());
    m_glow.setDevicePixelRatio(dpr);
    m_glow.fill(Qt::transparent);
    QPainter p(&m_glow);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // Rounded rings that fade outwards under the card.
    const QRectF base = QRectF(QPointF(), QSizeF(size))
                            .adjusted(kShadowRadius, kShadowRadius, -kShadowRadius, -kShadowRadius);
    QColor ring = accent;
    for (int i = kShadowLayers; i >= 1; --i) {
        const qreal spread = kShadowRadius * i / qreal(kShadowLayers);
        ring.setAlphaF(kShadowOpacity / kShadowLayers * 1.6 * (1.0 - (i - 1) / qreal(kShadowLayers)));
        p.setBrush(ring);
        p.drawRoundedRect(base.adjusted(-spread, -spread, spread, spread), TourCardFrame::kRadius + spread,
                          TourCardFrame::kRadius + spread);
    }
    return m_glow;
}

void OnboardingTourOverlay::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Only the dashboard's own resizes (which spread the overlay over it
    // again) move the card; shrinking to the card does not.
    if (geometry() != dashboardRect())
        return;
    m_cardMove->stop();
    moveCard(cardTarget(m_tour->currentStep()));
}

void OnboardingTourOverlay::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_tour->appear();
    // The dashboard fades the overlay in through an effect it sets right
    // after showing it; the card is whole once that effect goes.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (QGraphicsEffect* effect = graphicsEffect())
                connect(effect, &QObject::destroyed, this, &OnboardingTourOverlay::syncCover, Qt::QueuedConnection);
            syncCover();
        },
        Qt::QueuedConnection);
}

void OnboardingTourOverlay::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_tour->disappear();
    syncCover();
}
