#include "dashboard/pages/FansPage.h"

#include "dashboard/pages/PageRules.h"
#include "dashboard/pages/SwitchCard.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/ThemeManager.h"
#include "widgets/ActionTipsView.h"
#include "widgets/CardFrame.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/SpinningSymbolView.h"
#include "widgets/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

FansPage::FansPage(SystemStatsProvider* stats, ThemeManager* themeManager, QWidget* parent)
    : QWidget(parent), m_stats(stats), m_themeManager(themeManager),
      m_coalescer(new RefreshCoalescer([this] { refresh(); }, this))
{
    Q_ASSERT(m_stats && m_themeManager);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 20);
    column->setSpacing(20);
    QFont titleFont = Fonts::style(TextStyle::title);
    titleFont.setWeight(QFont::Bold);
    column->addWidget(
        new PlainLabel(QStringLiteral("Thermal Management & Fan Controller"), titleFont, SystemColor::primary));

    auto* card = new CardFrame(UiColor(SystemColor::contrast).opacity(0.05), 16);
    auto* cardColumn = new QVBoxLayout(card);
    cardColumn->setContentsMargins(25, 25, 25, 25);
    cardColumn->setSpacing(20);
    m_fan = new SpinningSymbolView(QStringLiteral("fanblades.fill"), SystemColor::secondary, 50);
    cardColumn->addWidget(m_fan, 0, Qt::AlignHCenter);
    QFont speedFont = Fonts::style(TextStyle::title2);
    speedFont.setWeight(QFont::Bold);
    m_speed = new PlainLabel(QString(), speedFont, SystemColor::primary);
    cardColumn->addWidget(m_speed, 0, Qt::AlignHCenter);
    auto* curveLine = new QHBoxLayout;
    curveLine->setSpacing(6);
    curveLine->addStretch(1);
    curveLine->addWidget(new PlainLabel(QStringLiteral("Active Curve:"), Fonts::system(13), SystemColor::primary));
    m_curve = new PlainLabel(QString(), Fonts::system(13, QFont::Bold), SystemColor::green);
    curveLine->addWidget(m_curve);
    curveLine->addStretch(1);
    cardColumn->addLayout(curveLine);
    column->addWidget(card);

    m_switch = new SwitchCard({QStringLiteral("wind"), SystemColor::orange, QStringLiteral("Manual Turbofan Override Mode"),
                               QStringLiteral("Immediately spool up your MacBook cooling fans to maximum (100% capacity). "
                                              "Highly recommended before compiling large codebases or spinning up "
                                              "intensive neural engine local AI training."),
                               QStringLiteral("snowflake"),
                               QStringLiteral("Preemptive cooling active. Thermal throttling suppressed by up to 15\u00b0C!"),
                               SystemColor::cyan});
    column->addWidget(m_switch);

    m_tips = new ActionTipsView(
        QStringLiteral("Active Thermal Optimization Tips"),
        {QStringLiteral("\U0001f32c\ufe0f Preemptive Cooling: Toggle Turbofan Override to spool fans to 100% (6,800+ "
                        "RPM) before compiling or starting local AI model training."),
         QStringLiteral("\U0001f7e2 Curve Auto-Restore: Turn off the override to immediately restore macOS dynamic "
                        "system-managed automatic curves.")});
    column->addWidget(m_tips);
    column->addStretch(1);

    connect(m_switch, &SwitchCard::userToggled, this, &FansPage::setForceTurboCooling);
    m_coalescer->watch(m_stats, &SystemStatsProvider::fanRPMsChanged);
    m_coalescer->watch(m_stats, &SystemStatsProvider::forceTurboCoolingChanged);
    m_coalescer->watch(m_themeManager, &ThemeManager::currentThemeChanged);
    refresh();
}

void FansPage::setForceTurboCooling(bool on)
{
    m_stats->setForceTurboCooling(on);
    m_stats->updateStats();
    m_coalescer->flush();
}

double FansPage::firstSpeed(const QList<double>& fanRPMs) { return fanRPMs.isEmpty() ? 0.0 : fanRPMs.first(); }

QString FansPage::speedText(double rpm) { return QStringLiteral("Fan Speed: ") + PageRules::whole(rpm) + QStringLiteral(" RPM"); }

void FansPage::refreshNow() { m_coalescer->flush(); }

void FansPage::refresh()
{
    const double speed = firstSpeed(m_stats->fanRPMs());
    const bool turbo = m_stats->forceTurboCooling();
    const bool spinning = speed > 0;
    m_fan->setTint(spinning ? SystemColor::blue : SystemColor::secondary);
    m_fan->setSpinning(spinning, turbo ? turboPeriodMs : autoPeriodMs);
    m_speed->setText(speedText(speed));
    m_curve->setText(turbo ? QStringLiteral("TURBO OVERRIDE") : QStringLiteral("macOS System Auto"));
    m_curve->setTextColor(turbo ? SystemColor::orange : SystemColor::green);
    m_switch->setOn(turbo);
    m_switch->toggle()->setTint(m_themeManager->currentTheme().accentColor());
}
