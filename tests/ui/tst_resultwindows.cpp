// The result windows on the offscreen platform: captions and design state of the cross-section window,
// its preparation from the casting data and the display of a slice, the temperature chart's series, the
// data kept by the surface windows without a 3-D view, the About box and the figure formatting.
#include "components/PaintIsoLine.h"
#include "components/PaintIsoZone.h"
#include "components/SchemaKorvel.h"
#include "model/SteelProperties.h"
#include "ui/UiFormat.h"
#include "ui/Un3DGraphC.h"
#include "ui/Un3DGraphS.h"
#include "ui/UnAbout.h"
#include "ui/UnSolve.h"
#include "ui/UnTemTau.h"

#include <QChart>
#include <QChartView>
#include <QFrame>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QValueAxis>
#include <QtDataVisualization/QSurface3DSeries>

#include <cmath>

namespace {

const QLocale kRussian(QLocale::Russian, QLocale::Russia);

// A sized model whose temperature at node (i, j) is 1000 + 10 i + j, so every node reads differently.
korvel::Model GridModel(int L, int M) {
    korvel::Model m;
    m.params.L = L;
    m.params.M = M;
    korvel::SizeState(m);
    for (int i = 1; i <= L; ++i)
        for (int j = 1; j <= M; ++j) {
            m.state.Tem[i][j] = 1000 + 10 * i + j;
            m.state.SMean[i][j] = 0.01 * i + 0.001 * j;
            m.state.CMean[i][j] = 0.2 + 0.01 * i + 0.001 * j;
        }
    return m;
}

double NodeTem(int i, int j) {
    return 1000 + 10 * i + j;
}

#define COMPARE_NEAR(actual, expected, tol)                                                                  \
    do {                                                                                                     \
        const double a_ = static_cast<double>(actual);                                                       \
        const double e_ = static_cast<double>(expected);                                                     \
        if (!(std::abs(a_ - e_) <= (tol)))                                                                   \
            QFAIL(qPrintable(QStringLiteral("%1 = %2, expected %3 within %4")                                \
                                 .arg(QStringLiteral(#actual))                                               \
                                 .arg(a_, 0, 'g', 17)                                                        \
                                 .arg(e_, 0, 'g', 17)                                                        \
                                 .arg(tol)));                                                                \
    } while (0)

} // namespace

class TestResultWindows : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(kRussian); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void formatFixed_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("expected");
        QTest::newRow("time ru") << "ru" << 0.0 << 6 << 1 << "   0,0";
        QTest::newRow("time C") << "C" << 0.0 << 6 << 1 << "   0.0";
        QTest::newRow("distance") << "ru" << 12.345 << 6 << 2 << " 12,35";
        QTest::newRow("temperature") << "ru" << 1515.0 << 5 << 0 << " 1515";
        QTest::newRow("rounds") << "ru" << 1514.6 << 5 << 0 << " 1515";
        QTest::newRow("negative") << "ru" << -3.14159 << 6 << 2 << " -3,14";
        QTest::newRow("wider than width") << "ru" << 123456.7 << 4 << 0 << "123457";
        QTest::newRow("exact width") << "ru" << 1600.0 << 7 << 2 << "1600,00";
        QTest::newRow("billet") << "C" << 160.0 << 4 << 0 << " 160";
    }
    void formatFixed() {
        QFETCH(QString, locale);
        QFETCH(double, value);
        QFETCH(int, width);
        QFETCH(int, decimals);
        QFETCH(QString, expected);
        QLocale::setDefault(locale == "C" ? QLocale::c() : kRussian);
        QCOMPARE(FormatFixed(value, width, decimals), expected);
    }

