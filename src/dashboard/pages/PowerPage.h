#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QWidget>

class ActionTipsView;
class KeyedRowList;
class PlainLabel;
class ProcessMonitor;
class RefreshCoalescer;
class SwitchCard;
class SystemStatsProvider;
class ThemeManager;

// The dashboard's "Power" page: the low-power switch and its banner, the
// battery and power-draw cards, the efficiency line, the three processes
// with the largest drain tally, and the tips.
class PowerPage : public QWidget {
    Q_OBJECT

public:
    struct Deps {
        SystemStatsProvider* stats = nullptr;
        ProcessMonitor* processMonitor = nullptr;
        ThemeManager* themeManager = nullptr;
    };

    using Tally = QPair<QString, double>;
    static constexpr int shameCount = 3;

    explicit PowerPage(Deps deps, QWidget* parent = nullptr);

    // What the switch does: stores the flag, then samples once at once,
    // even when the flag did not change.
    void setLowPowerMode(bool on);

    // Largest tally first, at most three. Equal tallies go by name and
    // tallies that are not numbers come last, so the order is the same on
    // every refresh whatever order the table yields them in.
    static QList<Tally> wallOfShame(const QHash<QString, double>& tallies);
    static QString amountText(double tally, bool lowPowerMode);
    static QString efficiencyText(double ratio);

    SwitchCard* lowPowerCard() const { return m_switch; }
    PlainLabel* batteryLabel() const { return m_battery; }
    PlainLabel* chargingLabel() const { return m_charging; }
    PlainLabel* powerLabel() const { return m_power; }
    PlainLabel* efficiencyLabel() const { return m_efficiency; }
    KeyedRowList* shameList() const { return m_shame; }
    ActionTipsView* tips() const { return m_tips; }
    // The amount text of a wall-of-shame row.
    static QString rowAmount(QWidget* row);

    void refreshNow();

private:
    QWidget* figureCard(const QString& title, PlainLabel*& value, PlainLabel** status);
    void refresh();

    Deps m_deps;
    RefreshCoalescer* m_coalescer;
    SwitchCard* m_switch;
    PlainLabel* m_battery = nullptr;
    PlainLabel* m_charging = nullptr;
    PlainLabel* m_power = nullptr;
    PlainLabel* m_efficiency;
    KeyedRowList* m_shame;
    ActionTipsView* m_tips;
};
