#include "check_helpers.h"

#include "components/PaintIsoLine.h"
#include "components/PaintIsoZone.h"
#include "components/graphprop.h"

#include <QTest>

#include <cmath>
#include <memory>
#include <vector>

namespace {

struct Pt {
    long double x, y;
};

// Compares the clip points of the last ClipTriangle with the expected list, order and repeats included.
QString ComparePoints(const TpzPaintIsoZone& z, int n, const std::vector<Pt>& expected) {
    auto list = [&]() {
        QString s;
        for (int k = 0; k < n; ++k)
            s += QStringLiteral("(%1, %2) ")
                     .arg(static_cast<double>(z.ClipPoints()[k].X), 0, 'g', 17)
                     .arg(static_cast<double>(z.ClipPoints()[k].Y), 0, 'g', 17);
        return s;
    };
    if (n != static_cast<int>(expected.size()))
        return QStringLiteral("count %1, expected %2: %3").arg(n).arg(expected.size()).arg(list());
    for (int k = 0; k < n; ++k) {
        if (std::fabs(z.ClipPoints()[k].X - expected[k].x) > 1e-15L ||
            std::fabs(z.ClipPoints()[k].Y - expected[k].y) > 1e-15L)
            return QStringLiteral("point %1 differs: %2").arg(k).arg(list());
    }
    return {};
}

// The worked cell: corners (0, 0) to (1, 1), 10 along x = 0 and 0 along x = 1; scale of 3 grades, levels
// 8, 2.
struct WorkedCell {
    TpzPaintIsoLine scale;
    TpzPaintIsoZone field;
    TBilinear s{};
    TIsoVertex v00{0, 0, 10}, v01{0, 1, 10}, v11{1, 1, 0}, v10{1, 0, 0};
    TIsoVertex centre{0.5L, 0.5L, 5};
    WorkedCell() {
        scale.setColGrade(3);
        scale.SetGradeLevel(0, 8);
        scale.SetGradeLevel(1, 2);
        field.resize(100, 100);
        field.setIsoLine(&scale);
        field.SetNodeValue(0, 0, 10);
        field.SetNodeValue(0, 1, 10);
        field.SetNodeValue(1, 0, 0);
        field.SetNodeValue(1, 1, 0);
        TpzPaintIsoZone::BilinearCoefficients(0, 1, 0, 1, 10, 10, 0, 0, s);
    }
    long double Hi(int k) const { return k == 0 ? 1.0L / field.MachinEps() : scale.GradeLevel(k - 1); }
    long double Lo(int k) const { return k == 2 ? -1.0L / field.MachinEps() : scale.GradeLevel(k); }
};

// The cross-section window's six-grade scale.
void SetCrossSectionLevels(TpzPaintIsoLine& scale) {
    scale.setColGrade(6);
    const long double tl = 1510.465L, ts = 1433.5735L;
    scale.SetGradeLevel(0, tl);
    scale.SetGradeLevel(1, ts + 0.8L * (tl - ts));
    scale.SetGradeLevel(2, ts + 0.3L * (tl - ts));
    scale.SetGradeLevel(3, ts);
    scale.SetGradeLevel(4, 1100);
}

// A quarter section of n x n nodes cooling from two faces: exactly 1100 (a level) on the faces, up to 1530
// inside; ripple adds closed level curves and saddles.
void FillCoolingField(TpzPaintIsoZone& z, int n, double ripple) {
    z.setPointsRow(n);
    z.setPointsCol(n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const double u = static_cast<double>(i) / (n - 1), v = static_cast<double>(j) / (n - 1);
            const double t =
                1100.0 + 430.0 * std::tanh(3.5 * u) * std::tanh(3.5 * v) / std::pow(std::tanh(3.5), 2);
            z.SetNodeValue(i, j, t + ripple * std::sin(17.0 * u) * std::sin(13.0 * v));
        }
}

// Pixels in which two renderings differ, with the first few listed.
int DifferingPixels(const QImage& a, const QImage& b, QString& first) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && ++count <= 5)
                first += QStringLiteral("(%1, %2) %3 vs %4; ")
                             .arg(x)
                             .arg(y)
                             .arg(QColor(a.pixel(x, y)).name(), QColor(b.pixel(x, y)).name());
    return count;
}

} // namespace

