// A time step of the original model and of the physical boundary model at the same grid, in the
// middle of the run (400 steps in: the mould left behind, the mushy zone wide).

#include "model/RunInit.h"
#include "model/TimeStep.h"

#include <benchmark/benchmark.h>

using namespace korvel;

namespace {
Model Prepared(int n, BoundaryModel b) {
    Model m;
    AcceptDataWindow(DataWindowStartValues(), m.data);
    m.params.L = m.params.M = n;
    m.params.Boundary = b;
    SizeState(m);
    InitialiseRun(m);
    for (int k = 0; k < 400; ++k)
        TimeStep(m);
    return m;
}

void BM_StepText(benchmark::State& state) {
    Model m = Prepared(static_cast<int>(state.range(0)), BoundaryModel::Text);
    for (auto _ : state) {
        TimeStep(m);
        benchmark::DoNotOptimize(m.state.Tem[1][1]);
    }
}
BENCHMARK(BM_StepText)->Arg(10)->Arg(40)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_StepPhysical(benchmark::State& state) {
    Model m = Prepared(static_cast<int>(state.range(0)), BoundaryModel::Physical);
    for (auto _ : state) {
        TimeStep(m);
        benchmark::DoNotOptimize(m.state.Tem[1][1]);
    }
}
BENCHMARK(BM_StepPhysical)->Arg(10)->Arg(40)->Arg(100)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
