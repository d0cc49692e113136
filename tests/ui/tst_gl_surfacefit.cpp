// The 3-D charts at the sizes they get: node numbers on the grid axes, colours by value, round value
// ticks, no wire-frame on dense grids, the view fitted to the window's shape and pictures of any size.
#include "ui/NodeAxisFormatter.h"
#include "ui/Un3DGraphC.h"
#include "ui/Un3DGraphS.h"

#include <QApplication>
#include <QLocale>
#include <QTest>
#include <QtDataVisualization/Q3DCamera>
#include <QtDataVisualization/Q3DScene>
#include <QtDataVisualization/Q3DSurface>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtDataVisualization/QValue3DAxis>

#include <cmath>

namespace {

korvel::Model LayerModel(int L, int M) {
    korvel::Model m;
    m.params.L = L;
    m.params.M = M;
    korvel::SizeState(m);
    for (int i = 1; i <= L; ++i)
        for (int j = 1; j <= M; ++j) {
            m.state.SMean[i][j] = 0.035 + 0.0004 * i + 0.0002 * j;
            m.state.CMean[i][j] = 0.18 + 0.003 * i * j / double(L);
        }
    return m;
}

QStringList Numbers(int from, int to) {
    QStringList out;
    for (int n = from; n <= to; ++n)
        out << QString::number(n);
    return out;
}

// Whether the labels are distinct whole numbers in ascending order, from 1 to last.
bool OnceInOrder(const QStringList& labels, int last) {
    int previous = 0;
    for (const QString& l : labels) {
        bool ok = false;
        const int n = l.toInt(&ok);
        if (!ok || n <= previous) return false;
        previous = n;
    }
    return !labels.isEmpty() && labels.first() == QLatin1String("1") && previous == last;
}

} // namespace