class TestPaintIsoZone : public QObject {
    Q_OBJECT

private slots:
    void toleranceHelpers() {
        TpzPaintIsoZone z;
        QCOMPARE(MachineEpsilon(), std::ldexp(1.0, -63));
        QCOMPARE(GraphEps, std::ldexp(1.0, -63));
        CHECK_NEAR(z.MachinEps(), 10.0L * std::ldexp(1.0L, -63), 0);
        CHECK_NEAR(1.0L / z.MachinEps(), 9.2233720368547758e17L, 1e3);
        // Order of the bounds does not matter; the tolerance is inclusive for IsBetween, strict for IsSame.
        QVERIFY(IsBetween(1.5L, 2.0L, 1.0L) && IsBetween(1.5, 2.0, 1.0));
        QVERIFY(IsBetween(0.0L, -static_cast<long double>(GraphEps), 1.0L));
        QVERIFY(!IsBetween(-3.0L * GraphEps, 0.0L, 1.0L));
        QVERIFY(!IsSame(0.0L, static_cast<long double>(GraphEps)));
        QVERIFY(IsSame(0.0L, 0.5L * GraphEps) && IsSame(0.0, 0.5 * GraphEps));
    }

    void workedCellCoefficients() {
        WorkedCell w;
        CHECK_NEAR(w.s.A, 10, 1e-15);
        CHECK_NEAR(w.s.B, -10, 1e-15);
        CHECK_NEAR(w.s.C, 0, 1e-15);
        CHECK_NEAR(w.s.D, 0, 1e-15);
        TBilinear none{};
        QVERIFY(!TpzPaintIsoZone::BilinearCoefficients(0, 0, 0, 1, 1, 2, 3, 4, none)); // cell of zero width
    }

    void workedCellFirstTriangle() {
        WorkedCell w;
        int n = w.field.ClipTriangle(w.Lo(0), w.Hi(0), w.v00, w.v01, w.centre, w.s);
        QString err = ComparePoints(w.field, n, {{0, 0}, {0, 1}, {0, 1}, {0.2L, 0.8L}, {0.2L, 0.2L}, {0, 0}});
        QVERIFY2(err.isEmpty(), qPrintable(err));
        // Pixels of a 100 x 100 control, y upward.
        const QPoint px[] = {{0, 100}, {0, 0}, {0, 0}, {20, 20}, {20, 80}, {0, 100}};
        for (int k = 0; k < n; ++k)
            QCOMPARE(w.field.Points()[k], px[k]);

        n = w.field.ClipTriangle(w.Lo(1), w.Hi(1), w.v00, w.v01, w.centre, w.s);
        err = ComparePoints(w.field, n, {{0.2L, 0.8L}, {0.5L, 0.5L}, {0.5L, 0.5L}, {0.2L, 0.2L}});
        QVERIFY2(err.isEmpty(), qPrintable(err));

        n = w.field.ClipTriangle(w.Lo(2), w.Hi(2), w.v00, w.v01, w.centre, w.s);
        QCOMPARE(n, 0);
    }

    void workedCellSecondTriangle() {
        WorkedCell w;
        // Horizontal edge meeting both levels: the crossing with level 8, nearer to (0, 1), comes first.
        const int n = w.field.ClipTriangle(w.Lo(1), w.Hi(1), w.v01, w.v11, w.centre, w.s);
        const QString err = ComparePoints(
            w.field, n, {{0.2L, 1}, {0.8L, 1}, {0.8L, 0.8L}, {0.5L, 0.5L}, {0.5L, 0.5L}, {0.2L, 0.8L}});
        QVERIFY2(err.isEmpty(), qPrintable(err));
    }

    void workedCellRendered() {
        WorkedCell w;
        const QImage img = RenderWidget(w.field);
        // Value 10 - 10 x: above 8 for x < 0.2 (white), between 2 and 8 up to x = 0.8 (yellow), then aqua.
        for (int y : {1, 50, 98}) {
            CHECK_PIXEL(img, 5, y, Qt::white);
            CHECK_PIXEL(img, 50, y, Qt::yellow);
            CHECK_PIXEL(img, 95, y, Qt::cyan);
        }
    }

