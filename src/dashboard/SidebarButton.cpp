#include "dashboard/SidebarButton.h"

#include "theme/ThemeManager.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardPageState.h"
#include "widgets/Animations.h"
#include "widgets/Fonts.h"
#include "widgets/HoverLook.h"
#include "widgets/RepeatingLoop.h"
#include "widgets/SpriteCache.h"
#include "widgets/SymbolIcon.h"

#include <QEasingCurve>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTimeLine>

#include <cmath>

namespace {

constexpr int kPadH = 12;
constexpr int kPadV = 6;
constexpr int kIconBox = 20;
constexpr int kSpacing = 10;
constexpr qreal kRadius = 8;
constexpr int kSelectMs = 220;
constexpr int kPulseMs = 800;
// The tour step that walks through the sidebar.
constexpr int kSidebarTourStep = 4;

QFont titleFont(bool selected) { return Fonts::system(13, selected ? QFont::DemiBold : QFont::Medium); }

QColor withAlpha(QColor color, qreal factor)
{
    color.setAlphaF(float(color.alphaF() * factor));
    return color;
}

} // namespace

SidebarButton::SidebarButton(SidebarItem item, DashboardPageState* selection, ThemeManager* themeManager,
                             SettingsStore* settings, QWidget* parent)
    : QAbstractButton(parent), m_item(std::move(item)), m_selection(selection), m_themeManager(themeManager),
      m_settings(settings), m_selectAnimation(new QTimeLine(kSelectMs, this)), m_pulse(new RepeatingLoop(kPulseMs, true, this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setText(m_item.title);
    // A title is not a mnemonic: "Fans & Cooling" would otherwise take Alt+Space.
    setShortcut(QKeySequence());
    setAccessibleName(m_item.title);

    m_wasSelected = isSelected();
    m_selectionLevel = m_wasSelected ? 1 : 0;
    // On the slow animations' beat: while the tour walks the sidebar, the
    // fades repaint with the outline's breath.
    m_selectAnimation->setUpdateInterval(RepeatingLoop::kFrameMs);
    m_selectAnimation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_selectAnimation, &QTimeLine::valueChanged, this, [this](qreal v) {
        m_selectionLevel = m_selectFrom + (m_selectTo - m_selectFrom) * v;
        update();
    });
    // The outline breathes out and back in, 0.8 s each way.
    connect(m_pulse, &RepeatingLoop::frame, this, qOverload<>(&QWidget::update));

    connect(this, &QAbstractButton::clicked, this, [this] { m_selection->setSelectedSidebarItem(m_item.title); });
    connect(m_selection, &DashboardPageState::selectedSidebarItemChanged, this, &SidebarButton::onSelectionChanged);
    connect(m_settings, &SettingsStore::changed, this, &SidebarButton::onSettingChanged);
    connect(m_themeManager, &ThemeManager::currentThemeChanged, this, qOverload<>(&QWidget::update));
}

bool SidebarButton::isSelected() const { return m_selection->selectedSidebarItem() == m_item.title; }

bool SidebarButton::carriesSparkles(const QString& title) { return title.contains(QLatin1String("AI"), Qt::CaseSensitive); }

bool SidebarButton::isTourHighlight() const
{
    return m_settings->showOnboardingTour() && m_settings->onboardingTourStep() == kSidebarTourStep;
}

void SidebarButton::onSelectionChanged()
{
    const bool selected = isSelected();
    if (selected == m_wasSelected)
        return;
    m_wasSelected = selected;
    syncPulse();
    m_selectAnimation->stop();
    const double target = selected ? 1 : 0;
    if (!isVisible() || Animations::duration(kSelectMs) == 0) {
        m_selectionLevel = target;
    } else {
        m_selectFrom = m_selectionLevel;
        m_selectTo = target;
        m_selectAnimation->start();
    }
    updateGeometry(); // the title's weight follows the selection
    update();
}

void SidebarButton::onSettingChanged(const QString& key)
{
    // The tour hidden ends the pulse as surely as a new step does.
    if (key == QLatin1String(SettingsStore::kOnboardingTourStep) ||
        key == QLatin1String(SettingsStore::kShowOnboardingTour))
        followTour();
}

void SidebarButton::followTour()
{
    const bool pulsate = isTourHighlight();
    if (pulsate == m_pulsate)
        return;
    m_pulsate = pulsate;
    syncPulse();
    update();
}

void SidebarButton::syncPulse()
{
    // Every row keeps the flag; only the selected one has anything to draw.
    m_pulse->setOn(m_pulsate && isSelected());
}

bool SidebarButton::isPulsing() const { return m_pulse->isTicking(); }

