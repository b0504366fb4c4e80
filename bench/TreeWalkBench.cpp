#include "platform/FileWalker.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

// Sizing a model or build cache: FileWalker::totalSize against `du -sb` on
// the same tree of 100k small files (100 folders of 1,000), in one run.

namespace {

const QString& tree()
{
    static QTemporaryDir dir;
    static const bool made = [] {
        for (int d = 0; d < 100; ++d) {
            const QString folder = dir.filePath(QStringLiteral("d%1/sub").arg(d));
            QDir().mkpath(folder);
            for (int f = 0; f < 1000; ++f) {
                QFile file(folder + QStringLiteral("/f%1").arg(f));
                file.open(QIODevice::WriteOnly);
                file.write("x", 1);
            }
        }
        return true;
    }();
    Q_UNUSED(made);
    static const QString path = dir.path();
    return path;
}

} // namespace

static void BM_TreeWalk100k(benchmark::State& state)
{
    const QString root = tree();
    for (auto _ : state)
        benchmark::DoNotOptimize(FileWalker::totalSize(root));
}
BENCHMARK(BM_TreeWalk100k)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_DuSb100k(benchmark::State& state)
{
    const QString root = tree();
    for (auto _ : state) {
        QProcess du;
        du.start(QStringLiteral("/usr/bin/du"), {QStringLiteral("-sb"), root});
        du.waitForFinished(60000);
        benchmark::DoNotOptimize(du.readAllStandardOutput());
    }
}
BENCHMARK(BM_DuSb100k)->Unit(benchmark::kMillisecond)->UseRealTime();
