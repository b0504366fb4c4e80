#include "dashboard/tour/TourStepPages.h"

#include "dashboard/tour/OnboardingTourView.h"
#include "widgets/Fonts.h"
#include "widgets/PlainLabel.h"

#include <QVBoxLayout>

QWidget* TourStepPages::build(int step, OnboardingTourView&)
{
    static const char* const titles[] = {"Welcome to Kestrova",   "Workspace Personas",          "Performance Profiles",
                                         "Clean Cache Sweepers", "Interactive Navigation Tour", "Menu Bar Quick Control"};
    if (step < 0 || step > OnboardingTourView::kLastStep)
        return nullptr;
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->addWidget(new PlainLabel(QString::fromUtf8(titles[step]), Fonts::system(18, QFont::Bold), SystemColor::white),
                      0, Qt::AlignCenter);
    return page;
}
