#include "dashboard/ai/AIHardwareView.h"
#include "theme/ThemeManager.h"
#include "core/NotificationCenter.h"
#include "core/SettingsStore.h"
#include "dashboard/DashboardPageState.h"
#include "dashboard/DashboardRouter.h"
#include "dashboard/DashboardSidebar.h"
#include "dashboard/SettingsView.h"
#include "dashboard/SidebarCatalog.h"
#include "dashboard/SidebarButton.h"
#include "dashboard/pages/PerformancePresetsView.h"
#include "fakes/FakePowerSource.h"
#include "fakes/FakeRunningApplications.h"
#include "fakes/FakeSleepInhibitor.h"
#include "fakes/FakeTerminalLauncher.h"
#include "fakes/InertStatsProvider.h"
#include "telemetry/PresetManager.h"
#include "support/TaskRunner.h"

#include <QCoreApplication>
#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `act` when `watched` receives an event of `type`.
class EventHook : public QObject {
public:
    EventHook(QObject* watched, QEvent::Type type, std::function<void()> act)
        : m_type(type), m_act(std::move(act))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == m_type)
            m_act();
        return false;
    }

private:
    QEvent::Type m_type;
    std::function<void()> m_act;
};

QStringList titlesOf(const QList<SidebarItem>& items)
{
    QStringList titles;
    for (const SidebarItem& item : items)
        titles << item.title;
    return titles;
}

QStringList buttonTitles(const SettingsView& view)
{
    QStringList titles;
    for (const SidebarButton* button : view.sidebar()->buttons())
        titles << button->item().title;
    return titles;
}

class SettingsViewTest : public ::testing::Test {
protected:
    ~SettingsViewTest() override { SettingsView::setOnboardingOverlayFactory({}); }

    std::unique_ptr<SettingsView> make(const QString& tab = QStringLiteral("AI Hardware"),
                                       const DashboardRouter* router = nullptr)
    {
        SettingsView::Deps deps;
        deps.themeManager = &theme;
        deps.statsProvider = stats.get();
        deps.settings = &settings;
        deps.notifications = &notifications;
        deps.router = router;
        deps.presetManager = &presets;
        deps.quit = [this] { ++quits; };
        return std::make_unique<SettingsView>(std::move(deps), tab);
    }

    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
    ThemeManager theme{settings};
    NotificationCenter notifications;
    InertStatsProvider stats;
    FakeSleepInhibitor inhibitor;
    FakeTerminalLauncher terminal;
    FakePowerSource power;
    FakeRunningApplications applications;
    PresetManager presets{{&inhibitor, &terminal, &power, &applications}};
    int quits = 0;
};

TEST_F(SettingsViewTest, SidebarFollowsThePersona)
{
    auto view = make();
    EXPECT_EQ(view->size(), QSize(960, 700));
    EXPECT_EQ(view->sidebar()->width(), 230);
    EXPECT_TRUE(view->sidebar()->showsLogoImage()); // the image built into the program
    EXPECT_EQ(view->sidebar()->sectionHeaders(),
              QStringList({"AI INTELLIGENCE", "SYSTEM MONITOR", "PREFERENCES"}));
    EXPECT_EQ(view->aiSectionItems(),
              QList<SidebarItem>({{"cpu", "AI Hardware"},
                                  {"shippingbox.fill", "AI Models"},
                                  {"bolt.shield.fill", "Performance Presets"},
                                  {"bolt.horizontal.circle.fill", "API Sentinel"},
                                  {"sparkles", "AI Co-Pilot"}}));
    EXPECT_EQ(titlesOf(view->monitorSectionItems()),
              QStringList({"Sensors", "Memory", "Disk", "Network", "Fans", "Power", "History"}));
    EXPECT_EQ(buttonTitles(*view).size(), 5 + 7 + 3);
    EXPECT_EQ(buttonTitles(*view).mid(12), QStringList({"System Info", "Help Guide", "Settings"}));

    // A new persona rebuilds the first two sections at once; the selection stays.
    settings.setWorkspacePersona(QStringLiteral("Gamer"));
    EXPECT_EQ(view->sidebar()->sectionHeaders().first(), "GAMER SUITE");
    EXPECT_EQ(buttonTitles(*view),
              QStringList({"Performance Presets", "Sensors", "Memory", "Game Caches", "Fans & Cooling", "Power",
                           "System Info", "Help Guide", "Settings"}));
    EXPECT_EQ(view->selectedSidebarItem(), "AI Hardware");
    EXPECT_EQ(view->titleText(), "AI Hardware");
    for (const SidebarButton* button : view->sidebar()->buttons())
        EXPECT_FALSE(button->isSelected()) << button->item().title.toStdString();
    // An ampersand in a title is text, not a keyboard shortcut.
    EXPECT_TRUE(view->sidebar()->button(QStringLiteral("Fans & Cooling"))->shortcut().isEmpty());

    settings.setWorkspacePersona(QStringLiteral("Content Creator"));
    EXPECT_EQ(titlesOf(view->aiSectionItems()), QStringList({"Performance Presets", "VRAM Shield"}));
    EXPECT_FALSE(buttonTitles(*view).contains("Network"));
    settings.setWorkspacePersona(QStringLiteral("Software Developer"));
    EXPECT_TRUE(buttonTitles(*view).contains("Developer Caches"));
    settings.setWorkspacePersona(QStringLiteral("ai engineer"));
    EXPECT_EQ(view->workspacePersona(), WorkspacePersona::aiEngineer);
    EXPECT_EQ(view->sidebar()->sectionHeaders().first(), "AI INTELLIGENCE");

    // The Light theme gives the window the light scheme.
    theme.setCurrentTheme(AppTheme::light);
    EXPECT_EQ(colorSchemeOf(view.get()), ColorScheme::light);
}

