// An hour of casting on the whole strand: a 20 x 20 grid, one slice every 10 s, a slow-down from 2.0 to
// 1.2 m/min for three minutes and back, the strand followed to the straightening point. On one thread and
// on two, with the slices of the steady stretches taken from one computed alike (reuse:1) and with every
// slice computed (reuse:0); the target is 30 s of wall-clock time on two cores.
#include "cases/Case.h"
#include "strand/Strand.h"

#include <benchmark/benchmark.h>

using namespace korvel;

namespace {

void BM_StrandHour20x20(benchmark::State& state) {
    Model base;
    Case c;
    c.params.L = c.params.M = 20;
    ApplyCase(c, base);
    Schedule s;
    s.points = {{0, 2.0}, {20, 2.0}, {20.5, 1.2}, {23, 1.2}, {23.5, 2.0}};
    StrandOptions o;
    o.launch = 10;
    o.durationMin = 60;
    o.jobs = static_cast<int>(state.range(0));
    o.reuseSteadySlices = state.range(1) != 0;
    long long computed = 0;
    std::size_t moments = 0, peakSlices = 0;
    for (auto _ : state) {
        moments = 0;
        computed = RunStrand(base, s, o, [&](StrandMoment&& m) {
                       ++moments;
                       peakSlices = std::max(peakSlices, m.slices.size());
                   }).computed;
    }
    state.counters["moments"] = static_cast<double>(moments);
    state.counters["slicesInStrand"] = static_cast<double>(peakSlices);
    state.counters["slicesComputed"] = static_cast<double>(computed);
}
BENCHMARK(BM_StrandHour20x20)
    ->ArgNames({"jobs", "reuse"})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