    // Before any preparation the window shows its design captions; the figures follow the locale.
    void solveDesignState() {
        TFormSolve w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Изменение температуры по сечению слитка "));
        QCOMPARE(w.size(), QSize(627, 364));
        QCOMPARE(w.LabelSlitok->text(), QStringLiteral("160 \u0445 160"));
        QCOMPARE(w.TauProcess->text(), QStringLiteral("0,0"));
        QCOMPARE(w.LabLmenisk->text(), QStringLiteral("0,00"));
        for (int k = 1; k <= 8; ++k)
            QCOMPARE(w.TemBound(k)->text(), QStringLiteral("1500"));

        QLocale::setDefault(QLocale::c());
        TFormSolve c;
        QCOMPARE(c.TauProcess->text(), QStringLiteral("0.0"));
        QCOMPARE(c.LabLmenisk->text(), QStringLiteral("0.00"));

        // Unprepared components: a 2 x 2 field at 1000 and six grades all at 1600.
        QCOMPARE(w.pzPaintIsoZone1->PointsRow(), 2);
        QCOMPARE(w.pzPaintIsoZone1->PointsCol(), 2);
        QCOMPARE(static_cast<double>(w.pzPaintIsoZone1->NodeValue(1, 1)), 1000.0);
        QCOMPARE(w.pzPaintIsoZone1->IsoLine(), w.pzPaintIsoLine1);
        QCOMPARE(w.pzPaintIsoLine1->ColGrade(), 6);
        for (int k = 0; k <= 4; ++k)
            QCOMPARE(static_cast<double>(w.pzPaintIsoLine1->GradeLevel(k)), 1600.0);
        QCOMPARE(w.pzSchemaKorvel1->NZoneMould(), 80);
        QCOMPARE(static_cast<double>(w.pzSchemaKorvel1->LZoneVit()), 15.0);
        QCOMPARE(w.pzSchemaKorvel1->Nm(), 4);
        QCOMPARE(w.pzSchemaKorvel1->Nb(), 45);
        QCOMPARE(w.pzSchemaKorvel1->Nr(), 30);
    }