TEST_F(SettingsViewTest, SparklesMarkExactlyTheAIPages)
{
    QStringList marked;
    for (WorkspacePersona persona : WorkspacePersona::allCases()) {
        const QList<SidebarItem> all = SidebarCatalog::aiSectionItems(persona) + SidebarCatalog::monitorSectionItems(persona) +
                                       SidebarCatalog::utilityItems();
        for (const SidebarItem& item : all)
            if (SidebarButton::carriesSparkles(item.title) && !marked.contains(item.title))
                marked << item.title;
    }
    EXPECT_EQ(marked, QStringList({"AI Hardware", "AI Models", "AI Co-Pilot"}));
}

TEST_F(SettingsViewTest, TourStartsOnFirstAppearanceUntilCompleted)
{
    int overlays = 0;
    SettingsView::setOnboardingOverlayFactory([&](SettingsView&) {
        ++overlays;
        return new QWidget;
    });
    settings.setOnboardingTourStep(3);
    {
        auto view = make();
        EXPECT_EQ(view->onboardingOverlay(), nullptr);
        view->show();
        EXPECT_EQ(settings.onboardingTourStep(), 0);
        EXPECT_TRUE(settings.showOnboardingTour());
        ASSERT_NE(view->onboardingOverlay(), nullptr);
        EXPECT_TRUE(view->onboardingOverlay()->isVisible());
        EXPECT_EQ(view->onboardingOverlay()->geometry(), view->rect());
        // Only once per window.
        settings.setShowOnboardingTour(false);
        EXPECT_EQ(view->onboardingOverlay(), nullptr);
        view->hide();
        view->show();
        EXPECT_FALSE(settings.showOnboardingTour());
    }

    settings.setHasCompletedOnboardingTour(true);
    settings.setOnboardingTourStep(6);
    auto view = make();
    view->show();
    EXPECT_FALSE(settings.showOnboardingTour());
    EXPECT_EQ(view->onboardingOverlay(), nullptr);

    // "StartTour" rewinds to step 0, then shows it, whatever was completed.
    QStringList writes;
    QObject::connect(&settings, &SettingsStore::changed, [&](const QString& key) { writes << key; });
    notifications.post(QStringLiteral("StartTour"));
    EXPECT_EQ(writes, QStringList({"onboardingTourStep", "showOnboardingTour"}));
    EXPECT_EQ(settings.onboardingTourStep(), 0);
    EXPECT_NE(view->onboardingOverlay(), nullptr);
    EXPECT_EQ(overlays, 2);

    // The tour's sidebar step outlines the selected row with a pulse.
    SidebarButton* selected = view->sidebar()->button(QStringLiteral("AI Hardware"));
    SidebarButton* other = view->sidebar()->button(QStringLiteral("Memory"));
    settings.setOnboardingTourStep(4);
    EXPECT_TRUE(selected->isTourHighlight());
    EXPECT_TRUE(selected->pulsate());
    settings.setOnboardingTourStep(5);
    EXPECT_FALSE(selected->pulsate());
    EXPECT_FALSE(other->isSelected());
}

