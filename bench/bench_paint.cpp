// One full paint of the isotherm field with the six-grade scale of the cross-section window.

#include "components/PaintIsoLine.h"
#include "components/PaintIsoZone.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// The cross-section window's scale and a field of n x n nodes with the shape of a cooling quarter section:
// the pouring temperature inside, falling steeply towards the two cooled faces.
struct Field {
    TpzPaintIsoLine scale;
    TpzPaintIsoZone field;
    explicit Field(int n) {
        scale.setColGrade(6);
        const long double tl = 1510.465L, ts = 1433.5735L;
        scale.SetGradeLevel(0, tl);
        scale.SetGradeLevel(1, ts + 0.8L * (tl - ts));
        scale.SetGradeLevel(2, ts + 0.3L * (tl - ts));
        scale.SetGradeLevel(3, ts);
        scale.SetGradeLevel(4, 1100);
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
    }
};

void SetTriangleCounter(benchmark::State& state, int n) {
    state.counters["triangles"] =
        benchmark::Counter(4.0 * (n - 1) * (n - 1) * 6, benchmark::Counter::kIsIterationInvariantRate);
}

// Every polygon filled and outlined by the painter, one after the other.
void BM_PaintIsothermField(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Field f(n);
    QImage img(218, 217, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::black);
        QPainter p(&img);
        f.field.PaintCells(p);
        p.end();
        benchmark::DoNotOptimize(img.constBits());
    }
    SetTriangleCounter(state, n);
}

// The same bands rendered into the off-screen buffer's format, small polygons stamped from pixel masks.
void BM_RenderIsothermField(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Field f(n);
    QImage img(218, 217, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        img.fill(Qt::transparent);
        f.field.RenderCells(img);
        benchmark::DoNotOptimize(img.constBits());
    }
    SetTriangleCounter(state, n);
}

// A whole paint event after new node values: rendering into the buffer and the blit onto the canvas.
void BM_PaintEventAfterNewValues(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Field f(n);
    QImage img(218, 217, QImage::Format_RGB32);
    long double v = 1200;
    for (auto _ : state) {
        v = v == 1200 ? 1201 : 1200;
        f.field.SetNodeValue(n / 2, n / 2, v);
        f.field.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(img.constBits());
    }
    SetTriangleCounter(state, n);
}

} // namespace

BENCHMARK(BM_PaintIsothermField)->Arg(10)->Arg(30)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderIsothermField)->Arg(10)->Arg(30)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintEventAfterNewValues)->Arg(10)->Arg(30)->Arg(100)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
