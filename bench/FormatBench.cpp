#include "core/Format.h"

#include <benchmark/benchmark.h>

// The status label and pages format a handful of figures per refresh.
static void BM_FormatOneDecimal(benchmark::State& state)
{
    double value = 37.64;
    for (auto _ : state) {
        benchmark::DoNotOptimize(kestrova::format("%.1f%%", value));
        value += 0.01;
    }
}
BENCHMARK(BM_FormatOneDecimal);
