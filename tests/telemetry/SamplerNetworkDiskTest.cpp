#include "support/ScratchTree.h"

#include "core/SettingsStore.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeDesktopNotifier.h"
#include "fakes/FakeLocalAIStateSource.h"
#include "fakes/FakeProcessSignaller.h"
#include "fakes/ManualScheduler.h"
#include "fakes/RecordingRandom.h"
#include "fakes/ScriptedHttpServer.h"
#include "support/LockedFolder.h"
#include "support/PrintCapture.h"
#include "support/TaskRunner.h"
#include "telemetry/ConnectionList.h"
#include "telemetry/PublicAddressFetcher.h"
#include "telemetry/SystemStatsProvider.h"
#include "support/SamplerDeps.h"
#include "platform/ProcessTable.h"
#include "platform/SessionProcessGuard.h"
#include "telemetry/ProcessMonitor.h"

#include <QSignalSpy>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <csignal>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr double GiB = 1024.0 * 1024.0 * 1024.0;

QByteArray netDev(const QList<std::tuple<const char*, quint64, quint64>>& rows)
{
    QByteArray text = "Inter-|   Receive                                                |  Transmit\n"
                      " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo "
                      "colls carrier compressed\n";
    for (const auto& [name, rx, tx] : rows)
        text += QByteArray("  ") + name + ": " + QByteArray::number(rx) + " 10 0 0 0 0 0 0 " + QByteArray::number(tx) +
                " 5 0 0 0 0 0 0\n";
    return text;
}

// An established IPv4 row of /proc/net/tcp.
QByteArray tcpRow(int slot, const char* local, const char* remote, quint64 inode)
{
    return QByteArray("   ") + QByteArray::number(slot) + ": " + local + ' ' + remote +
           " 01 00000000:00000000 00:00000000 00000000  1000        0 " + QByteArray::number(inode) + " 1\n";
}

class SamplerActionsTest : public ::testing::Test {
protected:
    SamplerActionsTest() : settings(tree.root() + QStringLiteral("/settings.conf"))
    {
        QDir().mkpath(home());
        tree.write(QStringLiteral("proc/net/dev"), netDev({{"lo", 0, 0}}));
    }

    QString home() const { return tree.root() + QStringLiteral("/home"); }

    std::unique_ptr<SystemStatsProvider> make()
    {
        SystemStatsProvider::Deps deps = samplerDeps(tree.root(), settings, random, localAI, notifier);
        deps.paths.home = home();
        deps.physicalMemory = [] { return quint64(16) << 30; };
        deps.scheduler = &scheduler;
        deps.clock = &clock;
        deps.signaller = &signaller;
        deps.interfaceAddresses = [this] { return addresses; };
        deps.publicAddressUrl = http.url();
        deps.volumeSpace = [this](const QString&) { return volume; };
        return std::make_unique<SystemStatsProvider>(std::move(deps), false);
    }

    // A process of the fixture /proc owning the given socket inodes.
    void addProcess(int pid, const QByteArray& comm, const QList<quint64>& inodes, quint64 startTime = 777)
    {
        const QString base = QStringLiteral("proc/%1/").arg(pid);
        tree.write(base + QStringLiteral("comm"), comm + '\n');
        tree.write(base + QStringLiteral("stat"), QByteArray::number(pid) + " (" + comm +
                                                       ") S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 " +
                                                       QByteArray::number(startTime) + " 0 0\n");
        QDir().mkpath(tree.proc() + QStringLiteral("/%1/fd").arg(pid));
        int fd = 3;
        for (quint64 inode : inodes)
            QFile::link(QStringLiteral("socket:[%1]").arg(inode), tree.proc() + QStringLiteral("/%1/fd/%2").arg(pid).arg(fd++));
    }

    ScratchTree tree;
    SettingsStore settings;
    RecordingRandom random;
    FakeLocalAIStateSource localAI;
    FakeDesktopNotifier notifier;
    ManualScheduler scheduler;
    FakeClock clock{QDateTime(QDate(2026, 12, 8), QTime(2, 16, 52, 500), QTimeZone::utc())};
    FakeProcessSignaller signaller;
    ScriptedHttpServer http;
    QList<InterfaceAddress> addresses;
    std::optional<VolumeSpace> volume = VolumeSpace{quint64(500 * GiB), quint64(200 * GiB)};
};

} // namespace