    // The layout: schematic behind everything, field and scale in the panel, labels where designed.
    void solveLayout() {
        TFormSolve w;
        QCOMPARE(w.pzSchemaKorvel1->geometry(), QRect(0, 0, 785, 417));
        QCOMPARE(w.children().indexOf(w.pzSchemaKorvel1), 0); // lowest in the stacking order
        QCOMPARE(w.Panel1->pos(), QPoint(288, 32));
        QCOMPARE(w.pzPaintIsoZone1->parentWidget(), static_cast<QWidget*>(w.Panel1));
        QCOMPARE(w.pzPaintIsoZone1->geometry(), QRect(40, 16, 218, 217));
        QCOMPARE(w.pzPaintIsoLine1->geometry(), QRect(297, 17, 73, 201));
        QVERIFY(w.pzPaintIsoLine1->font().bold());
        // The panel holds everything placed in it.
        QVERIFY(w.Panel1->rect().contains(w.Panel1->childrenRect()));

        QCOMPARE(w.LabelSlitok->pos(), QPoint(129, 24));
        QCOMPARE(w.TauProcess->pos(), QPoint(112, 88));
        QCOMPARE(w.LabLmenisk->pos(), QPoint(112, 144));
        QCOMPARE(w.LabelSlitok->font().pixelSize(), 13);
        QVERIFY(w.LabelSlitok->font().bold());
        QCOMPARE(w.LabelSlitok->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(w.TauProcess->font().pixelSize(), 16);
        QVERIFY(w.TauProcess->font().bold());
        QCOMPARE(w.LabLmenisk->palette().color(QPalette::WindowText), QColor(0, 128, 0));

        const QPoint bound[9] = {{},       {17, 233}, {137, 233}, {241, 233}, {265, 113},
                                 {241, 1}, {137, 1},  {25, 1},    {1, 113}};
        for (int k = 1; k <= 8; ++k) {
            QLabel* l = w.TemBound(k);
            QCOMPARE(l->parentWidget(), static_cast<QWidget*>(w.Panel1));
            QCOMPARE(l->pos(), bound[k]);
            QCOMPARE(l->font().pixelSize(), 11);
            QVERIFY(l->font().bold());
            QCOMPARE(l->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        }
        QCOMPARE(w.BarTL->geometry(), QRect(333, 57, 60, 3));
        QCOMPARE(w.BarTS->geometry(), QRect(334, 156, 60, 3));
    }

    void prepareGrid() {
        TFormSolve w;
        korvel::Model m = GridModel(4, 6);
        m.data.HalfX = 0.09;
        m.data.HalfY = 0.12;
        w.Prepare(m);
        TpzPaintIsoZone* f = w.pzPaintIsoZone1;
        QCOMPARE(f->PointsRow(), 4);
        QCOMPARE(f->PointsCol(), 6);
        COMPARE_NEAR(f->WidthNature(), 0.09, 1e-15);
        COMPARE_NEAR(f->HeightNature(), 0.12, 1e-15);
        const double xs[4] = {0, 0.03, 0.06, 0.09};
        for (int i = 0; i < 4; ++i)
            COMPARE_NEAR(f->RowCoord(i), xs[i], 1e-15);
        for (int j = 0; j < 6; ++j)
            COMPARE_NEAR(f->ColCoord(j), 0.12 * j / 5, 1e-15);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 6; ++j)
                COMPARE_NEAR(f->NodeValue(i, j), 1515, 0);
        for (int k = 1; k <= 8; ++k)
            QCOMPARE(w.TemBound(k)->text(), QStringLiteral(" 1515"));
    }

    // Levels 0 and 3 are the steel's liquidus and solidus, 1 and 2 lie between them, 4 is fixed.
    void prepareLevels_data() {
        QTest::addColumn<double>("carbon");
        QTest::newRow("0.2 % C") << 0.2;
        QTest::newRow("0.6 % C") << 0.6;
    }
    void prepareLevels() {
        QFETCH(double, carbon);
        TFormSolve w;
        korvel::Model m = GridModel(4, 4);
        m.data.C = carbon;
        w.Prepare(m);
        const double tl = korvel::Tliq(m.data, m.data.C, m.data.S);
        const double ts = korvel::Tsol(m.data, m.data.C, m.data.S);
        QVERIFY2(tl > ts, qPrintable(QStringLiteral("Tliq %1, Tsol %2").arg(tl).arg(ts)));
        TpzPaintIsoLine* s = w.pzPaintIsoLine1;
        QCOMPARE(s->ColGrade(), 6);
        COMPARE_NEAR(s->GradeLevel(0), tl, 1e-9);
        COMPARE_NEAR(s->GradeLevel(1), ts + 0.8 * (tl - ts), 1e-9);
        COMPARE_NEAR(s->GradeLevel(2), ts + 0.3 * (tl - ts), 1e-9);
        COMPARE_NEAR(s->GradeLevel(3), ts, 1e-9);
        COMPARE_NEAR(s->GradeLevel(4), 1100, 0);
    }

    void levelsMoveWithCarbon() {
        TFormSolve w;
        korvel::Model m = GridModel(4, 4);
        w.Prepare(m);
        const double l0 = w.pzPaintIsoLine1->GradeLevel(0), l3 = w.pzPaintIsoLine1->GradeLevel(3);
        m.data.C = 0.8;
        w.Prepare(m);
        QVERIFY2(w.pzPaintIsoLine1->GradeLevel(0) < l0 - 10,
                 qPrintable(QString::number(double(w.pzPaintIsoLine1->GradeLevel(0)))));
        QVERIFY2(w.pzPaintIsoLine1->GradeLevel(3) < l3 - 10,
                 qPrintable(QString::number(double(w.pzPaintIsoLine1->GradeLevel(3)))));
        COMPARE_NEAR(w.pzPaintIsoLine1->GradeLevel(4), 1100, 0);
    }

    // Each boundary label reads its own node; L / 2 and M / 2 round down.
    void showSliceLabels_data() {
        QTest::addColumn<int>("L");
        QTest::addColumn<int>("M");
        QTest::newRow("6 x 4") << 6 << 4;
        QTest::newRow("5 x 7") << 5 << 7;
    }
    void showSliceLabels() {
        QFETCH(int, L);
        QFETCH(int, M);
        TFormSolve w;
        korvel::Model m = GridModel(L, M);
        m.state.Tau = 130;
        w.Prepare(m);
        w.ShowSlice(m, 3.25);
        QCOMPARE(w.TauProcess->text(), QStringLiteral(" 130,0"));
        QCOMPARE(w.LabLmenisk->text(), QStringLiteral("  3,25"));
        COMPARE_NEAR(w.pzSchemaKorvel1->Lmenisk(), 3.25, 1e-15);

        const int nodes[9][2] = {{0, 0}, {1, 1},     {L / 2, 1}, {L, 1},    {L, M / 2},
                                 {L, M}, {L / 2, M}, {1, M},     {1, M / 2}};
        for (int k = 1; k <= 8; ++k) {
            const double t = NodeTem(nodes[k][0], nodes[k][1]);
            QCOMPARE(w.TemBound(k)->text(), QString::asprintf("%5.0f", t));
        }
        for (int i = 1; i <= L; ++i)
            for (int j = 1; j <= M; ++j)
                COMPARE_NEAR(w.pzPaintIsoZone1->NodeValue(i - 1, j - 1), m.state.Tem[i][j], 0);
    }

    // A negative distance is refused by the schematic, and the label shows what the schematic keeps.
    void showSliceNegativeDistance() {
        TFormSolve w;
        korvel::Model m = GridModel(4, 4);
        w.Prepare(m);
        w.ShowSlice(m, 2.5);
        w.ShowSlice(m, -1);
        QCOMPARE(w.LabLmenisk->text(), QStringLiteral("  2,50"));
        w.ShowSlice(m, 0);
        QCOMPARE(w.LabLmenisk->text(), QStringLiteral("  0,00"));
    }

    void billetSize() {
        TFormSolve w;
        w.SetBilletSize(200, 160);
        QCOMPARE(w.LabelSlitok->text(), QStringLiteral(" 200 x  160"));
        w.SetBilletSize(1250, 99.6);
        QCOMPARE(w.LabelSlitok->text(), QStringLiteral("1250 x  100"));
        // The label grows with its text.
        QVERIFY(w.LabelSlitok->width() >= w.LabelSlitok->sizeHint().width());
    }

    void tempChartDesign() {
        TFormTempTau w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Температурный режим заготовки по длине Korvel"));
        QCOMPARE(w.size(), QSize(455, 480));
        QVERIFY(w.Chart1->title().isEmpty());
        QCOMPARE(w.AxisBottom->titleText(), QStringLiteral("Время, мин"));
        QCOMPARE(w.AxisLeft->titleText(), QStringLiteral("Температура, град.С"));
        // The legend lies below the chart and shows every title in full.
        QVERIFY(w.Legend1->isVisibleTo(&w));
        QStringList legendTexts;
        for (QLabel* l : w.Legend1->findChildren<QLabel*>())
            legendTexts << l->text();
        QVERIFY(w.ChartTool1->actions().size() >= 5);
        const char* titles[6] = {
            "Центр слитка",       "Угол слитка",       "Середина грани по оси X", "Середина грани по оси Y",
            "1/4 грани по оси X", "1/4 грани по оси Y"};
        const QColor colours[6] = {QColor(255, 0, 0), QColor(0, 128, 0),     QColor(255, 255, 0),
                                   QColor(0, 0, 255), QColor(255, 255, 255), QColor(128, 128, 128)};
        for (int k = 1; k <= 6; ++k) {
            QLineSeries* s = w.Series(k);
            QCOMPARE(s->name(), QString::fromUtf8(titles[k - 1]));
            QCOMPARE(s->pen().color(), colours[k - 1]);
            QCOMPARE(s->pen().width(), 3);
            QVERIFY(!s->pointsVisible());
            QVERIFY(!s->useOpenGL());
            QCOMPARE(s->count(), 0);
            QVERIFY2(legendTexts.contains(s->name()), qPrintable(legendTexts.join('|')));
        }
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.Legend1->geometry().top() >= w.ChartView1->geometry().bottom());
        QCOMPARE(w.ChartImage().height(), w.ChartView1->height() + w.Legend1->height());
        // Narrow: two columns of three; wide enough: all six in one row.
        QCOMPARE(w.LegendColumns(), 2);
        w.resize(1500, 480);
        QCOMPARE(w.LegendColumns(), 6);
    }

