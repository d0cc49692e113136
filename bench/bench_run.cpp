// The program's run as the user sees it: the main window with its four result windows tiled, from
// the click on "Расчет" until the final state is on the screen; and one full hand-over of a state to
// those windows. Under Xvfb (xvfb-run -a) the surfaces are real 3-D views; with the offscreen
// platform they are placeholders.

#include "model/Model.h"
#include "model/RunInit.h"
#include "model/TimeStep.h"
#include "run/UnSolveThread.h"
#include "ui/UnIsxDan.h"
#include "ui/unMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMutex>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Lets the window thread finish what it was asked to draw.
void Settle() {
    for (int k = 0; k < 5; ++k)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
}

// Arguments: grid nodes along each axis; the run is the default 10 minutes of process time.
void BM_ProgramRun(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    korvel::Model model;
    model.params.L = model.params.M = n;
    TFormMain w(model);
    w.showMaximized();
    Settle();
    double first = 0, last = 0, end = 0;
    for (auto _ : state) {
        QEventLoop ended;
        QObject::connect(&w, &TFormMain::RunEnded, &ended, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        double f = 0, l = 0;
        // Where the time goes: until the first hand-over (set-up), until the last (the run), until
        // the end of the run (the final picture).
        const QMetaObject::Connection seen =
            QObject::connect(&w, &TFormMain::HandedOver, &ended,
                             [&](bool start, double) { (start ? f : l) = clock.nsecsElapsed() / 1e6; });
        w.ActionsSolve->trigger();
        ended.exec();
        end += clock.nsecsElapsed() / 1e6;
        first += f;
        last += l;
        QObject::disconnect(seen);
        QApplication::processEvents(); // the final picture's pending paints
        state.PauseTiming();
        Settle();
        state.ResumeTiming();
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["first_ms"] = first / runs;
    state.counters["last_ms"] = last / runs;
    state.counters["ended_ms"] = end / runs;
}
BENCHMARK(BM_ProgramRun)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// One hand-over of a mid-run state (after 400 steps) to the four tiled windows, pictures included,
// and the window thread's events until they are drawn.
void BM_HandOver(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    korvel::Model model;
    model.params.L = model.params.M = n;
    TFormMain w(model);
    w.showMaximized();
    // A run of no steps sets the windows up as a run does.
    w.FormIsxDan->CurrencyVp->setValue(0);
    QEventLoop ended;
    QObject::connect(&w, &TFormMain::RunEnded, &ended, &QEventLoop::quit);
    w.ActionsSolve->trigger();
    ended.exec();
    Settle();
    korvel::InitialiseRun(model);
    for (int k = 0; k < 400; ++k)
        korvel::TimeStep(model);
    QMutex guard;
    RunWindows windows{w.FormSolve, w.FormTempTau, w.FormGraphS, w.FormGraphC};
    TSolveThread worker(model, model.data, guard, windows);
#if __has_include("run/HandOverMailbox.h")
    worker.HandOverHere(true, false);
#else
    worker.ShowStart(); // the hand-over as it was before it copied the state
#endif
    for (auto _ : state) {
        model.state.Tau += 5;
        model.state.Tem[n / 2][n / 2] += 0.25;
#if __has_include("run/HandOverMailbox.h")
        worker.HandOverHere(false, false);
#else
        worker.ShowStep();
#endif
        QApplication::processEvents();
    }
}
BENCHMARK(BM_HandOver)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