TEST_F(SamplerActionsTest, RatesAreKilobytesSinceTheLastTickAndNeverWrapWhenInterfacesGo)
{
    auto sampler = make();
    tree.write(QStringLiteral("proc/net/dev"), netDev({{"lo", 1000, 1000}, {"eth0", 10000, 5000}}));
    sampler->tick();
    EXPECT_EQ(sampler->networkDownload(), 0.0) << "the first tick only stores the totals";

    tree.write(QStringLiteral("proc/net/dev"),
               netDev({{"lo", 1000, 1000}, {"eth0", 10000 + 50 * 1024, 5000 + 10 * 1024}, {"wlan0", 900000, 900000}}));
    sampler->tick();
    EXPECT_DOUBLE_EQ(sampler->networkDownload(), 50.0);
    EXPECT_DOUBLE_EQ(sampler->networkUpload(), 10.0);

    // wlan0 vanishes and eth0 is replaced by a fresh counter: nothing moved.
    tree.write(QStringLiteral("proc/net/dev"), netDev({{"lo", 1000, 1000}, {"eth0", 100, 100}}));
    sampler->tick();
    EXPECT_DOUBLE_EQ(sampler->networkDownload(), 0.0);
    EXPECT_DOUBLE_EQ(sampler->networkUpload(), 0.0);
}

TEST_F(SamplerActionsTest, LocalAddressIsTheLastPhysicalInterface)
{
    auto sampler = make();
    addresses = {{"eth0", "10.0.0.5"}, {"wlp2s0", "192.168.1.20"}, {"docker0", "172.17.0.1"}};
    sampler->tick();
    EXPECT_EQ(sampler->localIP(), QStringLiteral("192.168.1.20"));
    addresses = {{"tun0", "10.8.0.2"}};
    sampler->tick();
    EXPECT_EQ(sampler->localIP(), QStringLiteral("127.0.0.1"));
}

TEST_F(SamplerActionsTest, PublicAddressIsFetchedWithoutBlockingAndKeptVerbatim)
{
    http.hang = true;
    auto sampler = make();
    sampler->tick();
    sampler->tick(); // still in flight: no second request
    ASSERT_TRUE(waitUntil([&] { return http.requests == 1; }));
    EXPECT_EQ(sampler->publicIP(), QStringLiteral("Checking..."));

    // A failed request keeps the next away for a while instead of one a tick.
    http.hang = false;
    http.response = ScriptedHttpServer::reply(503, "busy");
    auto failing = make();
    QSignalSpy failed(failing->findChild<PublicAddressFetcher*>(), &PublicAddressFetcher::failed);
    failing->tick();
    ASSERT_TRUE(waitUntil([&] { return failed.count() == 1; }));
    EXPECT_EQ(http.requests, 2);
    for (int i = 0; i < 29; ++i)
        failing->tick();
    QCoreApplication::processEvents();
    EXPECT_EQ(http.requests, 2);
    failing->tick();
    failing->tick();
    EXPECT_TRUE(waitUntil([&] { return http.requests == 3; }));

    http.response = ScriptedHttpServer::reply(200, "198.51.100.4\n");
    auto fresh = make();
    fresh->tick();
    ASSERT_TRUE(waitUntil([&] { return fresh->publicIP() != QStringLiteral("Checking..."); }));
    EXPECT_EQ(fresh->publicIP(), QStringLiteral("198.51.100.4\n"));
}

