#include "check_helpers.h"

#include "components/SchemaKorvel.h"

#include <QTest>

#include <cmath>

namespace {

constexpr long double Pi = 3.1415926535897932385L;

// The geometry of the cross-section window, at its size.
void SetWindowGeometry(TpzSchemaKorvel& s) {
    s.resize(785, 417);
    s.setLkris(2);
    s.setHkris(0.4L);
    s.setZazorkris(0.25L);
    s.setWidthMould(0.6L);
    s.setRkorvel(14);
    s.setLZoneVit(15);
    s.setNZoneMould(80);
}

QString Split(const TpzSchemaKorvel& s) {
    return QStringLiteral("%1/%2/%3").arg(s.Nm()).arg(s.Nb()).arg(s.Nr());
}

// Colour at the pixel centre of zone z (between stations z - 1 and z).
QColor ZoneColour(const TpzSchemaKorvel& s, const QImage& img, int z) {
    const TSchemaStation& a = s.Stations()[z - 1];
    const TSchemaStation& b = s.Stations()[z];
    const int x =
        (s.XToPixel(a.OuterX) + s.XToPixel(a.InnerX) + s.XToPixel(b.InnerX) + s.XToPixel(b.OuterX)) / 4;
    const int y =
        (s.YToPixel(a.OuterY) + s.YToPixel(a.InnerY) + s.YToPixel(b.InnerY) + s.YToPixel(b.OuterY)) / 4;
    return img.pixelColor(x, y);
}

// Zones 1 .. passed must be red and the rest lime.
QString CheckZones(const TpzSchemaKorvel& s, int passed) {
    const QImage img = RenderWidget(const_cast<TpzSchemaKorvel&>(s));
    for (int z = 1; z < s.NZoneMould(); ++z) {
        const QColor want = z <= passed ? QColor(255, 0, 0) : QColor(0, 255, 0);
        const QColor got = ZoneColour(s, img, z);
        if (got != want)
            return QStringLiteral("zone %1: %2, expected %3").arg(z).arg(got.name()).arg(want.name());
    }
    return {};
}

} // namespace

class TestSchemaKorvel : public QObject {
    Q_OBJECT

private slots:
    void constructorGeometry() {
        TpzSchemaKorvel s;
        QCOMPARE(s.NZoneMould(), 40);
        QCOMPARE(static_cast<int>(s.Stations().size()), 40);
        QCOMPARE(Split(s), QStringLiteral("3/32/4"));
    }

    void windowGeometry() {
        TpzSchemaKorvel s;
        SetWindowGeometry(s);
        QCOMPARE(Split(s), QStringLiteral("4/45/30"));
        CHECK_NEAR(s.HeightNature(), 16.6L, 1e-15);
        CHECK_NEAR(s.WidthNature(), 30.25L, 1e-15);
        const auto& st = s.Stations();
        QCOMPARE(static_cast<int>(st.size()), 80);
        const long double S = Pi * 14 / 2 + 2 + 15;
        CHECK_NEAR(S, 38.9911, 1e-4);
        // Top of the mould, mould exit, end of the bend, end of the run.
        CHECK_NEAR(st[0].OuterX, 0.65L, 1e-15);
        CHECK_NEAR(st[0].InnerX, 1.25L, 1e-15);
        CHECK_NEAR(st[0].OuterY, 16.6L, 1e-15);
        CHECK_NEAR(st[0].Distance, 0, 0);
        CHECK_NEAR(st[4].InnerY, 16.6L - 2, 1e-15);
        CHECK_NEAR(st[4].Distance, 2, 1e-15);
        const long double Xc = 0.4L + 0.25L + 0.3L + 14;
        CHECK_NEAR(st[49].OuterX, Xc, 1e-14);
        CHECK_NEAR(st[49].InnerX, Xc, 1e-14);
        CHECK_NEAR(st[49].OuterY, 0, 1e-14);
        CHECK_NEAR(st[49].InnerY, 0.6L, 1e-14);
        CHECK_NEAR(st[79].OuterX, Xc + 15, 1e-14);
        CHECK_NEAR(st[79].Distance, S, 1e-14);
        for (int k = 1; k < 80; ++k)
            QVERIFY2(st[k].Distance > st[k - 1].Distance, qPrintable(QString::number(k)));
    }

