// A spray table of 10 casting speeds (1.2 to 3.0 m/min) on a 30 x 30 grid, designed on every core:
// the wall-clock time of the whole table, the runs of the model it took and how many speeds met every
// target. The targets are the quality criteria's default limits with the liquid core closed by 12 m
// and the surface at 900–1150 °C at the end of every spray section.
#include "design/SprayDesign.h"

#include <benchmark/benchmark.h>

#include <thread>

using namespace korvel;

namespace {

void BM_SprayTable10Speeds30x30(benchmark::State& state) {
    Case base;
    base.params.L = base.params.M = 30;
    SprayDesignSettings s;
    std::string error;
    for (const char* t :
         {"straightening=12", "ductilityLow=600", "ductilityHigh=700", "sectionEnds=900:1150"})
        ParseSprayTarget(t, base, s.targets, error);
    s.maxRuns = static_cast<int>(state.range(0));
    std::vector<double> speeds;
    for (int k = 0; k < 10; ++k)
        speeds.push_back(1.2 + 0.2 * k);
    const int jobs = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    int runs = 0, met = 0;
    for (auto _ : state) {
        runs = met = 0;
        const std::vector<SprayTableRow> rows = DesignSprayTable(base, speeds, 0, speeds.size(), s, jobs);
        for (const SprayTableRow& r : rows) {
            runs += r.design.runs;
            met += r.design.status == DesignStatus::Met;
        }
        benchmark::DoNotOptimize(rows.back().design.best.flows);
    }
    state.counters["runs"] = runs;
    state.counters["met"] = met;
    state.counters["jobs"] = jobs;
}
BENCHMARK(BM_SprayTable10Speeds30x30)
    ->ArgName("maxRuns")
    ->Arg(24)
    ->Unit(benchmark::kSecond)
    ->Arg(60)
    ->UseRealTime()
    ->MeasureProcessCPUTime() // the CPU of every thread: about twice the wall time on an idle two-core
                              // machine
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
