#include "check_helpers.h"

#include "components/PaintIsoLine.h"

#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QTest>

class TestPaintIsoLine : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void gradeColours() {
        TpzPaintIsoLine s;
        s.setColGrade(9);
        const QColor expected[] = {QColor(255, 255, 255), QColor(255, 255, 0), QColor(0, 255, 255),
                                   QColor(255, 0, 255),   QColor(255, 0, 0),   QColor(0, 0, 255),
                                   QColor(0, 0, 0),       QColor(0, 0, 0),     QColor(0, 0, 0)};
        for (int k = 0; k < 9; ++k)
            QVERIFY2(s.GradeColor(k) == expected[k],
                     qPrintable(QStringLiteral("grade %1: %2").arg(k).arg(s.GradeColor(k).name())));
        QCOMPARE(s.GradeColor(-1), QColor(255, 255, 255));
        QCOMPARE(s.GradeColor(42), QColor(0, 0, 0));

        for (int n : {1, 0, -4}) {
            TpzPaintIsoLine t;
            t.setColGrade(5);
            t.setColGrade(n);
            QCOMPARE(t.ColGrade(), 2);
            QCOMPARE(t.GradeColor(0), QColor(Qt::white));
            QCOMPARE(t.GradeColor(1), QColor(Qt::yellow));
            t.SetGradeLevel(1, 5); // only level 0 exists
            CHECK_NEAR(t.GradeLevel(1), 1600, 0);
        }
    }

    void levelsAndWriters() {
        TpzPaintIsoLine s;
        s.setColGrade(6);
        for (int k = 0; k < 5; ++k)
            s.SetGradeLevel(k, 1500 - 10 * k);
        s.SetGradeLevel(5, 1);  // no level 5
        s.SetGradeLevel(-1, 1); // nor -1
        CHECK_NEAR(s.GradeLevel(0), 1500, 0);
        CHECK_NEAR(s.GradeLevel(5), 1460, 0); // clamped to level 4
        CHECK_NEAR(s.GradeLevel(-3), 1500, 0);
        s.setColGrade(6); // same count keeps the levels
        CHECK_NEAR(s.GradeLevel(2), 1480, 0);
        s.setSimpleIsoLine(1234);
        for (int k = 0; k < 5; ++k)
            CHECK_NEAR(s.GradeLevel(k), 1234, 0);
        s.SetGradeLevel(3, 7);
        s.setColGrade(4); // a new count rebuilds the levels from SimpleIsoLine
        QCOMPARE(s.ColGrade(), 4);
        for (int k = 0; k < 3; ++k)
            CHECK_NEAR(s.GradeLevel(k), 1234, 0);

        s.setWidthColorGrade(0);
        s.setWidthColorGrade(-5);
        QCOMPARE(s.WidthColorGrade(), 30);
        s.setWidthColorGrade(12);
        QCOMPARE(s.WidthColorGrade(), 12);
        s.setLengthIsoLine(-1);
        QCOMPARE(s.LengthIsoLine(), 7);
        s.setLengthIsoLine(0);
        QCOMPARE(s.LengthIsoLine(), 0);
        s.setDecimalIsoLine(-1);
        QCOMPARE(s.DecimalIsoLine(), 0);
        s.setDecimalIsoLine(3);
        QCOMPARE(s.DecimalIsoLine(), 3);
        s.setBevelOuter(TpzPaintIsoLine::bvRaised);
        QCOMPARE(s.BevelOuter(), TpzPaintIsoLine::bvRaised);
        QVERIFY(s.setProperty("ColGrade", 7));
        QCOMPARE(s.ColGrade(), 7);
    }

    void labelText() {
        TpzPaintIsoLine s;
        QCOMPARE(s.LabelText(0), QStringLiteral("   1600"));
        s.setDecimalIsoLine(2);
        QCOMPARE(s.LabelText(0), QStringLiteral("1600") + QLocale().decimalPoint() + QStringLiteral("00"));
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QCOMPARE(s.LabelText(0), QStringLiteral("1600,00"));
        QLocale::setDefault(QLocale::c());
        s.SetGradeLevel(1, 123456.25L);
        s.setLengthIsoLine(3);
        s.setDecimalIsoLine(1);
        QCOMPARE(s.LabelText(1), QStringLiteral("123456.2")); // wider than the field: written in full
        s.SetGradeLevel(1, -3.5L);
        s.setLengthIsoLine(6);
        s.setDecimalIsoLine(0);
        QCOMPARE(s.LabelText(1), QStringLiteral("    -4")); // ties to even as printf does
    }

    void barRowsAndLabels() {
        TpzPaintIsoLine s;
        s.resize(73, 201);
        QFont f = s.font();
        f.setPixelSize(11);
        f.setBold(true);
        s.setFont(f);
        s.setColGrade(6);
        s.setColor(QColor(10, 20, 30));
        const QImage img = RenderWidget(s);
        // h = 33; the last bar absorbs the remainder (165 .. 200).
        const int firstRow[] = {0, 33, 66, 99, 132, 165};
        const int lastRow[] = {32, 65, 98, 131, 164, 200};
        for (int k = 0; k < 6; ++k) {
            for (int x : {0, 15, 29}) {
                CHECK_PIXEL(img, x, firstRow[k], s.GradeColor(k));
                CHECK_PIXEL(img, x, lastRow[k], s.GradeColor(k));
            }
        }
        // Labels start at x = WidthColorGrade with an opaque background of Color; the field starts with
        // blanks.
        const int th = QFontMetrics(f).height();
        for (int k = 0; k < 5; ++k) {
            const int top = 33 * (k + 1) - th / 2;
            CHECK_PIXEL(img, 30, top, QColor(10, 20, 30));
            CHECK_PIXEL(img, 30, top + th - 1, QColor(10, 20, 30));
            CHECK_PIXEL(img, 30, top - 1, CanvasColour());
            CHECK_PIXEL(img, 30, top + th, CanvasColour());
        }
        CHECK_PIXEL(img, 30, 0, CanvasColour()); // nothing else is cleared
    }

    void bevel() {
        TpzPaintIsoLine s;
        s.resize(50, 40);
        s.setBevelOuter(TpzPaintIsoLine::bvLowered);
        const QImage img = RenderWidget(s);
        const QColor shadow = s.palette().color(QPalette::Dark), light = s.palette().color(QPalette::Light);
        CHECK_PIXEL(img, 0, 20, shadow);
        CHECK_PIXEL(img, 40, 0, shadow);
        CHECK_PIXEL(img, 49, 20, light);
        CHECK_PIXEL(img, 20, 39, light);
    }
};

QTEST_MAIN(TestPaintIsoLine)
#include "tst_paintisoline.moc"
