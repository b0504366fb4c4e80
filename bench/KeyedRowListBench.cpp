#include "widgets/KeyedRowList.h"

#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>

// Reversing a list of kept rows: every row moves, none is made again.
static void BM_KeyedRowListReverse(benchmark::State& state)
{
    const int rows = int(state.range(0));
    KeyedRowList list;
    list.setRowLimit(rows);
    QStringList keys;
    for (int i = 0; i < rows; ++i)
        keys << QString::number(i);
    const auto create = [](int) {
        auto* row = new QWidget;
        row->setFixedHeight(1);
        return row;
    };
    const auto keep = [](QWidget*, int) {};
    list.setRows(keys, create, keep);
    for (auto _ : state) {
        std::reverse(keys.begin(), keys.end());
        list.setRows(keys, create, keep);
    }
    state.SetComplexityN(rows);
}
BENCHMARK(BM_KeyedRowListReverse)->Arg(1'000)->Arg(20'000)->Complexity()->Unit(benchmark::kMillisecond);
