#include "dashboard/pages/CacheRow.h"
#include "dashboard/pages/DiskPage.h"
#include "dashboard/pages/PurgeChain.h"

#include "dashboard/DashboardPageState.h"
#include "fakes/InertStatsProvider.h"
#include "fakes/ManualScheduler.h"
#include "localai/BuildCacheService.h"
#include "support/InertServices.h"
#include "support/TaskRunner.h"
#include "widgets/AccentPillButton.h"
#include "widgets/Badge.h"
#include "widgets/PlainLabel.h"

#include <QCoreApplication>
#include <QCoroTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

namespace {

// Draws the low or the high end of every range.
class EndRandom final : public Random {
public:
    double uniform(double low, double high) override { return high_ ? high : low; }
    bool high_ = false;
};

struct DiskFixture {
    DiskFixture()
    {
        BuildCacheService::Deps d;
        d.home = home.path();
        d.demoMode = [] { return true; }; // purges touch no file
        buildCache = std::make_unique<BuildCacheService>(std::move(d));
    }

    DiskPage* make(std::function<QCoro::Task<bool>()> purgeHF = {})
    {
        auto* page = new DiskPage({stats.get(), buildCache.get(), &s.settings, &s.themes, &state, &scheduler, &random,
                                   std::move(purgeHF)});
        page->resize(760, 1400);
        page->show();
        return page;
    }
    void turn()
    {
        QCoreApplication::processEvents();
    }
    void advance(std::chrono::milliseconds by)
    {
        scheduler.advance(by);
        turn();
        turn();
    }

    QTemporaryDir home;
    ManualScheduler scheduler{false};
    InertStatsProvider stats{&scheduler};
    InertServices s;
    EndRandom random;
    DashboardPageState state{QStringLiteral("Disk")};
    std::unique_ptr<BuildCacheService> buildCache;
};

} // namespace

TEST(DiskPage, PersonaPicksTheSlotBetweenTheJunkAndTheDriveCards)
{
    DiskFixture f;
    std::unique_ptr<DiskPage> page(f.make());
    const auto expected = [&](WorkspacePersona persona) -> QList<QWidget*> {
        switch (persona) {
        case WorkspacePersona::developer:
            return {page->junkCard(), page->developerCard(), page->driveCard()};
        case WorkspacePersona::creator:
            return {page->junkCard(), page->creativeCard(), page->driveCard()};
        case WorkspacePersona::gamer:
            return {page->junkCard(), page->gamerCard(), page->driveCard()};
        case WorkspacePersona::aiEngineer:
            break;
        }
        return {page->junkCard(), page->huggingFaceCard(), page->ollamaCard(), page->driveCard()};
    };
    for (const WorkspacePersona persona : WorkspacePersona::allCases()) {
        f.s.settings.setWorkspacePersona(persona.rawValue());
        f.turn();
        page->refreshNow();
        EXPECT_EQ(page->shownCards(), expected(persona)) << persona.rawValue().toStdString();
    }
}

TEST(DiskPage, JunkRunsFromScanToBannerAndBackEvenWhenThePageGoes)
{
    for (const bool high : {false, true}) {
        DiskFixture f;
        f.random.high_ = high;
        auto* page = f.make();
        EXPECT_EQ(page->junkControlText(), "Scan Junk");
        page->junkButton()->click();
        page->refreshNow();
        EXPECT_EQ(page->junkControlText(), "Scanning System...");
        f.advance(1500ms);
        page->refreshNow();
        EXPECT_EQ(page->junkControlText(), high ? "Clean 7.90 GB" : "Clean 3.80 GB");

        page->junkButton()->click();
        page->refreshNow();
        EXPECT_EQ(page->junkControlText(), "Sweeping Cache Files...");
        delete page; // another page is looked at meanwhile
        f.advance(2000ms);
        EXPECT_FALSE(f.state.isCleaningJunk());
        EXPECT_TRUE(f.state.showJunkSuccess());
        std::unique_ptr<DiskPage> back(f.make());
        EXPECT_EQ(back->junkControlText(), "");
        EXPECT_FALSE(back->junkBanner()->isHidden());
        f.advance(5000ms);
        back->refreshNow();
        EXPECT_EQ(back->junkControlText(), "Scan Junk");
        EXPECT_EQ(f.state.junkFoundInGB(), 0.0);
        EXPECT_TRUE(back->junkBanner()->isHidden());
    }
}

