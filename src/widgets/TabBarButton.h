#pragma once

#include "theme/UiColor.h"

#include <QAbstractButton>
#include <QPointer>

class QTimeLine;
class RepeatingLoop;
class SettingsStore;
class TabSelection;
class TourHalo;

// One square icon button of a tab bar: it selects page `index` of the
// shared selection and shows itself selected (its colour, on a faint plate
// of it) while that page is shown. While the onboarding tour points at the
// tab bar (tour step 5), the selected button wears an outline in its colour
// that glows and breathes between 95 % and 108 % of its size. The tour's
// state comes from the settings store its owner passes (none: no tour).
class TabBarButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int kSide = 32;
    static constexpr int kTourStep = 5;

    TabBarButton(const QString& icon, int index, TabSelection* selectedTab, const UiColor& color,
                 QWidget* parent = nullptr, SettingsStore* settings = nullptr);
    ~TabBarButton() override;

    QString icon() const { return m_icon; }
    int index() const { return m_index; }
    UiColor color() const { return m_color; }
    bool isSelected() const;

    // The tour is on, at the tab bar's step, and this is the selected page.
    bool isHighlightedInTour() const;
    // Whether the breathing runs.
    bool pulsate() const { return m_pulsate; }
    // The outline's resting scale: 1.08 while breathing, 0.95 while only
    // highlighted, 1 without highlight (no outline).
    qreal overlayScale() const;
    qreal overlayLineWidth() const { return isHighlightedInTour() ? 2.0 : 0.0; }

    QSize sizeHint() const override { return {kSide, kSide}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    friend class TourHalo;

    void selectionChanged(int value);
    bool tourAtTabBar() const;
    void tourStepChanged();
    void refreshPulse(bool highlighted);
    void startPulse();
    void stopPulse();
    void refreshHalo();
    // The outline's scale at this moment of the breathing.
    qreal displayedScale() const;

    QString m_icon;
    int m_index;
    QPointer<TabSelection> m_selection;
    UiColor m_color;
    SettingsStore* m_settings;
    QPointer<TourHalo> m_halo;
    QTimeLine* m_selectAnimation;
    qreal m_selectFrom = 0;
    qreal m_selectTo = 0;
    RepeatingLoop* m_pulse;
    qreal m_selectedAmount = 0; // 0 unselected .. 1 selected, animated
    bool m_pulsate = false;
};
