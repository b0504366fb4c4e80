#pragma once

class OnboardingTourView;
class QWidget;

// The page that the tour's card shows for a step (0..5), drawn from the
// tour's state and following its changes; null for any other step.
class TourStepPages {
public:
    static QWidget* build(int step, OnboardingTourView& tour);
};
