#include "localai/BuildCacheService.h"
#include "platform/FileWorker.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>

// A cache pass over 200,000 files in the eight cache folders, against
// `du -sb` over the same folders. The tree is made once per run in the temp
// folder from sparse files (sizes without data blocks) and removed at exit.
namespace {

constexpr int kFiles = 200'000;
constexpr int kFoldersPerCache = 100;

const QStringList kCacheFolders = {
    QStringLiteral("Library/Developer/Xcode/DerivedData"),
    QStringLiteral(".cache/org.swift.swiftpm"),
    QStringLiteral(".npm"),
    QStringLiteral(".cargo/registry"),
    QStringLiteral(".cache/go-build"),
    QStringLiteral(".cache/com.apple.FinalCut"),
    QStringLiteral(".cache/DaVinci Resolve"),
    QStringLiteral(".local/share/Adobe/Common/Media Cache Files"),
};

struct BenchHome {
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/kestrova-bench-XXXXXX")};
    qint64 expectedBytes = 0;
    bool ok = false;

    BenchHome()
    {
        if (!dir.isValid())
            return;
        const int perCache = kFiles / int(kCacheFolders.size());
        const int perFolder = perCache / kFoldersPerCache;
        for (const QString& cache : kCacheFolders) {
            for (int f = 0; f < kFoldersPerCache; ++f) {
                const QString folder = dir.path() + QLatin1Char('/') + cache + QStringLiteral("/%1").arg(f, 2, 16, QLatin1Char('0'));
                if (!QDir().mkpath(folder))
                    return;
                for (int i = 0; i < perFolder; ++i) {
                    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/entry-%1").arg(i));
                    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
                    if (fd < 0)
                        return;
                    const off_t size = off_t((i * 7919 + f * 31) % 65536);
                    const bool sized = ::ftruncate(fd, size) == 0;
                    ::close(fd);
                    if (!sized)
                        return;
                    expectedBytes += size;
                }
            }
        }
        ok = true;
    }

    QStringList cachePaths() const
    {
        QStringList paths;
        for (const QString& cache : kCacheFolders)
            paths << dir.path() + QLatin1Char('/') + cache;
        return paths;
    }
};

BenchHome& benchHome()
{
    static BenchHome home;
    return home;
}

// Sleeps in the event loop until the task ends, so the benchmark's CPU
// column shows what the pass costs the main thread.
void runToEnd(QCoro::Task<> task)
{
    QEventLoop loop;
    bool done = false;
    auto wrapper = [&]() -> QCoro::Task<> {
        co_await std::move(task);
        done = true;
        loop.quit();
    };
    auto running = wrapper();
    if (!done)
        loop.exec();
}

qint64 total(const BuildCacheService& s)
{
    return s.derivedDataSize() + s.spmCacheSize() + s.npmCacheSize() + s.cargoCacheSize() + s.goCacheSize()
         + s.finalCutCacheSize() + s.davinciCacheSize() + s.adobeCacheSize();
}

} // namespace

static void BM_CachePass200kFiles(benchmark::State& state)
{
    BenchHome& home = benchHome();
    if (!home.ok) {
        state.SkipWithError("could not build the benchmark tree");
        return;
    }
    FileWorker worker;
    BuildCacheService service({.home = home.dir.path(), .demoMode = [] { return false; }, .worker = &worker});
    for (auto _ : state)
        runToEnd(service.scanCaches());
    if (total(service) != home.expectedBytes)
        state.SkipWithError("the pass measured a different total");
    state.counters["files"] = kFiles;
}
BENCHMARK(BM_CachePass200kFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_DuApparentSize200kFiles(benchmark::State& state)
{
    BenchHome& home = benchHome();
    if (!home.ok) {
        state.SkipWithError("could not build the benchmark tree");
        return;
    }
    const QStringList args = QStringList{QStringLiteral("-sb")} + home.cachePaths();
    for (auto _ : state) {
        QProcess du;
        du.start(QStringLiteral("/usr/bin/du"), args);
        if (!du.waitForFinished(60'000) || du.exitCode() != 0) {
            state.SkipWithError("du failed");
            return;
        }
        benchmark::DoNotOptimize(du.readAllStandardOutput());
    }
    state.counters["files"] = kFiles;
}
BENCHMARK(BM_DuApparentSize200kFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
