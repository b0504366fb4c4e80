#include "popover/ai/AITabView.h"
#include "popover/ai/TelemetrySubTab.h"

#include "fakes/InertLocalAIServices.h"
#include "fakes/PaintCounter.h"
#include "popover/PopoverView.h"
#include "support/InertServices.h"
#include "support/TaskRunner.h"
#include "theme/ColorScheme.h"
#include "theme/InkOnFill.h"
#include "widgets/DestructiveIconButton.h"
#include "widgets/KeyedRowList.h"
#include "widgets/LoadedModelRow.h"
#include "widgets/ModelServerStatusCapsule.h"
#include "widgets/PlainLabel.h"
#include "widgets/ProcessRow.h"
#include "widgets/SubTabButton.h"
#include "widgets/SuspendedProcessBanner.h"
#include "widgets/SymbolButton.h"
#include "widgets/SymbolView.h"
#include "widgets/ToggleSwitch.h"
#include "widgets/UnifiedMemoryBlock.h"
#include "widgets/LegendItemSmall.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QEnterEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

ProcessInfoData process(qint32 pid, const QString& fullPath, bool suspended = false)
{
    ProcessInfoData p;
    p.id = pid;
    p.fullPath = fullPath;
    p.name = fullPath.section(QLatin1Char('/'), -1);
    p.cpuUsage = 12.5;
    p.isSuspended = suspended;
    return p;
}

SymbolButton* freezeOf(QWidget* row) { return row->findChild<SymbolButton*>(QStringLiteral("freezeButton")); }

class AITabViewTest : public ::testing::Test {
protected:
    std::unique_ptr<AITabView> make()
    {
        auto page = std::make_unique<AITabView>(
            s.stats.get(), s.processMonitor.get(), nullptr,
            AITabView::Services{&s.settings, &s.themes, ai.localAI.get(), ai.buildCache.get(), ai.latency.get()});
        page->resize(320, 560);
        page->show();
        return page;
    }
    TelemetrySubTab* telemetryOf(AITabView& page)
    {
        auto* tab = qobject_cast<TelemetrySubTab*>(page.currentContent());
        if (tab)
            tab->refreshNow();
        return tab;
    }

    InertServices s;
    InertLocalAIServices ai;
};

TEST_F(AITabViewTest, PillsSelectTheirSubTabAndAnyOtherIndexShowsTelemetry)
{
    auto page = make();
    ASSERT_EQ(page->subTabButtons().size(), 4);
    EXPECT_EQ(page->selectedSubTab(), 0);
    EXPECT_NE(telemetryOf(*page), nullptr);

    const QColor secondary = UiColor(SystemColor::secondary).resolve(page.get());
    EXPECT_EQ(page->subTabButtons()[0]->inkColor(), QColor(Qt::white));
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(page->subTabButtons()[i]->inkColor(), secondary) << i;

    const struct {
        int click;
        AITabView::SubTab shown;
    } clicks[] = {{2, AITabView::caches}, {2, AITabView::caches}, {1, AITabView::optimizer},
                  {3, AITabView::servers}, {0, AITabView::telemetry}};
    for (const auto& c : clicks) {
        QTest::mouseClick(page->subTabButtons()[c.click], Qt::LeftButton);
        EXPECT_EQ(page->selectedSubTab(), c.click);
        EXPECT_EQ(page->shownSubTab(), c.shown);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(page->subTabButtons()[i]->isSelected(), i == c.click);
    }

    for (int outside : {4, -1, 99}) {
        page->setSelectedSubTab(outside);
        EXPECT_EQ(page->shownSubTab(), AITabView::telemetry) << outside;
        EXPECT_NE(telemetryOf(*page), nullptr) << outside;
    }
}

TEST_F(AITabViewTest, CapsuleFollowsTheServerStatusAndTheAccentFollowsTheTheme)
{
    auto page = make();
    const struct {
        OllamaStatus status;
        SystemColor dot;
        const char* word;
    } cases[] = {{OllamaStatus::idle, SystemColor::orange, "Idle"},
                 {OllamaStatus::active, SystemColor::green, "Active"},
                 {OllamaStatus::offline, SystemColor::red, "Offline"}};
    EXPECT_EQ(page->statusCapsule()->word(), "Offline");
    for (const auto& c : cases) {
        ai.localAI->setStatus(c.status);
        EXPECT_EQ(page->statusCapsule()->word(), c.word);
        EXPECT_EQ(page->statusCapsule()->dotColor(), UiColor(c.dot));
    }

    s.themes.setCurrentTheme(AppTheme::cyberpunk);
    const UiColor cyan = UiColor::rgb(0, 0.95, 1);
    EXPECT_EQ(page->headerSymbol()->tint(), cyan);
    EXPECT_EQ(page->titleLabel()->textColor(), cyan);
    EXPECT_EQ(telemetryOf(*page)->memoryBlock()->legend()[1]->color(), cyan);
}

