#include "CacheHome.h"

#include "support/TaskRunner.h"

#include <QSignalSpy>
#include <QTimer>

using namespace cachehome;

namespace {

const QStringList kFolders = {
    QStringLiteral("Library/Developer/Xcode/DerivedData"), QStringLiteral(".cache/org.swift.swiftpm"),
    QStringLiteral(".npm"), QStringLiteral(".cargo/registry"), QStringLiteral(".cache/go-build"),
    QStringLiteral(".cache/com.apple.FinalCut"), QStringLiteral(".cache/DaVinci Resolve"),
    QStringLiteral(".local/share/Adobe/Common/Media Cache Files")};

const QList<qint64> kDemoFigures = {42'450'000'000, 8'210'000'000,  4'120'000'000,  9'560'000'000,
                                    3'420'000'000,  18'450'000'000, 34'820'000'000, 27'110'000'000};

QList<qint64> sizes(const BuildCacheService& s)
{
    return {s.derivedDataSize(), s.spmCacheSize(),      s.npmCacheSize(),     s.cargoCacheSize(),
            s.goCacheSize(),     s.finalCutCacheSize(), s.davinciCacheSize(), s.adobeCacheSize()};
}

} // namespace

using BuildCacheSizingTest = CacheHomeTest;

TEST_F(BuildCacheSizingTest, CountsVisibleFilesOnlyAndNeverLinks)
{
    EXPECT_DOUBLE_EQ(service->huggingfaceCacheSizeGB(), 12.4);
    EXPECT_DOUBLE_EQ(service->ollamaCacheSizeGB(), 18.2);
    writeFile(outside + QStringLiteral("/huge.bin"), 1'000'000);
    for (int row = 0; row < kFolders.size() - 1; ++row) {
        const QString root = inHome(kFolders[row]);
        writeFile(root + QStringLiteral("/top.bin"), 1000 + row);
        writeFile(root + QStringLiteral("/sub/deeper/nested.bin"), 20);
        writeFile(root + QStringLiteral("/.hidden-file"), 300);
        writeFile(root + QStringLiteral("/.hidden-folder/inside.bin"), 500);
        link(outside + QStringLiteral("/huge.bin"), root + QStringLiteral("/file-link"));
        link(outside, root + QStringLiteral("/sub/folder-link"));
    }
    // The last folder holds only hidden entries and reads 0.
    writeFile(inHome(kFolders[7]) + QStringLiteral("/.only-hidden"), 999);

    ASSERT_TRUE(runTask(service->scanCaches()));
    EXPECT_EQ(sizes(*service), (QList<qint64>{1020, 1021, 1022, 1023, 1024, 1025, 1026, 0}));
    EXPECT_DOUBLE_EQ(service->huggingfaceCacheSizeGB(), 12.4) << "passes never touch the model figures";

    // A linked cache folder is not entered; a missing one reads 0.
    QDir(inHome(kFolders[2])).removeRecursively();
    QDir(inHome(kFolders[4])).removeRecursively();
    link(outside, inHome(kFolders[4]));
    ASSERT_TRUE(runTask(service->scanCaches()));
    EXPECT_EQ(service->npmCacheSize(), 0);
    EXPECT_EQ(service->goCacheSize(), 0);
}

TEST_F(BuildCacheSizingTest, PublishesInTableOrderAndOnlyRealChanges)
{
    for (int row = 0; row < kFolders.size(); ++row)
        writeFile(inHome(kFolders[row]) + QStringLiteral("/f"), 10 * (row + 1));
    QList<int> order;
    const QList<void (BuildCacheService::*)()> signalList = {
        &BuildCacheService::derivedDataSizeChanged, &BuildCacheService::spmCacheSizeChanged,
        &BuildCacheService::npmCacheSizeChanged,    &BuildCacheService::cargoCacheSizeChanged,
        &BuildCacheService::goCacheSizeChanged,     &BuildCacheService::finalCutCacheSizeChanged,
        &BuildCacheService::davinciCacheSizeChanged, &BuildCacheService::adobeCacheSizeChanged};
    for (int row = 0; row < signalList.size(); ++row)
        QObject::connect(service.get(), signalList[row], [&order, row] { order << row; });
    QSignalSpy listSpy(service.get(), &BuildCacheService::foundSDKVersionsChanged);

    service->tick();
    ASSERT_TRUE(waitUntil([&] { return listSpy.count() == 1; }));
    EXPECT_EQ(order, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));

    order.clear();
    writeFile(inHome(kFolders[3]) + QStringLiteral("/more"), 5);
    service->tick();
    ASSERT_TRUE(waitUntil([&] { return listSpy.count() == 2; })) << "the list is announced on every pass";
    EXPECT_EQ(order, QList<int>{3});
    EXPECT_EQ(service->cargoCacheSize(), 45);
}

