#pragma once

#include "telemetry/WorkspacePersona.h"

#include <QList>
#include <QWidget>

class AccentPillButton;
class DashboardPageState;
class LaunchAtLoginManager;
class PlainLabel;
class QSlider;
class SegmentedPicker;
class SettingsStore;
class ThemeManager;
class ToggleSwitch;

// The dashboard's "Settings" page. Every control acts at once on a stored
// setting or a service; there is no Save step. Choosing another persona also
// moves the window to that persona's first page.
class SettingsPage : public QWidget {
    Q_OBJECT

public:
    struct Deps {
        DashboardPageState* state = nullptr; // the window's selected page
        SettingsStore* settings = nullptr;
        ThemeManager* themeManager = nullptr;
        LaunchAtLoginManager* launchManager = nullptr;
    };

    static constexpr double kThresholdMin = 50.0;
    static constexpr double kThresholdMax = 100.0;

    explicit SettingsPage(Deps deps, QWidget* parent = nullptr);

    // "90%" for 90.0, "67%" for 67.8.
    static QString thresholdText(double threshold);
    // The page a persona starts on.
    static QString startPage(WorkspacePersona persona);

    ToggleSwitch* launchSwitch() const { return m_launch; }
    ToggleSwitch* fullPathSwitch() const { return m_fullPath; }
    ToggleSwitch* advancedSwitch() const { return m_advanced; }
    const QList<ToggleSwitch*>& alertSwitches() const { return m_alerts; }
    AccentPillButton* tourButton() const { return m_tour; }
    QSlider* thresholdSlider() const { return m_slider; }
    PlainLabel* thresholdLabel() const { return m_thresholdText; }
    SegmentedPicker* personaPicker() const { return m_persona; }
    SegmentedPicker* themePicker() const { return m_theme; }

private:
    QWidget* switchRow(const QString& label, ToggleSwitch* toggle);
    QWidget* header(const QString& text);
    QWidget* divider();
    QWidget* thresholdRow();
    void startTour();
    void onSettingChanged(const QString& key);
    void showSettings();
    void applyTheme();

    Deps m_deps;
    WorkspacePersona m_shownPersona;
    ToggleSwitch* m_launch;
    ToggleSwitch* m_fullPath;
    ToggleSwitch* m_advanced;
    QList<ToggleSwitch*> m_alerts;
    AccentPillButton* m_tour;
    QSlider* m_slider = nullptr;
    PlainLabel* m_thresholdText = nullptr;
    SegmentedPicker* m_persona;
    SegmentedPicker* m_theme;
    bool m_showing = false;
};
