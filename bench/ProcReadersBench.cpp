#include "platform/MemInfo.h"
#include "platform/PhysicalMemory.h"
#include "platform/ProcMemInfoReader.h"
#include "platform/ProcStatReader.h"
#include "platform/ZramStatReader.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

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

// The same read opening and closing the file each time, for comparison.
static void BM_ProcStatReadReopening(benchmark::State& state)
{
    std::vector<CpuTicks> cpus;
    std::vector<char> buffer(16384);
    for (auto _ : state) {
        const int fd = ::open("/proc/stat", O_RDONLY | O_CLOEXEC);
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        ::close(fd);
        benchmark::DoNotOptimize(ProcStatReader::parse(std::string_view(buffer.data(), std::size_t(std::max<ssize_t>(n, 0))), cpus));
    }
}
BENCHMARK(BM_ProcStatReadReopening);

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