// The banner follows the purge's own outcome; a failed purge says so in a
// line of its own instead, until the next run starts.
TEST(DiskPage, HuggingFaceBannerOnlyAfterAPurgeThatWorked)
{
    for (const bool works : {true, false}) {
        DiskFixture f;
        int purges = 0;
        std::unique_ptr<DiskPage> page(f.make([&purges, works]() -> QCoro::Task<bool> {
            ++purges;
            co_return works;
        }));
        EXPECT_EQ(page->huggingFaceControlText(), "Scan HF Cache");
        page->huggingFaceButton()->click();
        page->refreshNow();
        EXPECT_EQ(page->huggingFaceControlText(), "Analyzing Model Hub...");
        f.advance(1200ms);
        f.stats->setHuggingFaceCacheSizeInGB(34.2); // the walk's answer
        page->refreshNow();
        EXPECT_EQ(page->huggingFaceControlText(), "Purge 34.20 GB of Models");

        page->huggingFaceButton()->click();
        EXPECT_EQ(purges, 1);
        page->refreshNow();
        EXPECT_EQ(f.state.showHFSuccess(), works);
        EXPECT_EQ(page->huggingFaceBanner()->isHidden(), !works);
        EXPECT_EQ(f.state.showHFFailure(), !works);
        EXPECT_EQ(page->huggingFaceFailure()->isHidden(), works);
        EXPECT_EQ(page->huggingFaceControlText(), works ? "" : "Purge 34.20 GB of Models");
        f.advance(5000ms);
        page->refreshNow();
        EXPECT_TRUE(page->huggingFaceBanner()->isHidden());
        EXPECT_EQ(page->huggingFaceFailure()->isHidden(), works) << "the failure stays until the next run";
        EXPECT_EQ(page->huggingFaceControlText(), "Purge 34.20 GB of Models");

        // Another page and back: the window's state still holds the outcome.
        page.reset(f.make([]() -> QCoro::Task<bool> { co_return true; }));
        EXPECT_EQ(page->huggingFaceFailure()->isHidden(), works);
        page->huggingFaceButton()->click();
        page->refreshNow();
        EXPECT_TRUE(page->huggingFaceFailure()->isHidden());
        EXPECT_FALSE(f.state.showHFFailure());
    }
}

TEST(DiskPage, OllamaPurgeClearsAtOnce)
{
    DiskFixture f;
    std::unique_ptr<DiskPage> page(f.make());
    EXPECT_EQ(page->ollamaControlText(), "Purge 18.20 GB");
    page->ollamaButton()->click();
    page->refreshNow();
    EXPECT_EQ(f.buildCache->ollamaCacheSizeGB(), 0.0);
    EXPECT_EQ(page->ollamaControlText(), "Cleared");
}

