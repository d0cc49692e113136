// The sulphur and carbon windows with a live 3-D view (xcb under Xvfb, software OpenGL): the data the
// view is given, the catching-up of a hidden view, and that the view really draws.
#include "ui/Un3DGraphC.h"
#include "ui/Un3DGraphS.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QtDataVisualization/Q3DSurface>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtDataVisualization/QSurfaceDataProxy>
#include <QtDataVisualization/QValue3DAxis>

#include <cmath>

namespace {

korvel::Model LayerModel(int L, int M, double scale) {
    korvel::Model m;
    m.params.L = L;
    m.params.M = M;
    korvel::SizeState(m);
    for (int i = 1; i <= L; ++i)
        for (int j = 1; j <= M; ++j) {
            m.state.SMean[i][j] = scale * (0.03 + 0.002 * i * j);
            m.state.CMean[i][j] = scale * (0.2 + 0.01 * (i + j));
        }
    return m;
}

// Distinct colours on a coarse raster of the image.
int ColourCount(const QImage& img) {
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); y += 5)
        for (int x = 0; x < img.width(); x += 5)
            colours.insert(img.pixel(x, y) & 0xffffff);
    return static_cast<int>(colours.size());
}

} // namespace

class TestGlSurfaces : public QObject {
    Q_OBJECT

private slots:
    void viewExists() {
        QVERIFY2(SurfaceChartWindow::CanCreate3DView(), qPrintable(QGuiApplication::platformName()));
        TFormGraphS s;
        QVERIFY(s.HasView());
        Q3DSurface* g = s.Graph();
        QCOMPARE(g->shadowQuality(), QAbstract3DGraph::ShadowQualityNone);
        QCOMPARE(g->axisX()->title(), QStringLiteral("Ось X"));
        QCOMPARE(g->axisZ()->title(), QStringLiteral("Ось Y"));
        QVERIFY(g->axisZ()->isTitleVisible());
        QCOMPARE(g->axisY()->title(), QStringLiteral("Содержание элемента, %"));
        QCOMPARE(g->seriesList().size(), 1);
        QCOMPARE(g->seriesList().first(), s.Series1);
    }

    // The proxy holds M rows of L points: x = i, z = j, y = the last layer's value.
    void proxyHoldsLastLayer() {
        TFormGraphC c;
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        c.StartSurface(6, 4);
        QCOMPARE(c.Series1->dataProxy()->rowCount(), 0);
        c.AddLayer(LayerModel(6, 4, 1));
        c.AddLayer(LayerModel(6, 4, 2));
        QVERIFY(!c.Dirty());
        QSurfaceDataProxy* p = c.Series1->dataProxy();
        QCOMPARE(p->rowCount(), 4);
        QCOMPARE(p->columnCount(), 6);
        for (int i = 1; i <= 6; ++i)
            for (int j = 1; j <= 4; ++j) {
                const QVector3D pos = p->itemAt(j - 1, i - 1)->position();
                QCOMPARE(pos.x(), float(i));
                QCOMPARE(pos.z(), float(j));
                const double expected = 2 * (0.2 + 0.01 * (i + j));
                QVERIFY2(std::abs(pos.y() - expected) < 1e-6,
                         qPrintable(QStringLiteral("(%1, %2): %3, expected %4")
                                        .arg(i)
                                        .arg(j)
                                        .arg(pos.y())
                                        .arg(expected)));
            }
        // A new run empties the view at once.
        c.StartSurface(5, 5);
        QCOMPARE(p->rowCount(), 0);
    }

    // A hidden window is not updated; it catches up when shown.
    void hiddenViewCatchesUp() {
        TFormGraphS s;
        s.StartSurface(5, 3);
        s.AddLayer(LayerModel(5, 3, 1));
        QVERIFY(s.Dirty());
        QCOMPARE(s.Series1->dataProxy()->rowCount(), 0);
        s.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        QVERIFY(!s.Dirty());
        QCOMPARE(s.Series1->dataProxy()->rowCount(), 3);
        QCOMPARE(s.Series1->dataProxy()->columnCount(), 5);
    }

    // As a child of the main window: a minimised sub-window is left alone until it is restored.
    void minimisedSubWindow() {
        QMdiArea area;
        area.resize(900, 700);
        auto* s = new TFormGraphS;
        QMdiSubWindow* sub = area.addSubWindow(s);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        s->StartSurface(4, 4);
        s->AddLayer(LayerModel(4, 4, 1));
        QVERIFY(!s->Dirty());
        sub->showMinimized();
        QApplication::processEvents();
        s->AddLayer(LayerModel(4, 4, 3));
        QVERIFY(s->Dirty());
        sub->showNormal();
        QApplication::processEvents();
        QVERIFY(!s->Dirty());
        const float y = s->Series1->dataProxy()->itemAt(3, 3)->position().y();
        QVERIFY2(std::abs(y - 3 * (0.03 + 0.002 * 16)) < 1e-6, qPrintable(QString::number(y)));
    }

    void rendersSomething() {
        TFormGraphS s;
        s.resize(542, 394);
        s.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        s.StartSurface(10, 10);
        s.AddLayer(LayerModel(10, 10, 1));
        const QImage img = s.RenderImage(QSize(400, 300));
        QCOMPARE(img.size(), QSize(400, 300));
        const int colours = ColourCount(img);
        QVERIFY2(colours > 20, qPrintable(QStringLiteral("%1 colours").arg(colours)));
        // The view's tool bar actions change the camera without breaking the picture.
        s.ZoomIn();
        s.Rotate();
        s.ResetView();
        QVERIFY(!s.RenderImage(QSize(200, 150)).isNull());
    }
};

QTEST_MAIN(TestGlSurfaces)
#include "tst_gl_surfaces.moc"
