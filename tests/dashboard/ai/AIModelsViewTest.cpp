#include "dashboard/ai/AIModelsView.h"

#include "fakes/InertLocalAIServices.h"
#include "support/InertServices.h"
#include "widgets/DestructiveIconButton.h"
#include "widgets/KeyedRowList.h"
#include "widgets/LoadedModelRow.h"
#include "widgets/PlainLabel.h"
#include "widgets/ProcessRow.h"
#include "widgets/Spinner.h"
#include "widgets/SuspendedProcessBanner.h"
#include "widgets/SymbolButton.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

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

class AIModelsViewTest : public ::testing::Test {
protected:
    std::unique_ptr<AIModelsView> make()
    {
        auto page = std::make_unique<AIModelsView>(
            s.stats.get(), s.processMonitor.get(),
            AIModelsView::Services{&s.themes, ai.localAI.get(), ai.buildCache.get(), &s.settings, &ai.scheduler});
        page->resize(650, 900);
        page->show();
        page->refreshNow();
        return page;
    }

    InertServices s;
    InertLocalAIServices ai;
};

TEST_F(AIModelsViewTest, DemoModelsWithEjectAndACounterThatIsAlwaysShown)
{
    auto page = make();
    EXPECT_EQ(page->loadedCounter()->text(), "0 Loaded");
    EXPECT_TRUE(page->loadedCounter()->isVisibleTo(page.get()));
    EXPECT_TRUE(page->emptyModelsBox()->isVisibleTo(page.get()));

    ai.loadDemoRows();
    page->refreshNow();
    EXPECT_EQ(page->loadedCounter()->text(), "2 Loaded");
    auto* first = static_cast<LoadedModelRow*>(page->modelList()->rows()[0]);
    auto* second = static_cast<LoadedModelRow*>(page->modelList()->rows()[1]);
    EXPECT_EQ(first->tagText(), "6.7B");
    EXPECT_EQ(first->detailText(), "GGUF \u2022 Q4_K_M");
    EXPECT_EQ(first->sizeLabelText(), "4.4 GB");
    EXPECT_EQ(second->tagText(), "8B");
    EXPECT_EQ(second->sizeLabelText(), "4.3 GB");
    EXPECT_EQ(first->ejectButton()->toolTip(), AIModelsView::kEjectHelp);

    QTest::mouseClick(first->ejectButton(), Qt::LeftButton);
    ASSERT_EQ(ai.localAI->activeModels().size(), 1);
    EXPECT_EQ(ai.localAI->activeModels()[0].name, "llama3:8b");
    page->refreshNow();
    EXPECT_EQ(page->loadedCounter()->text(), "1 Loaded");
}

TEST_F(AIModelsViewTest, PlaceholderWithoutAIProcessesAndOneBannerForFrozenOnes)
{
    auto page = make();
    EXPECT_TRUE(page->placeholderRow()->isVisibleTo(page.get()));
    EXPECT_EQ(page->placeholderRow()->name(), AIModelsView::kPlaceholderName);
    EXPECT_FALSE(page->placeholderRow()->findChild<SymbolButton*>(QStringLiteral("freezeButton"))
                     ->isVisibleTo(page.get()));
    EXPECT_FALSE(page->suspendedBanner()->isVisibleTo(page.get()));

    s.processMonitor->setTopProcesses({process(7, QStringLiteral("/usr/bin/jupyter"), true)});
    page->refreshNow();
    EXPECT_FALSE(page->suspendedBanner()->isVisibleTo(page.get())); // frozen, but not AI work

    s.processMonitor->setTopProcesses({process(8, QStringLiteral("/usr/bin/python3"), true),
                                       process(9, QStringLiteral("/usr/local/bin/ollama"), true)});
    page->refreshNow();
    EXPECT_TRUE(page->suspendedBanner()->isVisibleTo(page.get()));
    EXPECT_EQ(page->findChildren<SuspendedProcessBanner*>().size(), 1);
    EXPECT_EQ(page->processList()->count(), 2);
    EXPECT_FALSE(page->placeholderRow()->isVisibleTo(page.get()));
}

// The monitor decides where freeze is offered, as on every other list.
TEST_F(AIModelsViewTest, FreezeIsOfferedOnlyWhereTheMonitorAllowsIt)
{
    auto page = make();
    const auto self = qint32(QCoreApplication::applicationPid());
    s.processMonitor->setTopProcesses({process(1, QStringLiteral("/usr/bin/python3")),
                                       process(self, QStringLiteral("/usr/bin/python3")),
                                       process(4005, QStringLiteral("/usr/bin/python3"))});
    page->refreshNow();
    QStringList offered;
    for (QWidget* row : page->processList()->rows())
        offered << (row->findChild<SymbolButton*>(QStringLiteral("freezeButton"))->isHidden() ? "-" : "freeze");
    EXPECT_EQ(offered, QStringList({"-", "-", "freeze"}));
}

TEST_F(AIModelsViewTest, DeduplicateClearsTheFiguresAndHoldsTheButtonForOneAndAHalfSeconds)
{
    auto page = make();
    EXPECT_EQ(page->cachedTotalLabel()->text(), "30.6 GB Cached");
    EXPECT_EQ(page->cacheSizeTexts(), (QStringList{"12.4 GB", "18.2 GB"}));

    QTest::mouseClick(page->deduplicateButton(), Qt::LeftButton);
    page->refreshNow();
    EXPECT_EQ(page->cachedTotalLabel()->text(), "0.0 GB Cached");
    EXPECT_EQ(page->cacheSizeTexts(), (QStringList{"0.0 GB", "0.0 GB"}));
    EXPECT_TRUE(page->isPurgingCache());
    EXPECT_FALSE(page->deduplicateButton()->isEnabled());
    EXPECT_TRUE(page->deduplicateSpinner()->isVisibleTo(page.get()));
    ASSERT_EQ(ai.scheduler.delays(), QList<std::chrono::milliseconds>{1500ms});

    QTest::mouseClick(page->deduplicateButton(), Qt::LeftButton); // disabled: no second run
    EXPECT_EQ(ai.scheduler.delays().size(), 1);

    ai.scheduler.advance(1499ms);
    QCoreApplication::processEvents();
    EXPECT_FALSE(page->deduplicateButton()->isEnabled());
    ai.scheduler.advance(1ms);
    QCoreApplication::processEvents();
    EXPECT_FALSE(page->isPurgingCache());
    EXPECT_TRUE(page->deduplicateButton()->isEnabled());
    EXPECT_FALSE(page->deduplicateSpinner()->isVisibleTo(page.get()));
}

TEST_F(AIModelsViewTest, APageClosedDuringTheHoldIsLeftAlone)
{
    auto page = make();
    QTest::mouseClick(page->deduplicateButton(), Qt::LeftButton);
    ASSERT_EQ(ai.scheduler.pendingCount(), 1);
    page.reset();
    ai.scheduler.advance(1500ms);
    QCoreApplication::processEvents();
    EXPECT_EQ(ai.scheduler.pendingCount(), 0);
}

} // namespace
