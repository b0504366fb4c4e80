#include "platform/MemInfo.h"
#include "platform/PhysicalMemory.h"
#include "platform/ProcMemInfoReader.h"
#include "platform/ProcStatReader.h"
#include "platform/ZramStatReader.h"

#include <benchmark/benchmark.h>

// The sampler's per-tick reads of the live /proc and /sys files, kept open
// and re-read with pread.
static void BM_ProcStatRead(benchmark::State& state)
{
    ProcStatReader reader(QStringLiteral("/proc"));
    std::vector<CpuTicks> cpus;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.read(cpus));
        benchmark::DoNotOptimize(cpus.data());
    }
    state.counters["cpus"] = double(cpus.size());
}
BENCHMARK(BM_ProcStatRead);

static void BM_ProcMemInfoRead(benchmark::State& state)
{
    ProcMemInfoReader reader(QStringLiteral("/proc"));
    MemInfo info;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.read(info));
        benchmark::DoNotOptimize(info);
    }
}
BENCHMARK(BM_ProcMemInfoRead);

// Everything the CPU and memory steps read in one tick.
static void BM_SamplerReadersPerTick(benchmark::State& state)
{
    ProcStatReader stat(QStringLiteral("/proc"));
    ProcMemInfoReader meminfo(QStringLiteral("/proc"));
    ZramStatReader zram(QStringLiteral("/sys"));
    std::vector<CpuTicks> cpus;
    MemInfo info;
    for (auto _ : state) {
        benchmark::DoNotOptimize(stat.read(cpus));
        benchmark::DoNotOptimize(meminfo.read(info));
        benchmark::DoNotOptimize(zram.compressedBytes());
        benchmark::DoNotOptimize(physicalMemoryBytes());
    }
}
BENCHMARK(BM_SamplerReadersPerTick);
