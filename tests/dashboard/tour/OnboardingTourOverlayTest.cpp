#include "core/NotificationCenter.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardSidebar.h"
#include "dashboard/SettingsView.h"
#include "dashboard/SidebarButton.h"
#include "dashboard/tour/OnboardingTourOverlay.h"
#include "dashboard/tour/TourButton.h"
#include "dashboard/tour/TourPageSlot.h"
#include "dashboard/tour/TourStepDots.h"
#include "fakes/InertStatsProvider.h"
#include "fakes/ManualScheduler.h"
#include "theme/ThemeManager.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class OnboardingTourOverlayTest : public ::testing::Test {
protected:
    OnboardingTourOverlayTest()
    {
        OnboardingTourOverlay::install(&scheduler);
        SettingsView::Deps deps;
        deps.themeManager = &theme;
        deps.statsProvider = stats.get();
        deps.settings = &settings;
        deps.notifications = &notifications;
        deps.quit = [] {};
        root = std::make_unique<SettingsView>(std::move(deps), QStringLiteral("AI Hardware"));
    }
    ~OnboardingTourOverlayTest() override { SettingsView::setOnboardingOverlayFactory({}); }

    OnboardingTourOverlay* overlay() const { return qobject_cast<OnboardingTourOverlay*>(root->onboardingOverlay()); }

    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
    ThemeManager theme{settings};
    NotificationCenter notifications;
    InertStatsProvider stats;
    ManualScheduler scheduler{false};
    std::unique_ptr<SettingsView> root;
};

TEST_F(OnboardingTourOverlayTest, CardFooterAndClicksPerStep)
{
    root->show(); // the first appearance starts the tour
    OnboardingTourOverlay* o = overlay();
    ASSERT_NE(o, nullptr);
    EXPECT_TRUE(o->tour()->hasAppeared());
    const QPoint sidebarButton =
        root->sidebar()->button(QStringLiteral("AI Hardware"))->mapTo(root.get(), QPoint(20, 10));

    struct Row {
        int step;
        QSize card;
        QPoint centreShift;
        bool back, skip;
        QString primary;
        bool dashboardClickable;
    };
    const Row rows[] = {
        {0, {520, 380}, {0, 0}, false, true, "Next", false},
        {1, {520, 380}, {0, 0}, true, true, "Next", false},
        {2, {520, 380}, {0, 0}, true, true, "Next", false},
        {3, {520, 380}, {0, 0}, true, true, "Next", false},
        {4, {460, 340}, {240, 140}, true, true, "Next", true},
        {5, {460, 340}, {-240, 30}, true, false, "Get Started", true},
    };
    for (const Row& row : rows) {
        settings.setOnboardingTourStep(row.step);
        SCOPED_TRACE(row.step);
        // Never smaller than its size; taller only where a page needs it.
        EXPECT_EQ(o->card()->width(), row.card.width());
        EXPECT_GE(o->card()->height(), row.card.height());
        EXPECT_LE(o->card()->height(), row.card.height() + 40);
        const QRect card(o->card()->mapTo(root.get(), QPoint()), o->card()->size());
        EXPECT_LE((card.center() - root->rect().center() - row.centreShift).manhattanLength(), 1);
        EXPECT_EQ(o->dots()->current(), row.step);
        EXPECT_EQ(o->backButton()->isVisible(), row.back);
        EXPECT_EQ(o->skipButton()->isVisible(), row.skip);
        EXPECT_EQ(o->primaryButton()->text(), row.primary);
        EXPECT_NE(o->pageSlot()->page(), nullptr);
        EXPECT_DOUBLE_EQ(o->backdrop(), row.dashboardClickable ? 0.0 : 0.75);
        // What a click at the sidebar would reach: the overlay, or the row.
        QWidget* hit = root->childAt(sidebarButton);
        EXPECT_EQ(hit == o || o->isAncestorOf(hit), !row.dashboardClickable);
        EXPECT_TRUE(o->card()->geometry().contains(o->card()->geometry().center()));
    }
    // Step 4 and 5 keep Next off until their walks are done.
    EXPECT_FALSE(o->primaryButton()->isEnabled());
    // A hidden window runs no cycler; shown again, the step's own restarts.
    root->hide();
    EXPECT_FALSE(o->tour()->isCycling(OnboardingTourView::Cycler::popover));
    root->show();
    EXPECT_TRUE(o->tour()->isCycling(OnboardingTourView::Cycler::popover));

    // An outside write beyond the steps still shows the last card and its
    // way out.
    settings.setOnboardingTourStep(17);
    EXPECT_EQ(o->card()->width(), 460);
    QTest::mouseClick(o->backButton(), Qt::LeftButton);
    EXPECT_EQ(settings.onboardingTourStep(), 4);
    QTest::mouseClick(o->skipButton(), Qt::LeftButton);
    EXPECT_TRUE(settings.hasCompletedOnboardingTour());
    EXPECT_FALSE(settings.showOnboardingTour());
    EXPECT_FALSE(o->tour()->isCycling(OnboardingTourView::Cycler::tab));
}

} // namespace
