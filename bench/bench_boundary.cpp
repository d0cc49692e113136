// A time step of the original model and of the physical boundary model at the same grid, in the
// middle of the run: steps 400 to 600 at 0.5 s (the mould left behind, the mushy zone wide), the model
// set back to step 400 every 200 steps so that every measurement steps the same stretch of the
// machine whatever the iteration count.

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

constexpr int kStretch = 200;

void StepFrom(benchmark::State& state, BoundaryModel b) {
    const Model start = Prepared(static_cast<int>(state.range(0)), b);
    Model m = start;
    int steps = 0;
    for (auto _ : state) {
        if (steps++ == kStretch) {
            state.PauseTiming();
            m = start;
            steps = 1;
            state.ResumeTiming();
        }
        TimeStep(m);
        benchmark::DoNotOptimize(m.state.Tem[1][1]);
    }
}

void BM_StepText(benchmark::State& state) {
    StepFrom(state, BoundaryModel::Text);
}
BENCHMARK(BM_StepText)->Arg(10)->Arg(20)->Arg(40)->Arg(70)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_StepPhysical(benchmark::State& state) {
    StepFrom(state, BoundaryModel::Physical);
}
BENCHMARK(BM_StepPhysical)->Arg(10)->Arg(20)->Arg(40)->Arg(70)->Arg(100)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
