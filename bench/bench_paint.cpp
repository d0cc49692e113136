// One full paint of the isotherm field with the six-grade scale of the cross-section window.

#include "components/PaintIsoLine.h"
#include "components/PaintIsoZone.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

void BM_PaintIsothermField(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TpzPaintIsoLine scale;
    scale.setColGrade(6);
    const long double tl = 1510.465L, ts = 1433.5735L;
    scale.SetGradeLevel(0, tl);
    scale.SetGradeLevel(1, ts + 0.8L * (tl - ts));
    scale.SetGradeLevel(2, ts + 0.3L * (tl - ts));
    scale.SetGradeLevel(3, ts);
    scale.SetGradeLevel(4, 1100);

    TpzPaintIsoZone field;
    field.resize(218, 217);
    field.setIsoLine(&scale);
    field.setPointsRow(n);
    field.setPointsCol(n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const double u = static_cast<double>(i) / (n - 1), v = static_cast<double>(j) / (n - 1);
            field.SetNodeValue(i, j,
                               1100.0L + 430.0L * std::tanh(3.5 * u) * std::tanh(3.5 * v) /
                                             std::pow(std::tanh(3.5), 2));
        }

    QImage img(218, 217, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::black);
        QPainter p(&img);
        field.PaintCells(p);
        p.end();
        benchmark::DoNotOptimize(img.constBits());
    }
    state.counters["triangles"] =
        benchmark::Counter(4.0 * (n - 1) * (n - 1) * 6, benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BM_PaintIsothermField)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