TEST_F(SamplerActionsTest, ConnectionRowsSkipLoopbackKeepIPv6PeersAndStopAtFifteen)
{
    QByteArray tcp = "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n";
    tcp += tcpRow(0, "0100007F:D431", "0100007F:2CAA", 500); // loopback peer
    QList<quint64> inodes{500};
    for (int i = 1; i <= 20; ++i) {
        tcp += tcpRow(i, "0200000A:D431", "03705A8C:01BB", 1000 + i);
        inodes << 1000 + i;
    }
    tree.write(QStringLiteral("proc/net/tcp"), tcp);
    tree.write(QStringLiteral("proc/net/tcp6"),
               "  sl  local_address remote_address st\n"
               "   0: B80D0120000000000000000002000000:D435 00470626000000000000000011110000:01BB 01 "
               "00000000:00000000 00:00000000 00000000  1000        0 2004 1\n");
    addProcess(4242, "firefox", inodes);
    addProcess(4343, "curl", {2004});

    auto sampler = make();
    QSignalSpy spy(sampler.get(), &SystemStatsProvider::activeConnectionsChanged);
    sampler->tick();
    EXPECT_TRUE(sampler->activeConnections().isEmpty()) << "nobody shows them: the table is not read";
    auto shown = sampler->showConnections(); // reads at once
    const auto rows = sampler->activeConnections();
    ASSERT_EQ(rows.size(), 15);
    EXPECT_EQ(rows[0], (ActiveConnection{QStringLiteral("10.0.0.2:54321->140.90.112.3:443"),
                                         QStringLiteral("ESTABLISHED"), QStringLiteral("firefox"),
                                         QStringLiteral("4242")}));

    // Only the IPv6 peer, whose address merely ends in ::1, is left.
    tree.write(QStringLiteral("proc/net/tcp"), "  sl  local_address rem_address st\n");
    sampler->tick();
    ASSERT_EQ(sampler->activeConnections().size(), 1);
    EXPECT_EQ(sampler->activeConnections()[0].remote,
              QStringLiteral("[2001:db8::2]:54325->[2606:4700::1111]:443"));

    tree.write(QStringLiteral("proc/net/tcp6"), "  sl  local_address remote_address st\n");
    sampler->tick();
    sampler->tick();
    EXPECT_EQ(sampler->activeConnections(), QList<ActiveConnection>{ConnectionList::placeholder()});
    EXPECT_EQ(spy.count(), 4) << "every assignment announces";

    auto second = sampler->showConnections(); // already shown: no extra read
    shown.reset();
    sampler->tick();
    EXPECT_EQ(spy.count(), 5);
    second.reset();
    sampler->tick();
    EXPECT_EQ(spy.count(), 5) << "the last viewer gone, ticks stop reading";
}

TEST_F(SamplerActionsTest, KillRefusesBadTextOurselvesAndUnlistedPidsAndRereadsAfterAKill)
{
    tree.write(QStringLiteral("proc/net/tcp"), "  sl\n" + tcpRow(0, "0200000A:D431", "03705A8C:01BB", 3001) +
                                                    tcpRow(1, "0200000A:D432", "03705A8C:01BB", 3002));
    addProcess(42, "curl", {3001}, 4200);
    addProcess(int(::getpid()), "kestrova", {3002});
    auto sampler = make();
    const auto shown = sampler->showConnections();
    ASSERT_EQ(sampler->activeConnections().size(), 2);

    PrintCapture printed;
    for (const char* text : {"abc", "", " 42", "0", "-5", "1", "99999999999", "4343"})
        runTask(sampler->killConnectionProcess(QString::fromLatin1(text)));
    runTask(sampler->killConnectionProcess(QString::number(::getpid())));
    EXPECT_TRUE(signaller.sent.isEmpty());
    EXPECT_EQ(printed.lines().size(), 3) << printed.lines().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(printed.lines().value(0).startsWith(QStringLiteral("Failed to kill connection PID 1: ")));

    QSignalSpy reread(sampler.get(), &SystemStatsProvider::activeConnectionsChanged);
    runTask(sampler->killConnectionProcess(QStringLiteral("+0042")));
    EXPECT_EQ(signaller.sent, (QList<FakeProcessSignaller::Sent>{{42, SIGKILL}}));
    EXPECT_EQ(reread.count(), 1);
}

