#include "dashboard/pages/PowerPage.h"

#include "core/Format.h"
#include "core/OneLineText.h"
#include "dashboard/pages/SwitchCard.h"
#include "telemetry/ProcessMonitor.h"
#include "telemetry/SystemStatsProvider.h"
#include "theme/ThemeManager.h"
#include "widgets/ActionTipsView.h"
#include "widgets/CardFrame.h"
#include "widgets/Fonts.h"
#include "widgets/KeyedRowList.h"
#include "widgets/PlainLabel.h"
#include "widgets/RefreshCoalescer.h"
#include "widgets/SymbolView.h"
#include "widgets/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const QString kAmountName = QStringLiteral("amount");

QWidget* shameRow(const QString& name)
{
    auto* row = new CardFrame(UiColor(SystemColor::red).opacity(0.1), 6);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(8, 8, 8, 8);
    line->setSpacing(8);
    line->addWidget(new SymbolView(QStringLiteral("battery.25"), SystemColor::red, 13), 0, Qt::AlignVCenter);
    // A process names itself: one line, in its own order.
    line->addWidget(new PlainLabel(oneLineText(name), Fonts::system(14, QFont::Medium), SystemColor::primary), 0,
                    Qt::AlignVCenter);
    line->addStretch(1);
    auto* amount = new PlainLabel(QString(), Fonts::system(12, QFont::Bold), SystemColor::red);
    amount->setObjectName(kAmountName);
    line->addWidget(amount, 0, Qt::AlignVCenter);
    return row;
}

} // namespace

PowerPage::PowerPage(Deps deps, QWidget* parent)
    : QWidget(parent), m_deps(deps), m_coalescer(new RefreshCoalescer([this] { refresh(); }, this))
{
    Q_ASSERT(m_deps.stats && m_deps.processMonitor && m_deps.themeManager);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 20);
    column->setSpacing(20);
    QFont titleFont = Fonts::style(TextStyle::title);
    titleFont.setWeight(QFont::Bold);
    column->addWidget(new PlainLabel(QStringLiteral("Power & Efficiency Booster"), titleFont, SystemColor::primary));

    m_switch = new SwitchCard({QStringLiteral("leaf.fill"), SystemColor::green,
                               QStringLiteral("Energy Saving / Low Power Mode"),
                               QStringLiteral("Drastically scales CPU clock speeds, reduces display/system refresh, and "
                                              "suspends high-power background threads to maximize MacBook battery life."),
                               QStringLiteral("battery.100.bolt"),
                               QStringLiteral("Low Power Mode Active. Estimated Battery Extended by up to 4.5 Hours!"),
                               SystemColor::green});
    column->addWidget(m_switch);

    auto* cards = new QHBoxLayout;
    cards->setSpacing(20);
    cards->addWidget(figureCard(QStringLiteral("Battery"), m_battery, &m_charging));
    cards->addWidget(figureCard(QStringLiteral("Power Draw"), m_power, nullptr));
    cards->addStretch(1);
    column->addLayout(cards);

    m_efficiency = new PlainLabel(QString(), Fonts::style(TextStyle::subheadline), SystemColor::primary);
    column->addWidget(m_efficiency);
    auto* rule = new CardFrame(UiColor(SystemColor::contrast).opacity(0.15), 0);
    rule->setFixedHeight(1);
    auto* ruleBox = new QVBoxLayout;
    ruleBox->setContentsMargins(0, 8, 0, 8);
    ruleBox->addWidget(rule);
    column->addLayout(ruleBox);

    column->addWidget(new PlainLabel(QStringLiteral("App Battery Wall of Shame"), Fonts::style(TextStyle::headline),
                                     SystemColor::primary));
    m_shame = new KeyedRowList;
    m_shame->setSpacing(8);
    column->addWidget(m_shame);

    m_tips = new ActionTipsView(
        QStringLiteral("Active Power Optimization Tips"),
        {QStringLiteral("\U0001f50b Low Power Mode: Toggle this to force macOS into Low Power Mode, capping heavy core "
                        "frequencies and reducing screen refresh rates to instantly double battery longevity."),
         QStringLiteral("\u26a0\ufe0f Battery Shame Audit: Find background processes draining energy above and "
                        "terminate or freeze them under Sensors/Memory tabs.")});
    auto* tipsBox = new QVBoxLayout;
    tipsBox->setContentsMargins(0, 10, 0, 0);
    tipsBox->addWidget(m_tips);
    column->addLayout(tipsBox);
    column->addStretch(1);

    connect(m_switch, &SwitchCard::userToggled, this, &PowerPage::setLowPowerMode);
    for (auto signal : {&SystemStatsProvider::isLowPowerModeEnabledChanged, &SystemStatsProvider::batteryPercentageChanged,
                        &SystemStatsProvider::batteryIsChargingChanged, &SystemStatsProvider::powerDrawChanged,
                        &SystemStatsProvider::cpuUsageChanged})
        m_coalescer->watch(m_deps.stats, signal);
    m_coalescer->watch(m_deps.processMonitor, &ProcessMonitor::batteryShameListChanged);
    m_coalescer->watch(m_deps.themeManager, &ThemeManager::currentThemeChanged);
    refresh();
}