TEST_F(SettingsViewTest, RouterMatchesTitlesExactly)
{
    const QList<std::pair<DashboardPage, QStringList>> table = {
        {DashboardPage::settings, {"Settings"}},
        {DashboardPage::history, {"History"}},
        {DashboardPage::sensors, {"Sensors"}},
        {DashboardPage::memory, {"Memory", "VRAM Shield"}},
        {DashboardPage::disk, {"Disk", "Developer Caches", "Creator Caches", "Game Caches"}},
        {DashboardPage::power, {"Power"}},
        {DashboardPage::network, {"Network"}},
        {DashboardPage::fans, {"Fans", "Fans & Cooling"}},
        {DashboardPage::aiHardware, {"AI Hardware"}},
        {DashboardPage::aiModels, {"AI Models"}},
        {DashboardPage::performancePresets, {"Performance Presets"}},
        {DashboardPage::apiSentinel, {"API Sentinel"}},
        {DashboardPage::aiCoPilot, {"AI Co-Pilot"}},
        {DashboardPage::helpGuide, {"Help Guide"}},
        {DashboardPage::systemInfo, {"System Info"}},
    };
    for (const auto& [page, titles] : table)
        for (const QString& title : titles)
            EXPECT_EQ(DashboardRouter::route(title), page) << title.toStdString();
    for (const char* stranger : {"ai hardware", "AI  Hardware", " Settings", "Settings ", "AI Monitor", "", "fans"})
        EXPECT_EQ(DashboardRouter::route(QString::fromUtf8(stranger)), DashboardPage::empty) << stranger;
    // Every sidebar title of every persona leads to a page.
    for (WorkspacePersona persona : WorkspacePersona::allCases())
        for (const SidebarItem& item : SidebarCatalog::aiSectionItems(persona) + SidebarCatalog::monitorSectionItems(persona))
            EXPECT_NE(DashboardRouter::route(item.title), DashboardPage::empty) << item.title.toStdString();

    auto view = make();
    EXPECT_NE(qobject_cast<AIHardwareView*>(view->contentView()), nullptr);
    view->setSelectedSidebarItem(QStringLiteral("Nowhere <b>at all</b>"));
    EXPECT_EQ(view->contentView()->objectName(), "emptyPage");
    EXPECT_EQ(view->titleText(), "Nowhere <b>at all</b>");
    for (const SidebarButton* button : view->sidebar()->buttons())
        EXPECT_FALSE(button->isSelected());
}

TEST_F(SettingsViewTest, ChoosingTheShownPageAgainKeepsIt)
{
    DashboardRouter router;
    int built = 0;
    router.setFactory(DashboardPage::memory, [&](const DashboardPageContext& context) -> QWidget* {
        ++built;
        EXPECT_EQ(context.stats, stats.get());
        EXPECT_EQ(context.settings, &settings);
        return new QWidget;
    });
    auto view = make(QStringLiteral("Memory"), &router);
    EXPECT_EQ(built, 1);
    QWidget* page = view->contentView();
    SidebarButton* memory = view->sidebar()->button(QStringLiteral("Memory"));
    view->show();
    QTest::mouseClick(memory, Qt::LeftButton);
    EXPECT_EQ(built, 1);
    EXPECT_EQ(view->contentView(), page);

    view->setSelectedSidebarItem(QStringLiteral("VRAM Shield"));
    EXPECT_EQ(built, 2);
    EXPECT_EQ(view->titleText(), "VRAM Shield");
    EXPECT_FALSE(memory->isSelected());
    QTest::mouseClick(memory, Qt::LeftButton);
    EXPECT_EQ(built, 3);
    EXPECT_TRUE(memory->isSelected());
    QTest::mouseClick(view->sidebar()->button(QStringLiteral("Disk")), Qt::LeftButton);
    EXPECT_EQ(view->state()->selectedSidebarItem(), "Disk");
    EXPECT_EQ(view->contentView()->objectName(), "emptyPage");
}