class TestGlSurfaceFit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    // Each node number once, in order: every node on a small grid, round numbers on a large one.
    void nodeAxesLabelEachNodeOnce() {
        TFormGraphS s;
        s.resize(900, 600);
        s.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        QVERIFY(s.HasView());
        QCOMPARE(s.Graph()->axisX()->formatter(), static_cast<QValue3DAxisFormatter*>(s.NodeAxisX()));
        s.StartSurface(10, 8);
        s.AddLayer(LayerModel(10, 8));
        QVERIFY(!s.RenderImage(QSize(300, 200)).isNull());
        s.NodeAxisX()->Update();
        s.NodeAxisZ()->Update();
        QCOMPARE(s.NodeAxisX()->Labels(), Numbers(1, 10));
        QCOMPARE(s.NodeAxisZ()->Labels(), Numbers(1, 8));

        for (const QSize grid : {QSize(100, 100), QSize(37, 9), QSize(11, 4)}) {
            s.StartSurface(grid.width(), grid.height());
            s.NodeAxisX()->Update();
            s.NodeAxisZ()->Update();
            const QStringList x = s.NodeAxisX()->Labels(), z = s.NodeAxisZ()->Labels();
            QVERIFY2(OnceInOrder(x, grid.width()), qPrintable(x.join(' ')));
            QVERIFY2(OnceInOrder(z, grid.height()), qPrintable(z.join(' ')));
            QVERIFY2(x.size() <= s.NodeAxisX()->MaxLabels() + 1, qPrintable(x.join(' ')));
        }
    }

    // Colour carries the value: a gradient over the value range, from the series' start colour for
    // sulphur; the value axis has round ticks and the locale's figures.
    void coloursAndValueTicks() {
        TFormGraphS s;
        TFormGraphC c;
        s.resize(700, 500);
        c.resize(700, 500);
        s.show();
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        QCOMPARE(s.Series1->colorStyle(), Q3DTheme::ColorStyleRangeGradient);
        QCOMPARE(c.Series1->colorStyle(), Q3DTheme::ColorStyleRangeGradient);
        QCOMPARE(s.Series1->baseGradient().stops().first().second, QColor(255, 0, 128));
        QVERIFY(c.Series1->baseGradient().stops().size() >= 3);
        QCOMPARE(s.Graph()->locale(), QLocale(QLocale::Russian, QLocale::Russia));

        s.StartSurface(10, 10);
        s.AddLayer(LayerModel(10, 10));
        QValue3DAxis* y = s.Graph()->axisY();
        const double step = (y->max() - y->min()) / y->segmentCount();
        const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
        const double mantissa = step / power;
        QVERIFY2(std::abs(mantissa - 1) < 1e-4 || std::abs(mantissa - 2) < 1e-4 ||
                     std::abs(mantissa - 5) < 1e-4,
                 qPrintable(QString::number(step, 'g', 10)));
        for (double end : {double(y->min()), double(y->max())})
            QVERIFY2(std::abs(end / step - std::round(end / step)) < 1e-3, qPrintable(QString::number(end)));
        // The data lie inside: 0.0356 .. 0.041.
        QVERIFY(y->min() <= 0.0356f && y->max() >= 0.041f);
        QVERIFY2(y->segmentCount() >= 2 && y->segmentCount() <= 8,
                 qPrintable(QString::number(y->segmentCount())));
    }

    void wireFrameOnlyOnCoarseGrids() {
        TFormGraphC c;
        c.StartSurface(10, 10);
        QCOMPARE(c.Series1->drawMode(), QSurface3DSeries::DrawSurfaceAndWireframe);
        c.StartSurface(100, 100);
        QCOMPARE(c.Series1->drawMode(), QSurface3DSeries::DrawSurface);
        c.StartSurface(30, 30);
        QCOMPARE(c.Series1->drawMode(), QSurface3DSeries::DrawSurface);
    }

    // The view suits the window's shape; a picture of another size leaves the window's view alone.
    void viewFittedToTheWindow() {
        const SurfaceChartWindow::ViewFit ordinary = SurfaceChartWindow::FitView(QSize(700, 450));
        const SurfaceChartWindow::ViewFit strip = SurfaceChartWindow::FitView(QSize(1360, 105));
        QVERIFY(!ordinary.ortho);
        QVERIFY(strip.ortho);
        QVERIFY(strip.aspectRatio > ordinary.aspectRatio);
        QVERIFY(strip.yRotation < ordinary.yRotation);
        QVERIFY(SurfaceChartWindow::FitView(QSize(1360, 560)).zoom < 100);

        TFormGraphS s;
        s.resize(1360, 140);
        s.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        QTRY_VERIFY(s.Graph()->isOrthoProjection());
        const float zoom = s.Graph()->scene()->activeCamera()->zoomLevel();
        s.StartSurface(12, 12);
        s.AddLayer(LayerModel(12, 12));
        const QImage picture = s.RenderPicture(QSize(1600, 1000));
        QCOMPARE(picture.size(), QSize(1600, 1000));
        QVERIFY(s.Graph()->isOrthoProjection());
        QCOMPARE(s.Graph()->scene()->activeCamera()->zoomLevel(), zoom);
        // The surface spreads over the picture: coloured pixels far apart.
        int left = picture.width(), right = 0;
        for (int yy = 0; yy < picture.height(); yy += 4)
            for (int xx = 0; xx < picture.width(); xx += 4) {
                const QColor p = picture.pixelColor(xx, yy);
                if (p.saturation() > 120 && p.value() > 60) {
                    left = std::min(left, xx);
                    right = std::max(right, xx);
                }
            }
        QVERIFY2(right - left > picture.width() / 3,
                 qPrintable(QStringLiteral("%1..%2").arg(left).arg(right)));

        // Maximised again the window takes the ordinary view back.
        s.resize(900, 600);
        QTRY_VERIFY(!s.Graph()->isOrthoProjection());
    }
};

QTEST_MAIN(TestGlSurfaceFit)
#include "tst_gl_surfacefit.moc"