    void edgeCrossingsExact() {
        TpzPaintIsoZone z;
        const TBilinear s{1.0, 2.0, 3.0, 4.0};
        TClipPoint c{};
        // Vertical edge x = 0.3: surface 1.6 + 4.2 y.
        QVERIFY(z.LevelCrossing({0.3L, 0, 0}, {0.3L, 1, 0}, 3.0L, s, c));
        QCOMPARE(static_cast<double>(c.X), 0.3);
        CHECK_NEAR(c.Y, 1.4 / 4.2, 1e-15);
        // Horizontal edge y = 0.25: surface 1.75 + 3 x.
        QVERIFY(z.LevelCrossing({0, 0.25L, 0}, {1, 0.25L, 0}, 2.5L, s, c));
        QCOMPARE(static_cast<double>(c.Y), 0.25);
        CHECK_NEAR(c.X, 0.25, 1e-15);
        // Crossing outside the segment, and a level the edge never reaches (zero slope gives the sentinel).
        QVERIFY(!z.LevelCrossing({0.3L, 0, 0}, {0.3L, 1, 0}, 100.0L, s, c));
        const TBilinear flat{5.0, 0.0, 0.0, 0.0};
        QVERIFY(!z.LevelCrossing({0.3L, 0, 0}, {0.3L, 1, 0}, 5.0L, flat, c));
        QVERIFY(!z.LevelCrossing({0, 0.25L, 0}, {1, 0.25L, 0}, 5.0L, flat, c));
        // Diagonal edge of a saddle: T = x y meets 0.25 at (0.5, 0.5) (double root of the quadratic).
        const TBilinear saddle{0.0, 0.0, 0.0, 1.0};
        QVERIFY(z.LevelCrossing({0, 0, 0}, {1, 1, 1}, 0.25L, saddle, c));
        CHECK_NEAR(c.X, 0.5, 1e-12);
        CHECK_NEAR(c.Y, 0.5, 1e-12);
        // Diagonal x + y through a saddle: T = x y along y = 1 - x meets 0.16 at x = 0.2 and 0.8 (first root
        // in the segment wins).
        QVERIFY(z.LevelCrossing({0, 1, 0}, {0.5L, 0.5L, 0}, 0.16L, saddle, c));
        CHECK_NEAR(c.X, 0.2, 1e-12);
        CHECK_NEAR(c.Y, 0.8, 1e-12);
        QVERIFY(!z.LevelCrossing({0, 1, 0}, {0.5L, 0.5L, 0}, 0.3L, saddle, c)); // disc < 0
    }

    void edgeInsideBandKeepsOnlyItsEnds() {
        // Both ends in the band: only the two ends, even though the curve along it leaves the band.
        TpzPaintIsoZone z;
        const TBilinear saddle{0.0, 0.0, 0.0, 1.0};
        const TIsoVertex a{0, 1, 0}, b{1, 0, 0}, c{1, 1, 1};
        const int n = z.ClipTriangle(-0.1L, 0.1L, a, b, c, saddle);
        QVERIFY2(n >= 2, qPrintable(QString::number(n)));
        CHECK_NEAR(z.ClipPoints()[0].X, 0, 0);
        CHECK_NEAR(z.ClipPoints()[0].Y, 1, 0);
        CHECK_NEAR(z.ClipPoints()[1].X, 1, 0);
        CHECK_NEAR(z.ClipPoints()[1].Y, 0, 0);
    }

    void uniformFieldOneBand() {
        TpzPaintIsoLine scale; // 3 grades, levels 1600
        TpzPaintIsoZone z;
        z.resize(30, 20);
        z.setPointsRow(4);
        z.setPointsCol(3);
        z.setIsoLine(&scale);
        // Default value 1000: below every level, so the last grade fills the whole control.
        const TIsoVertex a{0, 0, 1000}, b{0, 0.5L, 1000}, c{0.25L, 0.25L, 1000};
        const TBilinear s{1000, 0, 0, 0};
        QCOMPARE(z.ClipTriangle(-1.0L / z.MachinEps(), 1600, a, b, c, s), 3);
        QCOMPARE(z.ClipTriangle(1600, 1600, a, b, c, s), 0);
        QCOMPARE(z.ClipTriangle(1600, 1.0L / z.MachinEps(), a, b, c, s), 0);
        const QImage img = RenderWidget(z);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                CHECK_PIXEL(img, x, y, Qt::cyan);
    }