double SidebarButton::pulseScale() const
{
    if (!m_pulsate)
        return 0.97;
    return 0.97 + 0.06 * m_pulse->value();
}

void SidebarButton::showEvent(QShowEvent* event)
{
    QAbstractButton::showEvent(event);
    m_pulse->setShown(true);
    if (m_appeared)
        return;
    m_appeared = true;
    followTour();
}

void SidebarButton::hideEvent(QHideEvent* event)
{
    QAbstractButton::hideEvent(event);
    m_pulse->setShown(false);
}

QSize SidebarButton::sizeHint() const
{
    const QFontMetricsF metrics(titleFont(true));
    int w = kPadH + kIconBox + kSpacing + int(std::ceil(metrics.horizontalAdvance(m_item.title))) + kPadH;
    if (showsSparkles())
        w += kSpacing + int(std::ceil(SymbolIcon::pixelSizeFor(9)));
    return {w, kPadV + kIconBox + kPadV};
}

QSize SidebarButton::minimumSizeHint() const { return {kPadH * 2 + kIconBox, kPadV * 2 + kIconBox}; }

void SidebarButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool selected = isSelected();
    if (!(selected && isTourHighlight() && m_pulse->isOn() && m_selectionLevel >= 1)) {
        paintRow(painter, selected);
        return;
    }
    // The breathing row passes through a few looks, one per frame of the
    // loop: each is drawn once and then copied.
    const AppTheme theme = m_themeManager->currentTheme();
    const QString key = QStringLiteral("sidebar-row|%1|%2|%3|%4|%5|%6")
                            .arg(m_item.title, m_item.icon)
                            .arg(theme.accentColor().resolve(this).rgba())
                            .arg(theme.secondaryAccent().resolve(this).rgba())
                            .arg(theme.textColor().resolve(this).rgba())
                            .arg(qRound(pulseScale() * 1000));
    SpriteCache::draw(painter, rect(), key, [&](QPainter& sprite) { paintRow(sprite, true); });
}

void SidebarButton::paintRow(QPainter& painter, bool selected)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const AppTheme theme = m_themeManager->currentTheme();
    const QColor accent = theme.accentColor().resolve(this);
    const QColor secondAccent = theme.secondaryAccent().resolve(this);
    const QColor text = theme.textColor().resolve(this);

    const QRectF box = QRectF(rect());
    QPainterPath shape;
    shape.addRoundedRect(box, kRadius, kRadius);
    painter.setClipPath(shape);

    if (m_selectionLevel > 0) {
        const qreal level = m_selectionLevel;
        QLinearGradient fill(box.topLeft(), box.bottomRight());
        fill.setColorAt(0, withAlpha(accent, 0.15 * level));
        fill.setColorAt(1, withAlpha(secondAccent, 0.05 * level));
        painter.fillPath(shape, fill);
        painter.setBrush(Qt::NoBrush);
        if (selected && isTourHighlight()) {
            // The solid outline breathes about the row's centre; the row's
            // own clip trims it when it swells.
            painter.save();
            painter.translate(box.center());
            const double scale = pulseScale();
            painter.scale(scale, scale);
            painter.translate(-box.center());
            painter.setPen(QPen(accent, 2));
            painter.drawRoundedRect(box.adjusted(1, 1, -1, -1), kRadius, kRadius);
            painter.restore();
        } else {
            painter.setPen(QPen(withAlpha(accent, 0.4 * level), 1));
            painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
        }
    } else if (showsHoverLook(this) || isDown()) {
        painter.fillPath(shape, withAlpha(text, isDown() ? 0.08 : 0.05));
    }

    // Unselected rows are drawn dimmed as a whole.
    painter.setOpacity(0.65 + 0.35 * m_selectionLevel);
    const qreal midY = box.center().y();
    const QRectF iconBox(kPadH, midY - kIconBox / 2.0, kIconBox, kIconBox);
    SymbolIcon::paint(painter, iconBox, m_item.icon, selected ? accent : withAlpha(text, 0.6),
                      SymbolIcon::pixelSizeFor(13));

    qreal right = box.right() - kPadH;
    if (showsSparkles()) {
        const qreal side = SymbolIcon::pixelSizeFor(9);
        SymbolIcon::paint(painter, QRectF(right - side, midY - side / 2, side, side), QStringLiteral("sparkles"),
                          accent, side);
        right -= side + kSpacing;
    }
    const qreal textX = iconBox.right() + kSpacing;
    const QFont font = titleFont(selected);
    painter.setFont(font);
    painter.setPen(text);
    const QFontMetricsF metrics(font);
    painter.drawText(QRectF(textX, box.top(), std::max<qreal>(0, right - textX), box.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(m_item.title, Qt::ElideRight, std::max<qreal>(0, right - textX)));
}