    void fewStations() {
        TpzSchemaKorvel s;
        SetWindowGeometry(s);
        s.setNZoneMould(3);
        QCOMPARE(s.NZoneMould(), 80);
        s.setNZoneMould(4);
        QCOMPARE(s.NZoneMould(), 4);
        QCOMPARE(Split(s),
                 QStringLiteral("1/1/1")); // Nm raised from 0 to 1, then d = 1 takes one from the bend
        QCOMPARE(static_cast<int>(s.Stations().size()), 4);
    }

    void refusedWrites() {
        TpzSchemaKorvel s;
        s.setLkris(0);
        s.setHkris(-1);
        s.setWidthMould(0);
        s.setRkorvel(-14);
        s.setZazorkris(-0.1L);
        s.setLZoneVit(-3);
        s.setLmenisk(-1);
        s.setNZoneMould(-10);
        CHECK_NEAR(s.Lkris(), 2, 0);
        CHECK_NEAR(s.Hkris(), 0.4L, 0);
        CHECK_NEAR(s.WidthMould(), 0.6L, 0);
        CHECK_NEAR(s.Rkorvel(), 14, 0);
        CHECK_NEAR(s.Zazorkris(), 0.25L, 0);
        CHECK_NEAR(s.LZoneVit(), 3, 0);
        CHECK_NEAR(s.Lmenisk(), 0, 0);
        QCOMPARE(s.NZoneMould(), 40);
        QCOMPARE(Split(s), QStringLiteral("3/32/4"));

        s.setZazorkris(0);
        s.setLZoneVit(0);
        CHECK_NEAR(s.Zazorkris(), 0, 0);
        CHECK_NEAR(s.LZoneVit(), 0, 0);
        QCOMPARE(s.Nr(), 0);
        QCOMPARE(s.Nm() + s.Nb(), 39);
        s.setLmenisk(5);
        CHECK_NEAR(s.Lmenisk(), 5, 0);
        QVERIFY(s.setProperty("Rkorvel", 10.0));
        CHECK_NEAR(s.Rkorvel(), 10, 0);
    }

    void zoneColours() {
        TpzSchemaKorvel s;
        SetWindowGeometry(s);
        QString err = CheckZones(s, 0); // only station 0 has distance 0
        QVERIFY2(err.isEmpty(), qPrintable(err));
        s.setLmenisk(s.Stations()[20].Distance); // the zone ending at station 20 has been passed
        err = CheckZones(s, 20);
        QVERIFY2(err.isEmpty(), qPrintable(err));
        s.setLmenisk(5);
        int passed = 0;
        while (s.Stations()[passed + 1].Distance <= 5)
            ++passed;
        QCOMPARE(passed, 10); // 4 mould zones of 0.5 m, then 6 bend zones of 0.489 m
        err = CheckZones(s, passed);
        QVERIFY2(err.isEmpty(), qPrintable(err));
        s.setLmenisk(40);
        err = CheckZones(s, 79);
        QVERIFY2(err.isEmpty(), qPrintable(err));
    }

    void mouldWalls() {
        TpzSchemaKorvel s;
        SetWindowGeometry(s);
        const QImage img = RenderWidget(s);
        // Left wall spans pixels x 0 .. 10 (0.4 m of 30.25 over 785), y 0 .. 50 (2 m of 16.6 over 417).
        int grey = 0, other = 0;
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 10; ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c == QColor(128, 128, 128))
                    ++grey;
                else if (c != CanvasColour())
                    ++other;
            }
        QVERIFY2(grey > 50 && other == 0,
                 qPrintable(QStringLiteral("grey %1, other %2").arg(grey).arg(other)));
        // The gap between the left wall and the strand stays untouched.
        CHECK_PIXEL(img, s.XToPixel(0.5L), 25, CanvasColour());
        // The right wall starts at H + 2 Z + W = 1.5 m.
        bool found = false;
        for (int y = 0; y < 50 && !found; ++y)
            for (int x = s.XToPixel(1.5L); x < s.XToPixel(1.9L); ++x)
                found |= img.pixelColor(x, y) == QColor(128, 128, 128);
        QVERIFY(found);
    }
};

QTEST_MAIN(TestSchemaKorvel)
#include "tst_schemakorvel.moc"