    void tempChartAppend() {
        TFormTempTau w;
        korvel::Model m = GridModel(6, 4);
        m.state.Tau = 300;
        w.AppendPoints(m);
        // Series order: centre, corner, face middles along X and Y, quarter points along X and Y.
        const double ys[6] = {1064, 1011, 1061, 1014, 1031, 1012};
        for (int k = 1; k <= 6; ++k) {
            QCOMPARE(w.Series(k)->count(), 1);
            COMPARE_NEAR(w.Series(k)->at(0).x(), 5.0, 1e-12);
            COMPARE_NEAR(w.Series(k)->at(0).y(), ys[k - 1], 0);
        }

        // Cooler later points; the axes follow the data.
        for (int step = 1; step <= 4; ++step) {
            m.state.Tau = 300 + 30 * step;
            for (int i = 1; i <= 6; ++i)
                for (int j = 1; j <= 4; ++j)
                    m.state.Tem[i][j] -= 100;
            w.AppendPoints(m);
        }
        m.state.Tau = 420; // the final hand-over repeats the last time
        w.AppendPoints(m);
        QCOMPARE(w.PointCount(), 6);
        QVERIFY2(w.AxisBottom->min() <= 5.0 && w.AxisBottom->max() >= 7.0,
                 qPrintable(QStringLiteral("%1..%2").arg(w.AxisBottom->min()).arg(w.AxisBottom->max())));
        QVERIFY2(w.AxisLeft->min() <= 1011 - 400 && w.AxisLeft->max() >= 1064,
                 qPrintable(QStringLiteral("%1..%2").arg(w.AxisLeft->min()).arg(w.AxisLeft->max())));
        for (int k = 1; k <= 6; ++k) {
            const QList<QPointF> pts = w.Series(k)->points();
            for (int p = 1; p < pts.size(); ++p)
                QVERIFY2(pts[p - 1].x() <= pts[p].x(), qPrintable(QString::number(p)));
        }

        // A point earlier than the last is put in its place, keeping x ascending.
        m.state.Tau = 330;
        w.AppendPoints(m);
        const QList<QPointF> pts = w.Series1->points();
        for (int p = 1; p < pts.size(); ++p)
            QVERIFY2(pts[p - 1].x() <= pts[p].x(), qPrintable(QString::number(p)));

        w.ClearSeries();
        for (int k = 1; k <= 6; ++k)
            QCOMPARE(w.Series(k)->count(), 0);
        m.state.Tau = 0;
        w.AppendPoints(m);
        QCOMPARE(w.PointCount(), 1);
        QVERIFY2(w.AxisLeft->min() <= 611 && w.AxisLeft->max() >= 664,
                 qPrintable(QStringLiteral("%1..%2").arg(w.AxisLeft->min()).arg(w.AxisLeft->max())));
    }

