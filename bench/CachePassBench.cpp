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
#include <sys/stat.h>
#include <sys/resource.h>
#include <unistd.h>

#include <memory>

// Cache passes over 200,000 files in the eight cache folders: a first pass
// (nothing remembered yet) and a steady pass (an unchanged tree), against
// `du -sb` and, where installed, `gdu` over the same folders in the same
// run. The tree is made once per run in the temp folder from sparse files
// (sizes without data blocks) and removed at exit.
// bench/cache_pass_compare.sh prints the medians and their ratios.
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

// CPU time of the whole process (every thread) so far, in milliseconds.
double processCpuMs()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Resident memory in bytes.
double residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(::sysconf(_SC_PAGESIZE)) : 0;
}

qint64 total(const BuildCacheService& s)
{
    return s.derivedDataSize() + s.spmCacheSize() + s.npmCacheSize() + s.cargoCacheSize() + s.goCacheSize()
         + s.finalCutCacheSize() + s.davinciCacheSize() + s.adobeCacheSize();
}

} // namespace

static void BM_CacheFirstPass200kFiles(benchmark::State& state)
{
    BenchHome& home = benchHome();
    if (!home.ok) {
        state.SkipWithError("could not build the benchmark tree");
        return;
    }
    FileWorker worker;
    for (auto _ : state) {
        BuildCacheService service({.home = home.dir.path(), .demoMode = [] { return false; }, .worker = &worker});
        runToEnd(service.scanCaches());
        if (total(service) != home.expectedBytes)
            state.SkipWithError("the pass measured a different total");
    }
    state.counters["files"] = kFiles;
}
BENCHMARK(BM_CacheFirstPass200kFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the 5-second poll costs once everything is remembered. The counters
// give the CPU time of the whole process per pass and per second of polling,
// and what the remembered tree holds in memory per file.
static void BM_CachePass200kFiles(benchmark::State& state)
{
    BenchHome& home = benchHome();
    if (!home.ok) {
        state.SkipWithError("could not build the benchmark tree");
        return;
    }
    FileWorker worker;
    const double residentBefore = residentBytes();
    BuildCacheService service({.home = home.dir.path(), .demoMode = [] { return false; }, .worker = &worker});
    runToEnd(service.scanCaches());
    const double remembered = residentBytes() - residentBefore;
    const double cpuBefore = processCpuMs();
    for (auto _ : state)
        runToEnd(service.scanCaches());
    const double cpuPerPass = (processCpuMs() - cpuBefore) / double(state.iterations());
    if (total(service) != home.expectedBytes)
        state.SkipWithError("the pass measured a different total");
    state.counters["files"] = kFiles;
    state.counters["process_cpu_ms_per_pass"] = cpuPerPass;
    state.counters["cpu_ms_per_s_at_5s"] = cpuPerPass / 5.0;
    state.counters["bytes_per_file"] = remembered / kFiles;
}
BENCHMARK(BM_CachePass200kFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

// An npm cache as large as real ones get: 204,800 folders of one file each
// (256 x 800), far more than the process's share of inotify watches. The
// folders past the share are checked by change time, a bounded number per
// pass: this is what the steady pass then costs.
struct WideNpmHome {
    static constexpr int kOuter = 256;
    static constexpr int kInner = 800;
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/kestrova-bench-XXXXXX")};
    qint64 expectedBytes = 0;
    bool ok = false;

    WideNpmHome()
    {
        const QByteArray npm = QFile::encodeName(dir.path()) + "/.npm";
        if (!dir.isValid() || ::mkdir(npm.constData(), 0755) != 0)
            return;
        for (int i = 0; i < kOuter; ++i) {
            const QByteArray outer = npm + '/' + QByteArray::number(i, 16);
            if (::mkdir(outer.constData(), 0755) != 0)
                return;
            for (int j = 0; j < kInner; ++j) {
                const QByteArray inner = outer + '/' + QByteArray::number(j, 16);
                if (::mkdir(inner.constData(), 0755) != 0)
                    return;
                const int fd = ::open((inner + "/entry").constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
                if (fd < 0)
                    return;
                const off_t size = off_t((i * 7919 + j * 31) % 65536);
                const bool sized = ::ftruncate(fd, size) == 0;
                ::close(fd);
                if (!sized)
                    return;
                expectedBytes += size;
            }
        }
        // Change times within a second of a read are read again; let them settle.
        ::sleep(2);
        ok = true;
    }
};

static void BM_CachePass204800Folders(benchmark::State& state)
{
    static WideNpmHome home;
    if (!home.ok) {
        state.SkipWithError("could not build the benchmark tree");
        return;
    }
    FileWorker worker;
    BuildCacheService service({.home = home.dir.path(), .demoMode = [] { return false; }, .worker = &worker});
    runToEnd(service.scanCaches());
    const double cpuBefore = processCpuMs();
    for (auto _ : state)
        runToEnd(service.scanCaches());
    const double cpuPerPass = (processCpuMs() - cpuBefore) / double(state.iterations());
    if (service.npmCacheSize() != home.expectedBytes)
        state.SkipWithError("the pass measured a different total");
    state.counters["folders"] = WideNpmHome::kOuter * (WideNpmHome::kInner + 1) + 1;
    state.counters["process_cpu_ms_per_pass"] = cpuPerPass;
    state.counters["cpu_ms_per_s_at_5s"] = cpuPerPass / 5.0;
}
BENCHMARK(BM_CachePass204800Folders)->Unit(benchmark::kMillisecond)->UseRealTime();

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

static void BM_GduApparentSize200kFiles(benchmark::State& state)
{
    BenchHome& home = benchHome();
    if (!home.ok) {
        state.SkipWithError("could not build the benchmark tree");
        return;
    }
    const QString gdu = QStringLiteral("/usr/bin/gdu");
    if (!QFile::exists(gdu)) {
        state.SkipWithError("gdu is not installed");
        return;
    }
    // gdu takes one folder: the home, which holds the eight caches only.
    const QStringList args = {QStringLiteral("-npsa"), QStringLiteral("--no-prefix"), home.dir.path()};
    for (auto _ : state) {
        QProcess process;
        process.start(gdu, args);
        if (!process.waitForFinished(60'000) || process.exitCode() != 0) {
            state.SkipWithError("gdu failed");
            return;
        }
        benchmark::DoNotOptimize(process.readAllStandardOutput());
    }
    state.counters["files"] = kFiles;
}
BENCHMARK(BM_GduApparentSize200kFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