QWidget* PowerPage::figureCard(const QString& title, PlainLabel*& value, PlainLabel** status)
{
    auto* card = new CardFrame(UiColor(SystemColor::contrast).opacity(0.05), 12);
    card->setMinimumWidth(150); // wider only when a figure would not fit
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(6);
    column->addWidget(new PlainLabel(title, Fonts::style(TextStyle::caption), SystemColor::secondary));
    QFont big = Fonts::style(TextStyle::largeTitle);
    big.setWeight(QFont::Bold);
    value = new PlainLabel(QString(), big, SystemColor::primary);
    column->addWidget(value);
    if (status) {
        *status = new PlainLabel(QString(), Fonts::style(TextStyle::caption), SystemColor::green);
        column->addWidget(*status);
    }
    column->addStretch(1);
    return card;
}

void PowerPage::setLowPowerMode(bool on)
{
    m_deps.stats->setIsLowPowerModeEnabled(on);
    m_deps.stats->updateStats();
    // The banner and the amounts follow at once, not at the end of the turn.
    m_coalescer->flush();
}

QList<PowerPage::Tally> PowerPage::wallOfShame(const QHash<QString, double>& tallies)
{
    QList<Tally> sorted;
    sorted.reserve(tallies.size());
    for (auto it = tallies.cbegin(); it != tallies.cend(); ++it)
        sorted.append({it.key(), it.value()});
    // A strict weak order even with NaN: numbers before NaN, larger first,
    // then by name.
    std::sort(sorted.begin(), sorted.end(), [](const Tally& a, const Tally& b) {
        const bool aNaN = std::isnan(a.second);
        const bool bNaN = std::isnan(b.second);
        if (aNaN != bNaN)
            return bNaN;
        if (!aNaN && a.second != b.second)
            return a.second > b.second;
        return a.first < b.first;
    });
    return sorted.mid(0, shameCount);
}

QString PowerPage::amountText(double tally, bool lowPowerMode)
{
    return kestrova::format("%.2f units", lowPowerMode ? tally / 3 : tally);
}

QString PowerPage::efficiencyText(double ratio)
{
    return QStringLiteral("Efficiency: ") + kestrova::format("%.1f ops/W", ratio);
}

QString PowerPage::rowAmount(QWidget* row)
{
    const auto* amount = row->findChild<PlainLabel*>(kAmountName);
    return amount ? amount->text() : QString();
}

void PowerPage::refreshNow() { m_coalescer->flush(); }

void PowerPage::refresh()
{
    const SystemStatsProvider& s = *m_deps.stats;
    const bool lowPower = s.isLowPowerModeEnabled();
    m_switch->setOn(lowPower);
    m_switch->toggle()->setTint(m_deps.themeManager->currentTheme().accentColor());
    m_battery->setText(QString::number(s.batteryPercentage()) + QLatin1Char('%'));
    m_charging->setText(s.batteryIsCharging() ? QStringLiteral("Charging") : QStringLiteral("Discharging"));
    m_power->setText(kestrova::format("%.2f W", s.powerDraw()));
    m_efficiency->setText(efficiencyText(s.efficiencyRatio()));

    m_shame->setItems<QWidget>(
        wallOfShame(m_deps.processMonitor->batteryShameList()), [](const Tally& t) { return t.first; },
        [&](const Tally& t) {
            QWidget* row = shameRow(t.first);
            row->findChild<PlainLabel*>(kAmountName)->setText(amountText(t.second, lowPower));
            return row;
        },
        [&](QWidget* row, const Tally& t) {
            row->findChild<PlainLabel*>(kAmountName)->setText(amountText(t.second, lowPower));
        });
}
