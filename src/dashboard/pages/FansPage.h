#pragma once

#include <QWidget>

class ActionTipsView;
class PlainLabel;
class RefreshCoalescer;
class SpinningSymbolView;
class SwitchCard;
class SystemStatsProvider;
class ThemeManager;

// The dashboard's "Fans" page (also "Fans & Cooling"): the modelled fan
// speed with a turning fan, the active curve, the turbo override switch
// with its banner, and the tips.
class FansPage : public QWidget {
    Q_OBJECT

public:
    static constexpr int turboPeriodMs = 400;
    static constexpr int autoPeriodMs = 1200;

    FansPage(SystemStatsProvider* stats, ThemeManager* themeManager, QWidget* parent = nullptr);

    // What the switch does: stores the flag, then samples once at once,
    // even when the flag did not change.
    void setForceTurboCooling(bool on);

    // The first fan's speed; 0 for an empty list.
    static double firstSpeed(const QList<double>& fanRPMs);
    static QString speedText(double rpm);

    SpinningSymbolView* fan() const { return m_fan; }
    PlainLabel* speedLabel() const { return m_speed; }
    PlainLabel* curveLabel() const { return m_curve; }
    SwitchCard* turboCard() const { return m_switch; }
    ActionTipsView* tips() const { return m_tips; }

    void refreshNow();

private:
    void refresh();

    SystemStatsProvider* m_stats;
    ThemeManager* m_themeManager;
    RefreshCoalescer* m_coalescer;
    SpinningSymbolView* m_fan;
    PlainLabel* m_speed;
    PlainLabel* m_curve;
    SwitchCard* m_switch;
    ActionTipsView* m_tips;
};
