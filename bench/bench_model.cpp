#include "run/HeadlessRun.h"
#include "model/RunInit.h"
#include "model/TimeStep.h"

#include <benchmark/benchmark.h>

using namespace korvel;

namespace {
Model Prepared(int n) {
    Model m;
    AcceptDataWindow(DataWindowStartValues(), m.data);
    m.params.L = m.params.M = n;
    SizeState(m);
    InitialiseRun(m);
    return m;
}

// One step in the middle of the run, where the mushy zone is wide and the flow field works hardest.
void BM_TimeStep(benchmark::State& state) {
    Model m = Prepared(static_cast<int>(state.range(0)));
    for (int k = 0; k < 400; ++k)
        TimeStep(m);
    for (auto _ : state) {
        TimeStep(m);
        benchmark::DoNotOptimize(m.state.Tem[1][1]);
    }
}
BENCHMARK(BM_TimeStep)->Arg(10)->Arg(30)->Arg(100)->Unit(benchmark::kMicrosecond);

// A whole default run (600 s of process time, 1200 steps) without hand-over work.
void BM_WholeRun(benchmark::State& state) {
    for (auto _ : state) {
        Model m;
        AcceptDataWindow(DataWindowStartValues(), m.data);
        m.params.L = m.params.M = static_cast<int>(state.range(0));
        RunHeadless(m, [](const Model&, bool) {});
        benchmark::DoNotOptimize(m.state.Tem[1][1]);
    }
}
BENCHMARK(BM_WholeRun)->Arg(10)->Arg(30)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);
} // namespace

BENCHMARK_MAIN();
