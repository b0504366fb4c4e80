#pragma once

#include <QString>

class OnboardingTourView;
class QWidget;

// The page that the tour's card shows for a step (0..5), drawn from the
// tour's state and following its changes; null for any other step.
class TourStepPages {
public:
    static QWidget* build(int step, OnboardingTourView& tour);

    // The guide row that the menus step lights for a dashboard page, and the
    // one the popover step lights for a popover tab; -1 for none.
    static int menusRow(const QString& selectedSidebarItem);
    static int popoverRow(int popoverHighlightIndex);
    // The caches step's result figure.
    static QString reclaimedText(double totalSpaceReclaimed);
    // The presets step's detail line for a highlighted preset.
    static QString presetDetail(int activePresetIndex);

private:
    static QWidget* welcome(OnboardingTourView& tour);
    static QWidget* personas(OnboardingTourView& tour);
    static QWidget* presets(OnboardingTourView& tour);
    static QWidget* caches(OnboardingTourView& tour);
    static QWidget* menus(OnboardingTourView& tour);
    static QWidget* popover(OnboardingTourView& tour);
};
