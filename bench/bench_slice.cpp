// One display of the slice on the cross-section window: schematic, labels and the isotherm field of a
// 100 x 100 model grid.

#include "components/PaintIsoZone.h"
#include "model/Model.h"
#include "ui/UnSolve.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// Arguments: node count along each axis; 1 to draw the field polygon by polygon (no off-screen buffer);
// 1 to let the event loop run the repaints the display left pending, as the window thread does next.
void BM_ShowSlice(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const bool direct = state.range(1) != 0;
    const bool pending = state.range(2) != 0;
    korvel::Model m;
    m.params.L = n;
    m.params.M = n;
    korvel::SizeState(m);
    TFormSolve w;
    w.Prepare(m);
    w.pzPaintIsoZone1->setDirectPaint(direct);
    w.show();
    QApplication::processEvents();
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            const double u = (i - 1.0) / (n - 1), v = (j - 1.0) / (n - 1);
            m.state.Tem[i][j] =
                1100.0 + 430.0 * std::tanh(3.5 * u) * std::tanh(3.5 * v) / std::pow(std::tanh(3.5), 2);
        }
    int step = 0;
    for (auto _ : state) {
        ++step;
        m.state.Tau = step * 0.5;
        m.state.Tem[n / 2][n / 2] = 1200.0 + (step % 2);
        w.ShowSlice(m, 0.01 * (step % 1000));
        if (pending) QApplication::processEvents();
    }
}

} // namespace

BENCHMARK(BM_ShowSlice)
    ->ArgNames({"nodes", "direct", "pending"})
    ->ArgsProduct({{10, 100}, {1, 0}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