TEST_F(SettingsViewTest, PagesLeftWhileTheStateKeepsThemAreShownAgainUntilItStops)
{
    DashboardRouter router;
    QMap<DashboardPage, int> built;
    for (const DashboardPage page : {DashboardPage::memory, DashboardPage::disk})
        router.setFactory(page, [&built, page](const DashboardPageContext&) -> QWidget* {
            ++built[page];
            return new QWidget;
        });
    auto view = make(QStringLiteral("Memory"), &router);
    view->show();
    view->state()->setKeepsBuiltPages(true);
    QPointer<QWidget> memory = view->contentView();
    view->setSelectedSidebarItem(QStringLiteral("Disk"));
    QPointer<QWidget> disk = view->contentView();
    EXPECT_FALSE(memory->isVisible()); // kept out of sight: it paints nothing
    view->setSelectedSidebarItem(QStringLiteral("Memory"));
    EXPECT_EQ(view->contentView(), memory.data());
    EXPECT_TRUE(memory->isVisible());
    EXPECT_FALSE(disk->isVisible());
    view->setSelectedSidebarItem(QStringLiteral("Disk"));
    EXPECT_EQ(view->contentView(), disk.data());
    EXPECT_EQ(built[DashboardPage::memory], 1);
    EXPECT_EQ(built[DashboardPage::disk], 1);

    // Once it stops, the pages out of sight go and a visit builds anew.
    view->state()->setKeepsBuiltPages(false);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(memory.isNull());
    EXPECT_EQ(view->contentView(), disk.data());
    view->setSelectedSidebarItem(QStringLiteral("Memory"));
    view->setSelectedSidebarItem(QStringLiteral("Disk"));
    EXPECT_EQ(built[DashboardPage::memory], 2);
    EXPECT_EQ(built[DashboardPage::disk], 2);

    // A window closed while it keeps pages: the tour it holds stops keeping
    // them as it is hidden, after this view has gone.
    view->state()->setKeepsBuiltPages(true);
    view->setSelectedSidebarItem(QStringLiteral("Memory"));
    auto* tour = new QWidget(view.get());
    tour->show();
    EventHook stops(tour, QEvent::Hide, [state = view->state()] { state->setKeepsBuiltPages(false); });
    view.reset();
}

TEST_F(SettingsViewTest, PageMayChooseAnotherPageFromItsOwnButton)
{
    DashboardRouter router;
    bool pageAliveAfterChoosing = false;
    router.setFactory(DashboardPage::helpGuide, [&](const DashboardPageContext& context) -> QWidget* {
        auto* page = new QPushButton(QStringLiteral("Go to Memory"));
        DashboardPageState* state = context.state;
        QObject::connect(page, &QAbstractButton::clicked, page, [&, page, state] {
            QPointer<QWidget> self(page);
            state->setSelectedSidebarItem(QStringLiteral("Memory"));
            pageAliveAfterChoosing = !self.isNull();
        });
        return page;
    });
    auto view = make(QStringLiteral("Help Guide"), &router);
    view->show();
    QPointer<QWidget> helpPage = view->contentView();
    QTest::mouseClick(static_cast<QPushButton*>(helpPage.data()), Qt::LeftButton);
    EXPECT_TRUE(pageAliveAfterChoosing);
    EXPECT_EQ(view->titleText(), "Memory");
    EXPECT_NE(view->contentView(), helpPage.data());
    EXPECT_TRUE(helpPage->isHidden());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(helpPage.isNull());
}

TEST_F(SettingsViewTest, PageChosenElsewhereIsBroughtIntoTheSidebarsView)
{
    // The AI Engineer's list is taller than the window.
    auto view = make();
    view->show();
    SidebarButton* settingsRow = view->sidebar()->button(QStringLiteral("Settings"));
    ASSERT_TRUE(waitUntil([&] { return view->sidebar()->button(QStringLiteral("AI Hardware"))->visibleRegion().boundingRect().height() == 32; }));
    EXPECT_LT(settingsRow->visibleRegion().boundingRect().height(), 32);
    view->setSelectedSidebarItem(QStringLiteral("Settings"));
    EXPECT_TRUE(waitUntil([&] { return settingsRow->visibleRegion().boundingRect().height() == 32; }));
}

TEST_F(SettingsViewTest, QuitEndsTheApplicationThroughItsHook)
{
    auto view = make();
    view->show();
    EXPECT_EQ(view->sidebar()->quitButton()->toolTip(), "Quit Kestrova");
    QTest::mouseClick(view->sidebar()->quitButton(), Qt::LeftButton);
    EXPECT_EQ(quits, 1);
}

TEST_F(SettingsViewTest, PresetsPageIsBuiltAnewOnEveryVisitOverTheSameManager)
{
    auto view = make(QStringLiteral("Performance Presets"));
    auto* first = qobject_cast<PerformancePresetsView*>(view->contentView());
    ASSERT_NE(first, nullptr);
    first->applyPreset(PerformancePreset::gameMode);
    ASSERT_TRUE(waitUntil([&] { return first->executionLogs().size() == 5; }));

    view->setSelectedSidebarItem(QStringLiteral("Performance Presets"));
    EXPECT_EQ(view->contentView(), first); // the same title keeps the page and its log

    view->setSelectedSidebarItem(QStringLiteral("AI Hardware"));
    view->setSelectedSidebarItem(QStringLiteral("Performance Presets"));
    auto* second = qobject_cast<PerformancePresetsView*>(view->contentView());
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->executionLogs(), PerformancePresetsView::seedLogs());
    EXPECT_EQ(presets.activePreset(), PerformancePreset::gameMode);
}

} // namespace
