#include "core/NotificationCenter.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardPageState.h"
#include "dashboard/tour/OnboardingTourView.h"
#include "fakes/ManualScheduler.h"
#include "theme/ThemeManager.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace std::chrono_literals;
using Cycler = OnboardingTourView::Cycler;

// Drives the tour by hand: its cyclers wait on a manual scheduler, and every
// notification, settings write and selection change lands in one log.
class OnboardingTourViewTest : public ::testing::Test {
protected:
    OnboardingTourViewTest()
    {
        for (const QString name : {"OpenPopover", "ClosePopover", "TourUpdatePopoverTab"})
            notifications.observe(name, &observer, [this, name](const QVariantMap& info) {
                log << (info.contains("tabIndex") ? name + QLatin1Char(' ') + info.value("tabIndex").toString() : name);
            });
        QObject::connect(&settings, &SettingsStore::changed, &observer, [this](const QString& key) {
            if (key == QLatin1String(SettingsStore::kOnboardingTourStep))
                log << QStringLiteral("step=%1").arg(settings.onboardingTourStep());
            else if (key == QLatin1String(SettingsStore::kShowOnboardingTour))
                log << QStringLiteral("show=%1").arg(settings.showOnboardingTour());
            else if (key == QLatin1String(SettingsStore::kHasCompletedOnboardingTour))
                log << QStringLiteral("completed=%1").arg(settings.hasCompletedOnboardingTour());
        });
        QObject::connect(&selection, &DashboardPageState::selectedSidebarItemChanged, &observer,
                         [this] { log << QStringLiteral("page=") + selection.selectedSidebarItem(); });
    }

    // A tour shown on `step`, with the log cleared.
    OnboardingTourView& show(int step)
    {
        settings.setOnboardingTourStep(step);
        settings.setShowOnboardingTour(true);
        tour = std::make_unique<OnboardingTourView>(
            OnboardingTourView::Deps{&settings, &notifications, &scheduler, &selection, &themes});
        tour->appear();
        log.clear();
        return *tour;
    }

    // Ends the waits that are due; their ticks run from the event loop.
    void ticks(int count, std::chrono::milliseconds interval)
    {
        for (int i = 0; i < count; ++i) {
            scheduler.advance(interval);
            for (int turn = 0; turn < 3; ++turn)
                QCoreApplication::processEvents();
        }
    }

    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
    ThemeManager themes{settings};
    NotificationCenter notifications;
    ManualScheduler scheduler{false};
    DashboardPageState selection{QStringLiteral("Disk")};
    QObject observer;
    QStringList log;
    std::unique_ptr<OnboardingTourView> tour;
};

