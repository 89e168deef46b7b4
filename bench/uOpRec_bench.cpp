#include "uOpRec.h"

#include <benchmark/benchmark.h>

// The worksheet's largest range: 100 sheets, about ten million draws.
static void BM_MakeOpRecs100(benchmark::State& state)
{
    for (auto _ : state) {
        MakeOpRecs(100);
        benchmark::DoNotOptimize(OpRecs.data());
    }
}
BENCHMARK(BM_MakeOpRecs100)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