TEST(CacheRow, SizesInTheFileStyle)
{
    const std::pair<qint64, const char*> cases[] = {
        {0, "Zero KB"},          {1, "1 byte"},          {999, "999 bytes"},       {1000, "1 KB"},
        {1'500'000, "1.5 MB"},   {2'000'000, "2 MB"},    {12'450'000'000, "12.45 GB"}, {6'120'000'000, "6.12 GB"},
        {999'999, "1 MB"},       {-5, "-5 bytes"},       {-1'500'000, "-1.5 MB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(CacheRow::sizeText(bytes), QString::fromLatin1(text)) << bytes;
}

TEST(CacheRow, CleanBelowOneByteAndASpinnerForOneSecondAfterAPurge)
{
    ManualScheduler scheduler(false);
    int purges = 0;
    CacheRow row(QStringLiteral("Go Build Cache"), 0, [&] { ++purges; }, &scheduler);
    row.show();
    for (const qint64 size : {qint64(0), qint64(-5)}) {
        row.setSize(size);
        EXPECT_FALSE(row.cleanBadge()->isHidden()) << size;
        EXPECT_TRUE(row.purgeButton()->isHidden()) << size;
    }
    row.setSize(1);
    EXPECT_TRUE(row.cleanBadge()->isHidden());
    EXPECT_FALSE(row.purgeButton()->isHidden());

    row.purgeButton()->click();
    EXPECT_TRUE(row.isPurging());
    EXPECT_TRUE(row.purgeButton()->isHidden());
    row.purge(); // refused while the spinner shows
    EXPECT_EQ(purges, 1);
    scheduler.advance(999ms);
    EXPECT_TRUE(row.isPurging());
    scheduler.advance(1ms);
    QCoreApplication::processEvents();
    EXPECT_FALSE(row.isPurging());
    EXPECT_FALSE(row.purgeButton()->isHidden());
}

// Each purge starts when the one before it returns; nothing holds the page.
TEST(PurgeChain, RunsItsStepsOneAfterAnotherAsEachCompletes)
{
    QList<int> started;
    int ended = 0;
    QList<std::shared_ptr<bool>> done;
    QList<PurgeChain::Step> steps;
    for (int i = 0; i < 3; ++i) {
        auto finished = std::make_shared<bool>(false);
        done << finished;
        steps << [&started, &ended, i, finished]() -> QCoro::Task<> {
            started << i;
            return [](std::shared_ptr<bool> flag, int* ended) -> QCoro::Task<> {
                while (!*flag) {
                    QCoro::Task<> pause = QCoro::sleepFor(1ms);
                    co_await std::move(pause);
                }
                ++*ended;
            }(finished, &ended);
        };
    }
    PurgeChain::start(steps);
    EXPECT_EQ(started, QList<int>{0});
    for (int i = 0; i < 3; ++i) {
        *done[i] = true;
        EXPECT_TRUE(waitUntil([&] { return started.size() == std::min(i + 2, 3); }));
        EXPECT_EQ(started.size(), std::min(i + 2, 3));
    }
    // The chain ends with its last step, leaving nothing asleep behind.
    EXPECT_TRUE(waitUntil([&] { return ended == 3; }));
}

TEST(DiskPage, PurgeAllGoesOnAfterTheWindowCloses)
{
    DiskFixture f;
    ASSERT_TRUE(runTask(f.buildCache->scanCaches()));
    ASSERT_GT(f.buildCache->goCacheSize(), 0);
    f.s.settings.setWorkspacePersona(WorkspacePersona(WorkspacePersona::developer).rawValue());
    auto* page = f.make();
    page->refreshNow();
    page->purgeAllDeveloperButton()->click();
    delete page;
    const BuildCacheService& c = *f.buildCache;
    EXPECT_TRUE(waitUntil([&] {
        return c.derivedDataSize() == 0 && c.spmCacheSize() == 0 && c.npmCacheSize() == 0 && c.cargoCacheSize() == 0
               && c.goCacheSize() == 0;
    }));
}

TEST(DiskPage, DriveTextsAndAZeroTotal)
{
    EXPECT_EQ(DiskPage::usedPercentText(245.3, 494.4), "49% Used");
    EXPECT_EQ(DiskPage::usedOfTotalText(245.3, 494.4), "245.3 GB / 494.4 GB");
    EXPECT_EQ(DiskPage::writtenText(245.3), "98.1 TB Written");
    EXPECT_EQ(DiskPage::usedPercentText(12, 0), "0% Used");
    EXPECT_EQ(DiskPage::usageFillWidth(300, 12, 0), 0.0);
    EXPECT_EQ(DiskPage::usageFillWidth(300, 600, 500), 300.0); // clamped to the track
    EXPECT_EQ(DiskPage::usageFillWidth(300, -4, 500), 0.0);
    EXPECT_DOUBLE_EQ(DiskPage::usageFillWidth(300, 250, 500), 150.0);
}