    // A user zoom freezes the axes; resetting it fits them to the data again.
    void tempChartZoom() {
        TFormTempTau w;
        korvel::Model m = GridModel(4, 4);
        m.state.Tau = 60;
        w.AppendPoints(m);
        w.ZoomIn();
        const double zoomedMax = w.AxisBottom->max();
        m.state.Tau = 600;
        w.AppendPoints(m);
        COMPARE_NEAR(w.AxisBottom->max(), zoomedMax, 1e-12);
        w.ZoomReset();
        QVERIFY2(w.AxisBottom->max() >= 10, qPrintable(QString::number(w.AxisBottom->max())));
    }

    void surfaceDesign() {
        TFormGraphS s;
        QCOMPARE(s.windowTitle(), QStringLiteral("Распределение содержания S,% по сечению слитка"));
        QCOMPARE(s.size(), QSize(542, 394));
        QCOMPARE(s.Series1->name(), QStringLiteral("Содержание S"));
        QCOMPARE(s.Series1->baseColor(), QColor(255, 0, 0));
        QCOMPARE(s.Series1->baseGradient().stops().first().second, QColor(255, 0, 128));
        TFormGraphC c;
        QCOMPARE(c.windowTitle(), QStringLiteral("Распределение углерода по сечению заготовки, %"));
        QCOMPARE(c.size(), QSize(544, 375));
        QCOMPARE(c.Series1->name(), QStringLiteral("Содержание C"));
        QCOMPARE(c.Series1->baseColor(), QColor(255, 0, 0));
        // No 3-D view on the offscreen platform, but the windows still work.
        QVERIFY(!SurfaceChartWindow::CanCreate3DView());
        QVERIFY(!s.HasView());
        QVERIFY(s.RenderImage().isNull());
    }

