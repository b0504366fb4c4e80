#pragma once

#include <QPointer>
#include <QWidget>

class Badge;
class CheckboxToggle;
class LocalAIService;
class PlainLabel;
class RefreshCoalescer;
class SettingsStore;
class Spinner;
class SymbolView;
class ThemeManager;

// The AI page's automation switches under "DEVELOPER WORKSPACE SUITE":
// four flags of the local-AI service (compile shield, build turbo, VM
// auto-sleep, battery shield) and the "smartPauseEnabled" setting, each a
// tick box with a title, badge, description and tool tip. While the compile
// shield holds model-server processes, a banner under the first switch
// says how many. The page runs no automation itself.
class OptimizerSubTab : public QWidget {
    Q_OBJECT

public:
    enum Switch { compileShield, buildTurbo, vmAutoSleep, batteryShield, smartPause, switchCount };

    OptimizerSubTab(LocalAIService* localAI, ThemeManager* themeManager, SettingsStore* settings,
                    QWidget* parent = nullptr);

    // "VRAM Shield Active: Suspending <n> local AI process(es)".
    static QString shieldText(qsizetype heldCount);

    CheckboxToggle* toggle(Switch which) const { return m_toggles[which]; }
    // Null for the smart-pause switch, which has none.
    Badge* badge(Switch which) const { return m_badges[which]; }
    QWidget* shieldBanner() const { return m_banner; }
    PlainLabel* shieldLabel() const { return m_bannerText; }

    void refreshNow();

private:
    QWidget* buildSwitch(Switch which);
    bool value(Switch which) const;
    void write(Switch which, bool on);
    void refresh();

    QPointer<LocalAIService> m_localAI;
    ThemeManager* m_themeManager;
    SettingsStore* m_settings;
    RefreshCoalescer* m_coalescer;
    SymbolView* m_headerSymbol = nullptr;
    CheckboxToggle* m_toggles[switchCount] = {};
    Badge* m_badges[switchCount] = {};
    QWidget* m_banner = nullptr;
    Spinner* m_spinner = nullptr;
    PlainLabel* m_bannerText = nullptr;
};
