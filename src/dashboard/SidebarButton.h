#pragma once

#include "dashboard/SidebarItem.h"

#include <QAbstractButton>

class DashboardPageState;
class QTimeLine;
class RepeatingLoop;
class SettingsStore;
class ThemeManager;

// One sidebar row: the item's symbol and title, and a sparkles mark on the
// AI pages. It is selected while the window's selection equals its title; a
// click selects it. While the tour points at the sidebar the selected row's
// outline turns solid and pulses.
class SidebarButton : public QAbstractButton {
    Q_OBJECT

public:
    SidebarButton(SidebarItem item, DashboardPageState* selection, ThemeManager* themeManager,
                  SettingsStore* settings, QWidget* parent = nullptr);

    const SidebarItem& item() const { return m_item; }
    bool isSelected() const;
    // Titles with "AI" in them (case-sensitive) carry the mark.
    static bool carriesSparkles(const QString& title);
    bool showsSparkles() const { return carriesSparkles(m_item.title); }
    // The tour highlights the sidebar (shown, at its sidebar step).
    bool isTourHighlight() const;
    bool pulsate() const { return m_pulsate; }
    // Whether the outline's breath is repainting: only the selected row
    // shows it, and only while the tour highlights the sidebar.
    bool isPulsing() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void onSelectionChanged();
    void onSettingChanged(const QString& key);
    // Starts or ends the pulse as the tour's step and visibility say.
    void followTour();
    void syncPulse();
    double pulseScale() const;
    void paintRow(QPainter& painter, bool selected);

    SidebarItem m_item;
    DashboardPageState* m_selection;
    ThemeManager* m_themeManager;
    SettingsStore* m_settings;
    bool m_wasSelected = false;
    bool m_appeared = false;
    bool m_pulsate = false;
    double m_selectionLevel = 0; // fades the selected look in
    QTimeLine* m_selectAnimation;
    double m_selectFrom = 0;
    double m_selectTo = 0;
    RepeatingLoop* m_pulse;
};