TEST_F(AITabViewTest, AccentFillsCarryTextThatContrasts)
{
    auto page = make();
    applyColorScheme(page.get(), ColorScheme::dark); // as in the popover
    const struct {
        AppTheme theme;
        QColor ink;
    } cases[] = {{AppTheme::standard, Qt::white}, {AppTheme::light, Qt::white}, {AppTheme::ink, Qt::black},
                 {AppTheme::cyberpunk, Qt::black}, {AppTheme::nordic, Qt::black}};
    for (const auto& c : cases) {
        s.themes.setCurrentTheme(c.theme);
        SubTabButton* selected = page->subTabButtons()[0];
        EXPECT_EQ(selected->inkColor(), c.ink) << c.theme.rawValue().toStdString();
        const QColor fill = c.theme.accentColor().resolve(selected);
        EXPECT_GE(contrastRatio(selected->inkColor(), fill), 3.0) << c.theme.rawValue().toStdString();
    }
}

TEST_F(AITabViewTest, SandboxSwitchWritesDemoMode)
{
    auto page = make();
    TelemetrySubTab* tab = telemetryOf(*page);
    EXPECT_TRUE(tab->sandboxSwitch()->isChecked());
    EXPECT_EQ(tab->sandboxSymbol()->symbol(), "play.desktopcomputer");

    QTest::mouseClick(tab->sandboxSwitch(), Qt::LeftButton);
    EXPECT_FALSE(ai.localAI->demoMode());
    tab->refreshNow();
    EXPECT_EQ(tab->sandboxSymbol()->symbol(), "network.badge.shield.half.filled");

    ai.localAI->setDemoMode(true);
    tab->refreshNow();
    EXPECT_TRUE(tab->sandboxSwitch()->isChecked());
    EXPECT_EQ(tab->sandboxSymbol()->symbol(), "play.desktopcomputer");
}

TEST_F(AITabViewTest, LoadedModelsCountWhileActiveAndEjectReachesTheService)
{
    ai.loadDemoRows();
    auto page = make();
    TelemetrySubTab* tab = telemetryOf(*page);
    EXPECT_TRUE(tab->loadedCounter()->isVisibleTo(tab));
    EXPECT_EQ(tab->loadedCounter()->text(), "2 Loaded");
    ASSERT_EQ(tab->modelList()->count(), 2);
    auto* first = static_cast<LoadedModelRow*>(tab->modelList()->rows()[0]);
    EXPECT_EQ(first->nameText(), "deepseek-coder:6.7b");
    EXPECT_EQ(first->tagText(), "6.7B");
    EXPECT_EQ(first->detailText(), "GGUF \u2022 Q4_K_M");
    EXPECT_EQ(first->sizeLabelText(), "4.4 GB");
    EXPECT_EQ(first->ejectButton()->toolTip(), TelemetrySubTab::kEjectHelp);

    QTest::mouseClick(first->ejectButton(), Qt::LeftButton);
    ASSERT_EQ(ai.localAI->activeModels().size(), 1);
    EXPECT_EQ(ai.localAI->activeModels()[0].name, "llama3:8b");
    tab->refreshNow();
    EXPECT_EQ(tab->loadedCounter()->text(), "1 Loaded");

    ai.localAI->setStatus(OllamaStatus::idle);
    ai.localAI->setActiveModels({});
    tab->refreshNow();
    EXPECT_FALSE(tab->loadedCounter()->isVisibleTo(tab));
    EXPECT_TRUE(tab->emptyModelsCard()->isVisibleTo(tab));
}

TEST_F(AITabViewTest, ExampleModelsOfferNoEjectOnceDemoModeIsOff)
{
    ai.loadDemoRows();
    LocalAIModel real{QStringLiteral("qwen2.5:7b"), 4'000'000'000, QStringLiteral("7B"), QStringLiteral("Q4_K_M"),
                      QStringLiteral("gguf"), std::nullopt};
    QList<LocalAIModel> models = ai.localAI->activeModels();
    models << real;
    ai.localAI->setActiveModels(models);
    auto page = make();
    TelemetrySubTab* tab = telemetryOf(*page);
    const auto offersEject = [&](int i) {
        return static_cast<LoadedModelRow*>(tab->modelList()->rows()[i])->ejectButton()->isVisibleTo(tab);
    };
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(offersEject(i)) << i;

    ai.localAI->setDemoMode(false);
    tab->refreshNow();
    EXPECT_FALSE(offersEject(0));
    EXPECT_FALSE(offersEject(1));
    EXPECT_TRUE(offersEject(2));
}

