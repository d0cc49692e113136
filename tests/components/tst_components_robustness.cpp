#include "check_helpers.h"

#include "components/PaintIsoLine.h"
#include "components/PaintIsoZone.h"
#include "components/SchemaKorvel.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QTest>

#include <cmath>
#include <limits>
#include <random>

namespace {

long double RandomValue(std::mt19937& rng) {
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_real_distribution<double> normal(1000, 1600);
    switch (kind(rng)) {
    case 0:
        return std::numeric_limits<long double>::quiet_NaN();
    case 1:
        return std::numeric_limits<long double>::infinity();
    case 2:
        return -std::numeric_limits<long double>::infinity();
    case 3:
        return std::uniform_int_distribution<int>(0, 1)(rng) ? 1e300L : -1e4000L;
    case 4:
        return 1500; // many equal values, also equal to levels below
    default:
        return normal(rng);
    }
}

} // namespace

// Random fields, levels and sizes: painting must finish and never crash.
class TestComponentsRobustness : public QObject {
    Q_OBJECT

private slots:
    void randomIsothermFields() {
        std::mt19937 rng(20240611);
        TpzPaintIsoLine scale;
        TpzPaintIsoZone z;
        z.setIsoLine(&scale);
        QImage img(64, 64, QImage::Format_RGB32);
        int filled = 0;
        for (int round = 0; round < 300; ++round) {
            z.resize(std::uniform_int_distribution<int>(0, 64)(rng),
                     std::uniform_int_distribution<int>(0, 64)(rng));
            z.setPointsRow(std::uniform_int_distribution<int>(-1, 12)(rng));
            z.setPointsCol(std::uniform_int_distribution<int>(-1, 12)(rng));
            z.setWidthNature(std::uniform_int_distribution<int>(0, 4)(rng) == 0 ? 0.0 : 0.16);
            scale.setColGrade(std::uniform_int_distribution<int>(0, 9)(rng));
            for (int k = 0; k < scale.ColGrade() - 1; ++k)
                scale.SetGradeLevel(k, RandomValue(rng));
            for (int i = 0; i < z.PointsRow(); ++i)
                for (int j = 0; j < z.PointsCol(); ++j)
                    z.SetNodeValue(i, j, RandomValue(rng));
            if (round % 7 == 0) z.SetRowCoord(1, z.RowCoord(0)); // a cell without width
            if (round % 11 == 0) z.SetColCoord(0, std::numeric_limits<long double>::quiet_NaN());
            if (round % 13 == 0) z.SetRowCoord(0, -1e200L);
            img.fill(Qt::black);
            QPainter p(&img);
            z.PaintCells(p);
            p.end();
            filled += img.pixelColor(0, 0) != QColor(Qt::black);
            z.render(&img);
        }
        QVERIFY(filled > 0);
    }

    void randomScalesAndSchematics() {
        std::mt19937 rng(77);
        QImage img(120, 90, QImage::Format_RGB32);
        for (int round = 0; round < 200; ++round) {
            TpzPaintIsoLine scale;
            scale.resize(std::uniform_int_distribution<int>(0, 120)(rng),
                         std::uniform_int_distribution<int>(0, 90)(rng));
            scale.setColGrade(std::uniform_int_distribution<int>(-2, 40)(rng));
            scale.setDecimalIsoLine(std::uniform_int_distribution<int>(0, 6)(rng));
            scale.setLengthIsoLine(std::uniform_int_distribution<int>(0, 12)(rng));
            scale.setBevelOuter(static_cast<TpzPaintIsoLine::TBevelCut>(round % 4));
            for (int k = 0; k < scale.ColGrade() - 1; ++k)
                scale.SetGradeLevel(k, RandomValue(rng));
            QPainter p(&img);
            scale.PaintScale(p);

            TpzSchemaKorvel s;
            s.resize(std::uniform_int_distribution<int>(0, 120)(rng),
                     std::uniform_int_distribution<int>(0, 90)(rng));
            std::uniform_real_distribution<double> len(0.0, 30.0);
            s.setLkris(len(rng));
            s.setRkorvel(round % 9 == 0 ? 1e-300L : len(rng));
            s.setLZoneVit(round % 5 == 0 ? 0.0L : len(rng));
            s.setWidthMould(round % 17 == 0 ? 1e300L : len(rng));
            s.setNZoneMould(std::uniform_int_distribution<int>(4, 200)(rng));
            s.setLmenisk(len(rng));
            QCOMPARE(static_cast<int>(s.Stations().size()), s.NZoneMould());
            QCOMPARE(s.Nm() + s.Nb() + s.Nr(), s.NZoneMould() - 1);
            s.DrawMould(p);
            s.DrawZones(p);
        }
    }
};

QTEST_MAIN(TestComponentsRobustness)
#include "tst_components_robustness.moc"