// Another user's model server: the system refuses every signal (EPERM).
// Each refusal is said once however often its row is clicked, and the row
// goes on reading as the process is.
TEST_F(SamplerActionsTest, ASignalTheSystemRefusesIsSaidOnceAndTheRowStaysTrue)
{
    tree.write(QStringLiteral("proc/uptime"), "10000.00 0.00\n");
    tree.write(QStringLiteral("proc/net/tcp"), "  sl\n" + tcpRow(0, "0200000A:D431", "03705A8C:01BB", 3001));
    addProcess(42, "ollama", {3001}, 4200);
    tree.write(QStringLiteral("proc/42/cmdline"), QByteArray("/usr/bin/ollama\0", 16));
    QFile::link(QStringLiteral("/usr/bin/ollama"), tree.proc() + QStringLiteral("/42/exe"));
    signaller.alive.insert(42);
    auto sampler = make();
    const auto shown = sampler->showConnections();
    ProcessTable table(tree.proc());
    SessionProcessGuard guard(tree.proc());
    ProcessMonitor monitor({&table, &signaller, &guard, nullptr, &clock, &random, {}});
    monitor.tick();
    const auto frozen = [&] { return monitor.tick(), monitor.topProcesses().value(0).isSuspended; };
    const auto freeze = [&] { monitor.toggleSuspend(42); };

    const struct {
        bool frozenFirst;
        std::function<void()> click;
        QString line;
        std::function<bool()> readsAsItIs;
    } cases[] = {
        {false, freeze, QStringLiteral("Cannot suspend ollama (PID 42): Operation not permitted"),
         [&] { return !frozen(); }},
        // Still stopped: it stays frozen, and ours to resume.
        {true, freeze, QStringLiteral("Cannot resume ollama (PID 42): Operation not permitted"), frozen},
        {false, [&] { runTask(sampler->killConnectionProcess(QStringLiteral("42"))); },
         QStringLiteral("Failed to kill connection PID 42 (ollama): Operation not permitted"),
         [&] { return sampler->activeConnections().value(0).pid == QStringLiteral("42"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        signaller.outcomes.remove(42);
        if (c.frozenFirst)
            freeze();
        signaller.outcomes.insert(42, SignalOutcome::failed);
        PrintCapture printed;
        for (int click = 0; click < 3; ++click)
            c.click();
        kestrova::print(QStringLiteral("next")); // brings out a repeat the print guard held back
        EXPECT_EQ(printed.lines(), (QStringList{c.line, QStringLiteral("next")}));
        EXPECT_TRUE(c.readsAsItIs());
    }
}

TEST_F(SamplerActionsTest, DiskFiguresCreditTheCleanerWithAFloorOfFiveAndDrawRatesAlways)
{
    auto sampler = make();
    runTask(sampler->cleanJunkFiles(3.0));
    EXPECT_DOUBLE_EQ(sampler->diskTotal(), 500.0);
    EXPECT_DOUBLE_EQ(sampler->diskUsed(), 297.0);
    EXPECT_EQ(scheduler.delays().last(), 2000ms);

    runTask(sampler->cleanJunkFiles(std::nan("")));
    EXPECT_DOUBLE_EQ(sampler->cleanedJunkTotal(), 3.0) << "a non-finite amount is ignored";
    QSignalSpy credited(sampler.get(), &SystemStatsProvider::cleanedJunkTotalChanged);
    runTask(sampler->cleanJunkFiles(0.0));
    EXPECT_EQ(credited.count(), 1) << "a credit announces even when it is 0";

    runTask(sampler->cleanJunkFiles(1000.0));
    EXPECT_DOUBLE_EQ(sampler->diskUsed(), 5.0);

    volume.reset();
    const int draws = int(random.ranges.size());
    runTask(sampler->cleanJunkFiles(1.0));
    EXPECT_DOUBLE_EQ(sampler->diskUsed(), 5.0) << "an unreadable volume keeps the figures";
    ASSERT_EQ(random.ranges.size(), draws + 2);
    EXPECT_EQ(random.ranges[draws], qMakePair(0.1, 5.0));
    EXPECT_EQ(random.ranges[draws + 1], qMakePair(0.1, 2.0));
}

TEST_F(SamplerActionsTest, CacheSizeCountsLinkedBlobsOnceAndFallsBackTo34Point2)
{
    auto sampler = make();
    QSignalSpy spy(sampler.get(), &SystemStatsProvider::huggingFaceCacheSizeInGBChanged);
    sampler->updateHuggingFaceCacheSize();
    ASSERT_TRUE(waitUntil([&] { return spy.count() == 1; }));
    EXPECT_DOUBLE_EQ(sampler->huggingFaceCacheSizeInGB(), 34.2) << "missing folder";

    const QString hub = sampler->huggingFaceCacheFolder();
    const QString blobs = hub + QStringLiteral("/models--x/blobs");
    QDir().mkpath(blobs);
    QDir().mkpath(hub + QStringLiteral("/models--x/snapshots/main"));
    QFile blob(blobs + QStringLiteral("/sha"));
    ASSERT_TRUE(blob.open(QIODevice::WriteOnly));
    ASSERT_TRUE(blob.resize(qint64(GiB / 4)));
    blob.close();
    QFile::link(blobs + QStringLiteral("/sha"), hub + QStringLiteral("/models--x/snapshots/main/w.bin"));
    sampler->updateHuggingFaceCacheSize();
    ASSERT_TRUE(waitUntil([&] { return spy.count() == 2; }));
    EXPECT_DOUBLE_EQ(sampler->huggingFaceCacheSizeInGB(), 0.25);
}

TEST_F(SamplerActionsTest, PurgeEmptiesTheHubButNeverFollowsALinkOutOfIt)
{
    auto sampler = make();
    const QString hub = sampler->huggingFaceCacheFolder();
    QDir().mkpath(hub + QStringLiteral("/models--x"));
    sampler->setHuggingFaceCacheSizeInGB(2.5);
    QList<double> shown;
    QObject::connect(sampler.get(), &SystemStatsProvider::huggingFaceCacheSizeInGBChanged, sampler.get(),
                     [&] { shown << sampler->huggingFaceCacheSizeInGB(); });
    EXPECT_EQ(runTask(sampler->purgeHuggingFaceCache()), true);
    EXPECT_EQ(scheduler.delays().last(), 2500ms);
    EXPECT_TRUE(QFileInfo(hub).isDir());
    EXPECT_FALSE(QFileInfo::exists(hub + QStringLiteral("/models--x")));
    EXPECT_DOUBLE_EQ(sampler->cleanedJunkTotal(), 2.5);
    // Set to 0, then the disk reading measures the emptied folder again and
    // shows the stock figure.
    EXPECT_TRUE(waitUntil([&] { return shown.size() == 2; }));
    EXPECT_EQ(shown, (QList<double>{0.0, 34.2}));

    // ~/.cache/huggingface is a link to someone else's folder: refused.
    const QString victim = tree.root() + QStringLiteral("/victim");
    QDir().mkpath(victim + QStringLiteral("/hub/precious"));
    QDir(home() + QStringLiteral("/.cache/huggingface")).removeRecursively();
    QFile::link(victim, home() + QStringLiteral("/.cache/huggingface"));
    sampler->setHuggingFaceCacheSizeInGB(1.0);
    EXPECT_EQ(runTask(sampler->purgeHuggingFaceCache()), false); // refused: not reported as gone
    EXPECT_TRUE(QFileInfo::exists(victim + QStringLiteral("/hub/precious")));
    EXPECT_DOUBLE_EQ(sampler->cleanedJunkTotal(), 3.5);
}

// A hub folder whose model files cannot be deleted: the purge says it failed.
TEST_F(SamplerActionsTest, PurgeThatCannotDeleteTheModelsReportsIt)
{
    auto sampler = make();
    const QString blobs = sampler->huggingFaceCacheFolder() + QStringLiteral("/models--x/blobs");
    QDir().mkpath(blobs);
    QFile weights(blobs + QStringLiteral("/sha"));
    ASSERT_TRUE(weights.open(QIODevice::WriteOnly));
    weights.close();
    bool gone = true;
    {
        LockedFolder locked(blobs);
        if (!locked.isLocked())
            GTEST_SKIP() << "this process may delete from a read-only folder";
        sampler->setHuggingFaceCacheSizeInGB(1.0);
        gone = runTask(sampler->purgeHuggingFaceCache()).value_or(true);
    }
    EXPECT_FALSE(gone);
    EXPECT_TRUE(QFileInfo::exists(blobs + QStringLiteral("/sha")));
}

TEST_F(SamplerActionsTest, CsvExportWritesTheHistoryAtomicallyInTheTempFolder)
{
    auto sampler = make();
    const auto path = sampler->exportHistoryToCSV();
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, tree.root() + QStringLiteral("/Kestrova_History_1796696212.5.csv"));
    QFile file(*path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 62); // 61 lines and the empty tail
    EXPECT_EQ(lines[0], QByteArray("Timestamp,CPUUsage%"));
    EXPECT_EQ(lines[1], QByteArray("2026-12-08 02:15:52 +0000,0.0"));
    EXPECT_EQ(lines[60], QByteArray("2026-12-08 02:16:51 +0000,0.0"));

    PrintCapture printed;
    QFile::setPermissions(tree.root(), QFile::ReadOwner | QFile::ExeOwner);
    const bool writable = QFileInfo(tree.root()).isWritable(); // root ignores modes
    clock.advance(1000);
    const auto failed = sampler->exportHistoryToCSV();
    QFile::setPermissions(tree.root(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!writable && ::geteuid() != 0) {
        EXPECT_FALSE(failed);
        ASSERT_EQ(printed.lines().size(), 1);
        EXPECT_TRUE(printed.lines()[0].startsWith(QStringLiteral("Failed to write CSV: ")));
    }
}

TEST_F(SamplerActionsTest, MemoryOptimiserReplacesTheFigureWithADrawInRange)
{
    auto sampler = make();
    runTask(sampler->optimizeMemory());
    runTask(sampler->optimizeMemory());
    EXPECT_EQ(scheduler.delays(), (QList<std::chrono::milliseconds>{1500ms, 1500ms}));
    EXPECT_EQ(sampler->optimizedMemoryReleased(), random.values.last());
    EXPECT_GE(sampler->optimizedMemoryReleased(), 1.5);
    EXPECT_LE(sampler->optimizedMemoryReleased(), 3.2);
}