TEST_F(AITabViewTest, ProcessSectionListsAIWorkWithOneBannerOrTheSampleRow)
{
    auto page = make();
    TelemetrySubTab* tab = telemetryOf(*page);
    EXPECT_EQ(tab->processList()->count(), 0);
    EXPECT_TRUE(tab->sampleRow()->isVisibleTo(tab));
    EXPECT_EQ(tab->sampleRow()->name(), TelemetrySubTab::kSampleName);
    EXPECT_FALSE(freezeOf(tab->sampleRow())->isVisibleTo(tab));
    EXPECT_FALSE(tab->suspendedBanner()->isVisibleTo(tab));

    s.processMonitor->setTopProcesses({process(300, QStringLiteral("/usr/bin/jupyter")),
                                       process(301, QStringLiteral("/usr/local/bin/Ollama"), true),
                                       process(302, QStringLiteral("/home/u/miniconda3/bin/node")),
                                       process(303, QStringLiteral("/usr/bin/python3"), true)});
    tab->refreshNow();
    EXPECT_EQ(tab->processList()->keys(), (QStringList{"301", "302", "303"}));
    EXPECT_FALSE(tab->sampleRow()->isVisibleTo(tab));
    EXPECT_TRUE(tab->suspendedBanner()->isVisibleTo(tab));
    EXPECT_EQ(tab->findChildren<SuspendedProcessBanner*>().size(), 1);

    for (QWidget* row : tab->processList()->rows())
        EXPECT_TRUE(freezeOf(row)->isVisibleTo(tab));

    // The list holds still under the pointer.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(tab->processList(), &enter);
    EXPECT_TRUE(s.processMonitor->isPaused());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(tab->processList(), &leave);
    EXPECT_FALSE(s.processMonitor->isPaused());
}

// The sampler announces new figures every second, the process monitor a
// new list every two: a refresh whose figures came back the same repaints
// nothing, the faded sample row (drawn through its opacity effect) and the
// real process rows included.
TEST_F(AITabViewTest, ARefreshWithUnchangedFiguresRepaintsNothing)
{
    const struct {
        const char* name;
        QList<ProcessInfoData> processes;
    } cases[] = {
        {"sample row", {}},
        {"process rows", {process(400, QStringLiteral("/usr/bin/python3")), process(401, QStringLiteral("/opt/ollama"))}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ai.loadDemoRows();
        s.processMonitor->setTopProcesses(c.processes);
        auto page = make();
        TelemetrySubTab* tab = telemetryOf(*page);
        ASSERT_NE(tab, nullptr);
        ASSERT_EQ(tab->sampleRow()->isVisible(), c.processes.isEmpty());
        QTest::qWait(50); // the first paint

        PaintCounter paints;
        qApp->installEventFilter(&paints);
        emit s.stats->aneUsageChanged();
        emit s.stats->memoryUsedChanged();
        emit ai.localAI->activeModelsChanged();
        emit s.processMonitor->topProcessesChanged();
        tab->refreshNow();
        QTest::qWait(50);
        qApp->removeEventFilter(&paints);
        EXPECT_EQ(paints.painted.join(u' ').toStdString(), "");
    }
}

TEST_F(AITabViewTest, ThePopoverLeavesScrollingToThePage)
{
    PopoverView::Services services;
    services.settings = &s.settings;
    services.localAI = ai.localAI.get();
    services.buildCache = ai.buildCache.get();
    services.latency = ai.latency.get();
    ai.loadDemoRows();
    QList<ProcessInfoData> busy;
    for (qint32 pid = 400; pid < 406; ++pid)
        busy << process(pid, QStringLiteral("/usr/bin/python3"));
    s.processMonitor->setTopProcesses(busy);
    PopoverView view(s.stats.get(), s.processMonitor.get(), s.ping.get(), &s.themes, nullptr, services);
    view.setSelectedTab(4);
    view.show();
    QCoreApplication::processEvents();
    auto* page = qobject_cast<AITabView*>(view.currentPage());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(view.findChild<QScrollArea*>(QStringLiteral("pageArea"))->verticalScrollBar()->maximum(), 0);
    EXPECT_GT(page->scrollArea()->verticalScrollBar()->maximum(), 0);
}

} // namespace