    void valueOnLevelTakesLowerBand() {
        TpzPaintIsoLine scale;
        scale.setColGrade(3);
        scale.SetGradeLevel(0, 8);
        scale.SetGradeLevel(1, 2);
        TpzPaintIsoZone z;
        z.resize(40, 40);
        z.setIsoLine(&scale);
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                z.SetNodeValue(i, j, 8);
        QImage img = RenderWidget(z);
        CHECK_PIXEL(img, 20, 20, Qt::yellow); // grade 1 (between 8 and 2) paints after grade 0

        // Default levels all 1600: exactly 1600 lies in every band and shows the last.
        TpzPaintIsoLine defaults;
        z.setIsoLine(&defaults);
        z.setSimpleIsoZone(1600);
        img = RenderWidget(z);
        CHECK_PIXEL(img, 20, 20, Qt::cyan);
        z.setSimpleIsoZone(1600.5L);
        img = RenderWidget(z);
        CHECK_PIXEL(img, 20, 20, Qt::white);
    }

    void noScaleDrawsNothing() {
        TpzPaintIsoZone z;
        z.resize(10, 10);
        const QImage img = RenderWidget(z);
        CHECK_PIXEL(img, 5, 5, CanvasColour());
        auto scale = std::make_unique<TpzPaintIsoLine>();
        z.setIsoLine(scale.get());
        QCOMPARE(z.IsoLine(), scale.get());
        scale.reset();
        QVERIFY(z.IsoLine() == nullptr); // the link clears itself
        z.DrawField();                   // and painting without it is harmless
    }

    void pixelMappingTiesToEven() {
        TpzPaintIsoZone z;
        z.resize(10, 10);
        QCOMPARE(z.XToPixel(0.25L), 2); // 2.5
        QCOMPARE(z.XToPixel(0.75L), 8); // 7.5
        QCOMPARE(z.XToPixel(0.05L), 0); // 0.5
        QCOMPARE(z.YToPixel(1.0L), 0);
        QCOMPARE(z.YToPixel(0.0L), 10);
        QCOMPARE(z.YToPixel(0.25L), 8); // 7.5
        QCOMPARE(z.XToPixel(std::nanl("")), 0);
        QCOMPARE(z.XToPixel(1e300L), PixelLimit);
        QCOMPARE(z.YToPixel(-INFINITY), PixelLimit);
    }

    // The buffered paint (small polygons stamped from masks, larger ones drawn) gives the same pixels as
    // filling and outlining every polygon with the painter, band edges, later grades over earlier ones,
    // the control's edges and the canvas where no band lies included.
    void bufferedPaintMatchesDirect_data() {
        QTest::addColumn<int>("nodes");
        QTest::addColumn<double>("ripple");
        QTest::addColumn<QSize>("size");
        QTest::newRow("10 x 10") << 10 << 0.0 << QSize(218, 217);
        QTest::newRow("30 x 30") << 30 << 0.0 << QSize(218, 217);
        QTest::newRow("30 x 30 rippled") << 30 << 40.0 << QSize(218, 217);
        QTest::newRow("100 x 100") << 100 << 0.0 << QSize(218, 217);
        QTest::newRow("100 x 100 rippled") << 100 << 40.0 << QSize(218, 217);
        QTest::newRow("30 x 30 on 61 x 47") << 30 << 40.0 << QSize(61, 47);
    }
    void bufferedPaintMatchesDirect() {
        QFETCH(int, nodes);
        QFETCH(double, ripple);
        QFETCH(QSize, size);
        TpzPaintIsoLine scale;
        SetCrossSectionLevels(scale);
        TpzPaintIsoZone z;
        z.resize(size);
        z.setIsoLine(&scale);
        FillCoolingField(z, nodes, ripple);
        z.setDirectPaint(true);
        const QImage direct = RenderWidget(z);
        z.setDirectPaint(false);
        const QImage buffered = RenderWidget(z);
        QString first;
        const int differing = DifferingPixels(direct, buffered, first);
        QVERIFY2(differing == 0,
                 qPrintable(QStringLiteral("%1 pixels differ: %2").arg(differing).arg(first)));
        // A field touching no pixel leaves the canvas alone in both.
        z.setWidthNature(1e6);
        z.setHeightNature(1e-6);
        CHECK_PIXEL(RenderWidget(z), size.width() / 2, size.height() / 2, CanvasColour());
    }

