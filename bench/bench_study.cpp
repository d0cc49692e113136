// A parameter study of 24 whole runs on a 30 x 30 grid, on one thread and on two: the ratio of the
// two wall-clock times shows how well the runs spread over the cores (about 0.5 on an idle two-core
// machine); the process CPU times show what the threads cost beyond the runs themselves.
#include "study/Study.h"

#include <benchmark/benchmark.h>

using namespace korvel;

namespace {

Study Study24() {
    Study s;
    s.base.params.L = s.base.params.M = 30;
    StudyInput vlit, t0;
    std::string error;
    ParseStudyInput("Vlit=1.2:1.9:0.1", vlit, error); // 8 values
    ParseStudyInput("T0=1500:1540:20", t0, error);    // 3 values
    s.inputs = {vlit, t0};
    return s;
}

void BM_Study24Runs30x30(benchmark::State& state) {
    const Study s = Study24();
    for (auto _ : state) {
        StudyRunner runner(s, {0, StudyRunCount(s)}, static_cast<int>(state.range(0)));
        runner.Run();
        benchmark::DoNotOptimize(runner.Rows().back().figures.tau);
    }
    state.counters["runs"] = static_cast<double>(StudyRunCount(s));
}
BENCHMARK(BM_Study24Runs30x30)
    ->ArgName("jobs")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime() // CPU of every thread: equal for one and two jobs when nothing is wasted
    ->Iterations(3);

} // namespace

BENCHMARK_MAIN();
