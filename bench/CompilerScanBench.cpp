#include "telemetry/CompilerCheck.h"

#include <QProcess>

#include <benchmark/benchmark.h>

// The fan model asks every second whether a compiler runs. Scanning /proc
// against starting "ps -Ao comm" and searching its output.
static void BM_CompilerCheck_ProcScan(benchmark::State& state)
{
    CompilerCheck check(QStringLiteral("/proc"), [] { return false; });
    for (auto _ : state)
        benchmark::DoNotOptimize(check.isCompilerRunning());
}
BENCHMARK(BM_CompilerCheck_ProcScan)->Unit(benchmark::kMicrosecond);

static void BM_CompilerCheck_PsChildProcess(benchmark::State& state)
{
    for (auto _ : state) {
        QProcess ps;
        ps.start(QStringLiteral("/bin/ps"), {QStringLiteral("-Ao"), QStringLiteral("comm")});
        ps.waitForFinished(5000);
        const QByteArray out = ps.readAllStandardOutput().toLower();
        bool found = false;
        for (const char* name : {"swiftc", "rustc", "clang", "xcodebuild", "cargo", "gcc"})
            found = found || out.contains(name);
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_CompilerCheck_PsChildProcess)->Unit(benchmark::kMicrosecond);