TEST_F(OnboardingTourViewTest, FullWalkFromWelcomeToGetStarted)
{
    OnboardingTourView& t = show(0);
    EXPECT_TRUE(t.isCycleComplete());
    for (int i = 0; i < 4; ++i)
        t.primary();
    EXPECT_EQ(log, QStringList({"step=1", "step=2", "step=3", "step=4", "page=AI Hardware"}));
    EXPECT_FALSE(t.isCycleComplete());
    log.clear();

    ticks(5, 2500ms);
    EXPECT_EQ(log, QStringList({"page=Performance Presets", "page=AI Models", "page=Sensors", "page=Memory",
                                "page=Settings"}));
    EXPECT_TRUE(t.isCycleComplete());
    log.clear();

    t.primary();
    ticks(4, 2500ms);
    t.primary(); // "Get Started"
    EXPECT_EQ(log, QStringList({"step=5", "OpenPopover", "OpenPopover", "TourUpdatePopoverTab 0",
                                "TourUpdatePopoverTab 1", "TourUpdatePopoverTab 2", "TourUpdatePopoverTab 3",
                                "ClosePopover", "TourUpdatePopoverTab 4", "ClosePopover", "completed=1", "show=0",
                                "ClosePopover"}));
    EXPECT_EQ(settings.onboardingTourStep(), 5);
    for (Cycler c : {Cycler::preset, Cycler::cache, Cycler::tab, Cycler::popover})
        EXPECT_FALSE(t.isCycling(c));
    // Nothing is left to tick.
    log.clear();
    ticks(3, 2500ms);
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(OnboardingTourViewTest, PresetAndCacheCyclers)
{
    OnboardingTourView& t = show(2);
    QList<int> presets;
    for (int i = 0; i < 4; ++i) {
        presets << t.activePresetIndex();
        ticks(1, 1500ms);
    }
    EXPECT_EQ(presets, QList<int>({0, 1, 2, 0}));

    t.primary();
    EXPECT_FALSE(t.isCycling(Cycler::preset));
    QList<double> totals;
    QList<int> cleaned;
    for (int i = 0; i < 6; ++i) {
        totals << std::round(t.totalSpaceReclaimed() * 10) / 10;
        cleaned << int(t.cacheCleanStates().count(true));
        ticks(1, 1200ms);
    }
    // The fifth tick cleans "Steam" and starts over in the same tick.
    EXPECT_EQ(totals, QList<double>({0.0, 1.2, 2.0, 6.5, 15.7, 0.0}));
    EXPECT_EQ(cleaned, QList<int>({0, 1, 2, 3, 4, 0}));
    EXPECT_EQ(t.activeCacheIndex(), 1);
    EXPECT_EQ(t.cacheCleanStates().size(), 5);
}

TEST_F(OnboardingTourViewTest, BackFromPopoverAndFromMenus)
{
    OnboardingTourView& t = show(5);
    EXPECT_EQ(log, QStringList());
    ticks(4, 2500ms);
    log.clear();

    // From 5: the popover closes and the sidebar walk starts over, Next off.
    t.back();
    EXPECT_EQ(log, QStringList({"step=4", "page=AI Hardware", "ClosePopover"}));
    EXPECT_FALSE(t.isCycling(Cycler::popover));
    EXPECT_TRUE(t.isCycling(Cycler::tab));
    EXPECT_FALSE(t.isCycleComplete());
    log.clear();

    // From 4: Next is on again at once and the walk ends.
    ticks(1, 2500ms);
    t.back();
    EXPECT_EQ(log, QStringList({"page=Performance Presets", "step=3"}));
    EXPECT_TRUE(t.isCycleComplete());
    EXPECT_FALSE(t.isCycling(Cycler::tab));
    EXPECT_TRUE(t.isCycling(Cycler::cache));
    log.clear();
    ticks(2, 2500ms);
    EXPECT_TRUE(log.isEmpty());

    // Skip finishes where it stands.
    t.skip();
    EXPECT_EQ(log, QStringList({"ClosePopover", "completed=1", "show=0", "ClosePopover"}));
    EXPECT_EQ(settings.onboardingTourStep(), 3);
}

TEST_F(OnboardingTourViewTest, StaleTicksChangeNothing)
{
    OnboardingTourView& t = show(5);
    ticks(1, 2500ms);
    EXPECT_EQ(t.popoverHighlightIndex(), 1);
    // A tab or popover tick off its step, or after the tour closed, is ignored.
    t.startTabCycling();
    log.clear();
    ticks(1, 2500ms);
    EXPECT_EQ(log, QStringList({"TourUpdatePopoverTab 2"}));
    settings.setShowOnboardingTour(false);
    log.clear();
    ticks(2, 2500ms);
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(OnboardingTourViewTest, StoredStepOutsideTheRangeIsPulledIn)
{
    const QList<std::pair<int, int>> cases = {{-3, 0}, {0, 0}, {5, 5}, {6, 5}, {42, 5}};
    for (const auto& [stored, shown] : cases) {
        EXPECT_EQ(OnboardingTourView::clampStep(stored), shown) << stored;
    }
    OnboardingTourView& t = show(9);
    EXPECT_EQ(t.currentStep(), 5);
    // The last step's cycler runs, so the way out opens like on step 5.
    EXPECT_TRUE(t.isCycling(Cycler::popover));
    ticks(4, 2500ms);
    EXPECT_TRUE(t.isCycleComplete());
    t.back();
    EXPECT_EQ(settings.onboardingTourStep(), 4);
    // Written from outside while shown: the root's restart writes 0.
    settings.setOnboardingTourStep(-1);
    EXPECT_EQ(t.currentStep(), 0);
    EXPECT_FALSE(t.isCycling(Cycler::tab));
}

TEST_F(OnboardingTourViewTest, EachStepRunsItsOwnCycler)
{
    struct Row {
        int step;
        QList<Cycler> running;
        QStringList posted; // on appearing
        bool nextEnabled;
    };
    const QList<Row> rows = {
        {0, {}, {}, true},
        {1, {}, {}, true},
        {2, {Cycler::preset}, {}, true},
        {3, {Cycler::cache}, {}, true},
        {4, {Cycler::tab}, {"page=AI Hardware"}, false},
        {5, {Cycler::popover}, {"OpenPopover", "OpenPopover", "TourUpdatePopoverTab 0"}, false},
    };
    const auto running = [this] {
        QList<Cycler> list;
        for (Cycler c : {Cycler::preset, Cycler::cache, Cycler::tab, Cycler::popover})
            if (tour->isCycling(c))
                list << c;
        return list;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.step);
        settings.setOnboardingTourStep(row.step);
        settings.setShowOnboardingTour(true);
        selection.setSelectedSidebarItem(QStringLiteral("Disk"));
        log.clear();
        tour = std::make_unique<OnboardingTourView>(
            OnboardingTourView::Deps{&settings, &notifications, &scheduler, &selection, &themes});
        tour->appear();
        EXPECT_EQ(running(), row.running);
        EXPECT_EQ(log, row.posted);
        EXPECT_EQ(tour->isCycleComplete(), row.nextEnabled);
        // Going away stops everything and closes the popover, once.
        log.clear();
        tour->disappear();
        tour->disappear();
        EXPECT_TRUE(running().isEmpty());
        EXPECT_EQ(log, QStringList({"ClosePopover"}));
    }
    // Steps written from outside switch cyclers like the buttons do.
    settings.setOnboardingTourStep(2);
    tour->appear();
    for (int step : {3, 2, 0}) {
        settings.setOnboardingTourStep(step);
        EXPECT_EQ(running(), step == 3 ? QList<Cycler>{Cycler::cache}
                             : step == 2 ? QList<Cycler>{Cycler::preset}
                                         : QList<Cycler>{});
    }
}

TEST_F(OnboardingTourViewTest, PersonaAndLogoScaleBelongToThePages)
{
    OnboardingTourView& t = show(1);
    QStringList changes;
    QObject::connect(&t, &OnboardingTourView::workspacePersonaChanged, &observer, [&] { changes << "persona"; });
    t.setWorkspacePersona(WorkspacePersona::gamer);
    EXPECT_EQ(settings.workspacePersona(), "Gamer");
    EXPECT_EQ(t.workspacePersona(), WorkspacePersona::gamer);
    settings.setWorkspacePersona(QStringLiteral("nonsense"));
    EXPECT_EQ(t.workspacePersona(), WorkspacePersona::aiEngineer);
    EXPECT_EQ(changes.size(), 2);
    EXPECT_DOUBLE_EQ(t.logoScale(), 1.0);
    t.setLogoScale(1.15);
    EXPECT_DOUBLE_EQ(t.logoScale(), 1.15);
}

} // namespace
