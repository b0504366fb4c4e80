#include "localai/ModelListDecoder.h"

#include <benchmark/benchmark.h>

// The /api/ps answer as the model server writes it, `count` models long.
static QByteArray modelList(int count)
{
    QByteArray body = "{\"models\":[";
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            body += ',';
        body += "{\"name\":\"model-" + QByteArray::number(i)
                + "\",\"size\":4661224816,\"details\":{\"parameter_size\":\"8B\",\"quantization_level\":\"Q4_0\"}}";
    }
    return body + "]}";
}

// Decoding an answer, up to the largest the byte cap lets through (40,000
// models): what the main thread would pay if the decoding ran there. The
// tests judge the main thread's longest stretch against this figure.
static void BM_DecodeModelList(benchmark::State& state)
{
    const QByteArray body = modelList(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeModelList(body));
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_DecodeModelList)->Arg(3)->Arg(10'000)->Arg(40'000)->Unit(benchmark::kMillisecond);