    // The buffer is rendered anew after every kind of change, even one the field is not told of.
    void bufferFollowsChanges() {
        TpzPaintIsoLine scale;
        scale.setColGrade(3);
        scale.SetGradeLevel(0, 8);
        scale.SetGradeLevel(1, 2);
        TpzPaintIsoZone z;
        z.resize(40, 40);
        z.setIsoLine(&scale);
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                z.SetNodeValue(i, j, 5);
        CHECK_PIXEL(RenderWidget(z), 20, 20, Qt::yellow);
        z.SetNodeValue(1, 1, 9); // no repaint asked for, but the next paint shows it
        z.SetNodeValue(0, 0, 9);
        z.SetNodeValue(1, 0, 9);
        z.SetNodeValue(0, 1, 9);
        CHECK_PIXEL(RenderWidget(z), 20, 20, Qt::white);
        scale.SetGradeLevel(0, 10); // the scale does not tell the field
        CHECK_PIXEL(RenderWidget(z), 20, 20, Qt::yellow);
        TpzPaintIsoLine other; // 3 grades, levels 1600
        z.setIsoLine(&other);
        CHECK_PIXEL(RenderWidget(z), 20, 20, Qt::cyan);
        z.resize(60, 40);
        const QImage wide = RenderWidget(z);
        CHECK_PIXEL(wide, 59, 20, Qt::cyan);
    }

    void gridWriters() {
        TpzPaintIsoZone z;
        QCOMPARE(z.PointsRow(), 2);
        QCOMPARE(z.PointsCol(), 2);
        CHECK_NEAR(z.NodeValue(1, 1), 1000, 0);
        z.setPointsRow(4);
        CHECK_NEAR(z.RowCoord(1), 1.0L / 3, 1e-16);
        CHECK_NEAR(z.RowCoord(3), 1, 0); // last node exactly at the width
        z.SetNodeValue(2, 1, 5);
        z.setPointsRow(4); // unchanged: no reset
        CHECK_NEAR(z.NodeValue(2, 1), 5, 0);
        z.setPointsRow(1);
        QCOMPARE(z.PointsRow(), 2);
        CHECK_NEAR(z.NodeValue(1, 1), 1000, 0);
        z.setPointsCol(-7);
        QCOMPARE(z.PointsCol(), 2); // from 2 to 2: stays

        z.setPointsRow(3);
        z.setPointsCol(5);
        z.SetNodeValue(0, 4, 42);
        z.SetNodeValue(-1, 0, 7);
        z.SetNodeValue(0, z.PointsCol(), 7);
        z.SetNodeValue(z.PointsRow(), 0, 7);
        CHECK_NEAR(z.NodeValue(0, 0), 1000, 0);
        CHECK_NEAR(z.NodeValue(2, 4), 1000, 0);
        CHECK_NEAR(z.NodeValue(-5, z.PointsCol() + 3), 42, 0); // clamped to (0, PointsCol - 1)
        CHECK_NEAR(z.ColCoord(99), 1, 0);
        CHECK_NEAR(z.ColCoord(-1), 0, 0);

        z.setSimpleIsoZone(1500);
        CHECK_NEAR(z.NodeValue(0, 4), 1500, 0);

        z.setWidthNature(0);
        QCOMPARE(z.WidthNature(), 1e-8);
        z.setHeightNature(-2);
        QCOMPARE(z.HeightNature(), 1e-8);
        z.setWidthNature(0.16);
        QCOMPARE(z.WidthNature(), 0.16);
        CHECK_NEAR(z.RowCoord(2), 1, 0); // coordinates are not recomputed
        z.SetRowCoord(1, 123.5L);
        z.SetRowCoord(3, 9);
        z.SetColCoord(-1, 9);
        CHECK_NEAR(z.RowCoord(1), 123.5L, 0);
        CHECK_NEAR(z.RowCoord(2), 1, 0);
        CHECK_NEAR(z.ColCoord(0), 0, 0);

        QCOMPARE(z.property("PointsRow").toInt(), 3);
        QVERIFY(z.setProperty("SimpleIsoZone", 1234.5));
        CHECK_NEAR(z.SimpleIsoZone(), 1234.5L, 0);
    }
};

QTEST_MAIN(TestPaintIsoZone)
#include "tst_paintisozone.moc"