    // Every layer overwrites the last; a new start clears the cells and sets the grid.
    void surfaceLayers() {
        TFormGraphS s;
        TFormGraphC c;
        korvel::Model m = GridModel(6, 4);
        s.StartSurface(6, 4);
        c.StartSurface(6, 4);
        QCOMPARE(s.GridSize(), QSize(6, 4));
        QCOMPARE(s.NumXValues(), 6);
        QCOMPARE(s.NumZValues(), 4);
        s.AddLayer(m);
        c.AddLayer(m);
        for (int i = 1; i <= 6; ++i)
            for (int j = 1; j <= 4; ++j) {
                m.state.SMean[i][j] *= 2;
                m.state.CMean[i][j] += 0.5;
            }
        s.AddLayer(m);
        c.AddLayer(m);
        QCOMPARE(s.LayerCount(), 2);
        for (int i = 1; i <= 6; ++i)
            for (int j = 1; j <= 4; ++j) {
                COMPARE_NEAR(s.ValueAt(i, j), 2 * (0.01 * i + 0.001 * j), 1e-15);
                COMPARE_NEAR(c.ValueAt(i, j), 0.7 + 0.01 * i + 0.001 * j, 1e-15);
            }
        COMPARE_NEAR(s.ValueAt(0, 1), 0, 0);
        COMPARE_NEAR(s.ValueAt(7, 1), 0, 0);

        s.StartSurface(3, 5);
        QCOMPARE(s.GridSize(), QSize(3, 5));
        QCOMPARE(s.LayerCount(), 0);
        COMPARE_NEAR(s.ValueAt(1, 1), 0, 0);
        // A layer from a larger model fills only the surface's grid.
        s.AddLayer(m);
        COMPARE_NEAR(s.ValueAt(3, 4), 2 * (0.03 + 0.004), 1e-15);
        COMPARE_NEAR(s.ValueAt(3, 5), 0, 0);
    }

    void aboutBox() {
        TAboutBox a;
        a.show();
        QVERIFY(QTest::qWaitForWindowExposed(&a));
        QCOMPARE(a.ProductName->text(), QStringLiteral("Korvel"));
        QVERIFY(!a.Version->text().isEmpty());
        QVERIFY(a.OKButton->isDefault());
        QCOMPARE(a.OKButton->text(), QStringLiteral("OK"));
        QCOMPARE(a.minimumSize(), a.maximumSize());
        QTest::mouseClick(a.OKButton, Qt::LeftButton);
        QVERIFY(!a.isVisible());
        QCOMPARE(a.result(), int(QDialog::Accepted));

        // The picture is drawn, not left blank.
        const QImage img = TAboutBox::ProgramPicture(QSize(96, 96)).toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < img.height(); y += 4)
            for (int x = 0; x < img.width(); x += 4)
                colours.insert(img.pixel(x, y));
        QVERIFY2(colours.size() > 5, qPrintable(QString::number(colours.size())));
    }
};

QTEST_MAIN(TestResultWindows)
#include "tst_resultwindows.moc"