TEST_F(BuildCacheSizingTest, DemoFiguresTouchNoFileAndComeBackAfterADemoPurge)
{
    writeFile(inHome(kFolders[4]) + QStringLiteral("/blob"), 77);
    writeFile(inHome(QStringLiteral(".cargo/git/x")), 1);
    demo = true;
    {
        // With the worker held, anything that needed the disk could not finish.
        WorkerHold hold(worker);
        ASSERT_TRUE(runTask(service->scanCaches(), std::chrono::seconds(2)));
        EXPECT_EQ(sizes(*service), kDemoFigures);
        ASSERT_TRUE(runTask(service->purgeGoCache(), std::chrono::seconds(2)));
        ASSERT_TRUE(runTask(service->purgeCargoCache(), std::chrono::seconds(2)));
        EXPECT_EQ(service->goCacheSize(), 0);
        EXPECT_EQ(service->cargoCacheSize(), 0);
        EXPECT_EQ(service->npmCacheSize(), kDemoFigures[2]);
        ASSERT_TRUE(runTask(service->scanCaches(), std::chrono::seconds(2)));
        EXPECT_EQ(service->goCacheSize(), 3'420'000'000);
    }
    EXPECT_TRUE(exists(inHome(kFolders[4]) + QStringLiteral("/blob")));
    EXPECT_TRUE(exists(inHome(QStringLiteral(".cargo/git/x"))));

    demo = false;
    ASSERT_TRUE(runTask(service->scanCaches()));
    EXPECT_EQ(sizes(*service), (QList<qint64>{0, 0, 0, 0, 77, 0, 0, 0}));
}

TEST_F(BuildCacheSizingTest, FirstPassRunsAtOnceThenEveryFiveSeconds)
{
    writeFile(inHome(QStringLiteral(".npm/_cacache/index")), 321);
    service.reset();
    service = makeService(home, true);
    EXPECT_EQ(service->npmCacheSize(), 0) << "the constructor itself does no pass";
    const auto timers = service->findChildren<QTimer*>();
    ASSERT_EQ(timers.size(), 1);
    EXPECT_EQ(timers.first()->interval(), 5000);
    EXPECT_TRUE(timers.first()->isActive());
    int firings = 0;
    QObject::connect(timers.first(), &QTimer::timeout, [&] { ++firings; });
    ASSERT_TRUE(waitUntil([&] { return service->npmCacheSize() == 321; }, std::chrono::seconds(4)));
    EXPECT_EQ(firings, 0) << "the first pass does not wait for the timer";
}

TEST_F(BuildCacheSizingTest, FiringsWhileAPassWaitsAreDroppedAndTheEventLoopKeepsTurning)
{
    writeFile(inHome(kFolders[2]) + QStringLiteral("/f"), 64);
    QSignalSpy listSpy(service.get(), &BuildCacheService::foundSDKVersionsChanged);
    {
        WorkerHold hold(worker);
        service->tick();
        service->tick();
        int turns = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++turns; });
        ticker.start(5);
        EXPECT_TRUE(waitUntil([&] { return turns >= 5; })) << "the main thread must not wait for file work";
        service->tick();
        EXPECT_EQ(service->npmCacheSize(), 0) << "the pass is still waiting for the worker";
    }
    ASSERT_TRUE(waitUntil([&] { return listSpy.count() == 1; }));
    EXPECT_EQ(service->npmCacheSize(), 64);
    ASSERT_TRUE(runTask(service->scanCaches())); // behind any wrongly queued second pass
    EXPECT_EQ(listSpy.count(), 1);
    service->tick();
    ASSERT_TRUE(waitUntil([&] { return listSpy.count() == 2; })) << "a pass can be queued again once done";
}

TEST_F(BuildCacheSizingTest, PassesAndPurgesTakeTurnsAndMayOutliveTheService)
{
    writeFile(inHome(QStringLiteral(".npm/blob")), 100);
    QList<qint64> npmSeen;
    QObject::connect(service.get(), &BuildCacheService::npmCacheSizeChanged,
                     [&] { npmSeen << service->npmCacheSize(); });
    bool purged = false;
    auto purge = [&](BuildCacheService* s) -> QCoro::Task<> {
        co_await s->purgeNpmCache();
        purged = true;
    };
    {
        WorkerHold hold(worker);
        service->tick();         // a pass, queued first
        purge(service.get());    // then a purge
    }
    ASSERT_TRUE(waitUntil([&] { return purged; }));
    EXPECT_EQ(npmSeen, (QList<qint64>{100, 0})) << "the pass measured before the purge deleted";

    // A service destroyed with work in flight: the work ends quietly, deleting nothing.
    writeFile(inHome(QStringLiteral(".npm/blob")), 1);
    purged = false;
    {
        WorkerHold hold(worker);
        service->tick();
        purge(service.get());
        service.reset();
    }
    ASSERT_TRUE(waitUntil([&] { return purged; }));
    EXPECT_TRUE(exists(inHome(QStringLiteral(".npm/blob"))));
}

TEST(BuildCacheSharedTest, TheSharedServiceFollowsTheWatchersDemoFlag)
{
    // The shared watcher starts in demo mode, so no file is read.
    BuildCacheService& shared = BuildCacheService::shared();
    ASSERT_TRUE(waitUntil([&] { return shared.derivedDataSize() == 42'450'000'000; }));
    ASSERT_TRUE(waitUntil([&] { return shared.foundSDKVersions().size() == 4; }));
}
