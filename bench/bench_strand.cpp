// An hour of casting on the whole strand: a 20 x 20 grid, one slice every 10 s, a slow-down from 2.0 to
// 1.2 m/min for three minutes and back, the strand followed to the straightening point. On one thread and
// on two; the target is 30 s of wall-clock time on two cores.
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
    std::size_t moments = 0, peakSlices = 0;
    for (auto _ : state) {
        moments = 0;
        RunStrand(base, s, o, [&](StrandMoment&& m) {
            ++moments;
            peakSlices = std::max(peakSlices, m.slices.size());
        });
    }
    state.counters["moments"] = static_cast<double>(moments);
    state.counters["slicesInStrand"] = static_cast<double>(peakSlices);
}
BENCHMARK(BM_StrandHour20x20)
    ->ArgName("jobs")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
