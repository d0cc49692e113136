// The windows at the sizes the frame gives them: the cross-section window's composition scaled into its
// client area, the data window scrolling below its natural size, and pictures rendered at a fixed size.
#include "components/PaintIsoLine.h"
#include "components/PaintIsoZone.h"
#include "components/SchemaKorvel.h"
#include "model/CastingData.h"
#include "ui/AxisTicks.h"
#include "ui/NumericEdit.h"
#include "ui/Un3DGraphC.h"
#include "ui/Un3DGraphS.h"
#include "ui/UnIsxDan.h"
#include "ui/UnProfile.h"
#include "ui/UnSolve.h"
#include "ui/UnTemTau.h"

#include "ui/unMain.h"
#include <QChart>
#include <QChartView>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QLegend>
#include <QLineSeries>
#include <QValueAxis>

#include <QAction>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <cmath>

namespace {

// Where a child lies in the window's coordinates.
QRect InWindow(const QWidget* window, const QWidget* child) {
    return QRect(child->mapTo(window, QPoint(0, 0)), child->size());
}

QString Describe(const QRect& r) {
    return QStringLiteral("(%1, %2) %3 x %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

class TestWindowFit : public QObject {
    Q_OBJECT

private:
    // Every label, the field and the whole colour scale with its marks lie inside the client area.
    static void checkAllInside(const TFormSolve& w) {
        const QRect client = w.rect();
        QList<const QWidget*> parts{w.pzPaintIsoZone1, w.pzPaintIsoLine1, w.LabelTL, w.LabelTS,
                                    w.BarTL,           w.BarTS,           w.Label1,  w.LabelSlitok,
                                    w.Label2,          w.TauProcess,      w.Label3,  w.LabLmenisk};
        for (int k = 1; k <= 8; ++k)
            parts << w.TemBound(k);
        for (const QWidget* p : parts) {
            const QRect r = InWindow(&w, p);
            QVERIFY2(client.contains(r),
                     qPrintable(QStringLiteral("%1 at %2 outside %3 x %4")
                                    .arg(p->objectName().isEmpty()
                                             ? QString::fromLatin1(p->metaObject()->className())
                                             : p->objectName(),
                                         Describe(r))
                                    .arg(client.width())
                                    .arg(client.height())));
            if (const auto* l = qobject_cast<const QLabel*>(p))
                QVERIFY2(l->font().pixelSize() >= TFormSolve::kMinTextPixels, qPrintable(l->text()));
        }
        // No text covers another text, the field or the scale.
        QList<const QWidget*> solid{w.pzPaintIsoZone1, w.pzPaintIsoLine1, w.LabelTL, w.LabelTS};
        for (int k = 1; k <= 8; ++k)
            solid << w.TemBound(k);
        for (int a = 0; a < solid.size(); ++a)
            for (int b = a + 1; b < solid.size(); ++b)
                QVERIFY2(!InWindow(&w, solid[a]).intersects(InWindow(&w, solid[b])),
                         qPrintable(Describe(InWindow(&w, solid[a])) + QStringLiteral(" and ") +
                                    Describe(InWindow(&w, solid[b]))));
        QVERIFY(!InWindow(&w, w.Label1).intersects(InWindow(&w, w.LabelSlitok)));
        const QList<const QWidget*> left{w.Label1, w.Label2, w.TauProcess, w.Label3, w.LabLmenisk};
        for (int k = 1; k < left.size(); ++k)
            QVERIFY2(!InWindow(&w, left[k - 1]).intersects(InWindow(&w, left[k])),
                     qPrintable(Describe(InWindow(&w, left[k - 1])) + QStringLiteral(" and ") +
                                Describe(InWindow(&w, left[k]))));
        for (const QWidget* l : {w.Label1, w.LabelSlitok, w.Label2, w.TauProcess, w.Label3, w.LabLmenisk})
            QVERIFY(!InWindow(&w, l).intersects(InWindow(&w, w.Panel1)));
        // The scale's labels fit beside its colour bar.
        QVERIFY(w.pzPaintIsoLine1->WidthColorGrade() < w.pzPaintIsoLine1->width());
        QVERIFY(w.Panel1->rect().contains(w.Panel1->childrenRect()));
    }

private slots:
    // Tiled on a 1366 x 768 screen the window gets a strip about 1360 wide and 120 to 150 high; maximised,
    // or narrow and tall, or tiny, the composition still shows whole.
    void crossSectionShowsEverythingAtAnySize_data() {
        QTest::addColumn<QSize>("client");
        QTest::newRow("tiled 1366x768") << QSize(1358, 122);
        QTest::newRow("tiled 1920x1080") << QSize(1912, 160);
        QTest::newRow("maximised 1366x768") << QSize(1358, 600);
        QTest::newRow("narrow and tall") << QSize(320, 700);
        QTest::newRow("design") << QSize(627, 364);
        QTest::newRow("twice the design") << QSize(1372, 728);
        QTest::newRow("smallest") << QSize(300, 90);
    }
    void crossSectionShowsEverythingAtAnySize() {
        QFETCH(QSize, client);
        TFormSolve w;
        w.resize(client);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.size(), client);
        if (client != TFormSolve::DesignSize()) {
            // At the design size the design's own frame holds; everywhere else the whole composition.
            checkAllInside(w);
        } else {
            for (int k = 1; k <= 8; ++k)
                QVERIFY(w.rect().contains(InWindow(&w, w.TemBound(k))));
        }
    }

    // The composition is scaled uniformly: where the height limits it, every element is at its design
    // place times the factor, and sizes follow.
    void crossSectionScalesUniformly() {
        TFormSolve w;
        w.resize(2000, 728); // the height limits: factor 2
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.CurrentScale(), 2.0);
        QCOMPARE(w.pzSchemaKorvel1->geometry(), QRect(0, 0, 1570, 834));
        QCOMPARE(w.Panel1->pos(), QPoint(576, 64));
        QCOMPARE(w.pzPaintIsoZone1->geometry(), QRect(80, 32, 436, 434));
        QCOMPARE(w.pzPaintIsoLine1->geometry(), QRect(594, 34, 146, 402));
        QCOMPARE(w.pzPaintIsoLine1->WidthColorGrade(), 60);
        QCOMPARE(w.pzPaintIsoLine1->font().pixelSize(), 22);
        QCOMPARE(w.TemBound1->pos(), QPoint(34, 466));
        QCOMPARE(w.TemBound4->pos(), QPoint(530, 226));
        QCOMPARE(w.TemBound(1)->font().pixelSize(), 22);
        QCOMPARE(w.TauProcess->font().pixelSize(), 32);
        QCOMPARE(w.BarTS->geometry(), QRect(668, 312, 120, 6));

        // Back at the design size everything is where the design puts it.
        w.resize(TFormSolve::DesignSize());
        QTRY_COMPARE(w.CurrentScale(), 1.0);
        QCOMPARE(w.pzSchemaKorvel1->geometry(), QRect(0, 0, 785, 417));
        QCOMPARE(w.Panel1->pos(), QPoint(288, 32));
        QCOMPARE(w.pzPaintIsoZone1->geometry(), QRect(40, 16, 218, 217));
        QCOMPARE(w.pzPaintIsoLine1->geometry(), QRect(297, 17, 73, 201));
        QCOMPARE(w.pzPaintIsoLine1->WidthColorGrade(), 30);
        QCOMPARE(w.pzPaintIsoLine1->font().pixelSize(), 11);
        const QPoint bound[9] = {{},       {17, 233}, {137, 233}, {241, 233}, {265, 113},
                                 {241, 1}, {137, 1},  {25, 1},    {1, 113}};
        for (int k = 1; k <= 8; ++k) {
            QCOMPARE(w.TemBound(k)->pos(), bound[k]);
            QCOMPARE(w.TemBound(k)->font().pixelSize(), 11);
        }
        QCOMPARE(w.LabelSlitok->pos(), QPoint(129, 24));
        QCOMPARE(w.Label3->pos(), QPoint(56, 120));
        QCOMPARE(w.TauProcess->font().pixelSize(), 16);
        QCOMPARE(w.LabelTL->pos(), QPoint(371, 41));
        QCOMPARE(w.LabelTS->pos(), QPoint(371, 140));
        QCOMPARE(w.BarTL->geometry(), QRect(333, 57, 60, 3));
        QCOMPARE(w.BarTS->geometry(), QRect(334, 156, 60, 3));
    }

    // Texts never shrink below the legible minimum, and the factor never jumps as the width grows.
    void crossSectionTextAndScaleContinuity() {
        TFormSolve w;
        double previous = 0;
        for (int width = 200; width <= 1400; width += 7) {
            const double s = w.CompositionScale(QSize(width, 364));
            QVERIFY2(s >= previous - 1e-12, qPrintable(QString::number(width)));
            QVERIFY2(s - previous < 0.03 || previous == 0, qPrintable(QString::number(width)));
            previous = s;
        }
        QCOMPARE(w.CompositionScale(TFormSolve::DesignSize()), 1.0);
        w.resize(1358, 122);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY2(w.CurrentScale() < 0.5, qPrintable(QString::number(w.CurrentScale())));
        for (int k = 1; k <= 8; ++k)
            QCOMPARE(w.TemBound(k)->font().pixelSize(), TFormSolve::kMinTextPixels);
    }

    // The picture comes out at the size asked for, the composition scaled into it, whatever the window's
    // own size; the window is left as it was.
    void crossSectionPictureAtAnySize() {
        TFormSolve w;
        w.resize(400, 120);
        w.pzPaintIsoZone1->SetNodeValue(0, 0, 1700); // above every level: the first grade
        w.TemBound1->setText(QStringLiteral("1234"));
        const QSize size(2 * 686, 2 * 364);
        const QImage picture = w.RenderPicture(size);
        QCOMPARE(picture.size(), size);
        QCOMPARE(w.size(), QSize(400, 120));
        // Factor 2: the field is at (2 * (288 + 40), 2 * (32 + 16)), 436 x 434. Unprepared, every node but
        // the corner is at 1000, below every level of 1600: the last grade's colour.
        const QColor last = TpzPaintIsoLine::FixedGradeColor(5);
        const QColor centre = picture.pixelColor(656 + 300, 96 + 100);
        QVERIFY2(centre == last, qPrintable(centre.name()));
        // Near the corner node (bottom left) the value is above 1600: the first grade, white.
        const QColor corner = picture.pixelColor(656 + 3, 96 + 434 - 3);
        QVERIFY2(corner == TpzPaintIsoLine::FixedGradeColor(0), qPrintable(corner.name()));
        QVERIFY(RenderPictureIsNotBlank(picture));
    }

    // The data window squeezed to a tiny size keeps every field at the size it has at its natural
    // size and scrolls to reach them; given room again, it shows them all without scrolling.
    void dataWindowScrollsInsteadOfSqueezing() {
        korvel::CastingData data;
        TFormIsxDan w(data);
        w.resize(w.sizeHint().expandedTo(QSize(900, 560)));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QList<NumericEdit*> fields = w.findChildren<NumericEdit*>();
        QVERIFY(fields.size() >= 30);
        auto* scroll = w.findChild<QScrollArea*>();
        QVERIFY(scroll);
        QTRY_COMPARE(scroll->verticalScrollBar()->maximum(), 0);
        QMap<NumericEdit*, QSize> natural;
        for (NumericEdit* f : fields)
            natural[f] = f->size();

        w.resize(160, 90);
        QTRY_VERIFY(scroll->verticalScrollBar()->maximum() > 0);
        QVERIFY(scroll->horizontalScrollBar()->maximum() > 0);
        for (NumericEdit* f : fields) {
            if (f->isHidden()) continue;
            QVERIFY2(f->height() == natural[f].height(), qPrintable(QStringLiteral("%1: %2 high, was %3")
                                                                        .arg(f->objectName())
                                                                        .arg(f->height())
                                                                        .arg(natural[f].height())));
            QVERIFY2(f->width() >= f->minimumSizeHint().width() && f->width() >= 40,
                     qPrintable(QStringLiteral("%1: %2 wide").arg(f->objectName()).arg(f->width())));
        }
        for (QGroupBox* g : w.findChildren<QGroupBox*>())
            QVERIFY2(g->height() >= g->minimumSizeHint().height(), qPrintable(g->title()));
        // Scrolled to the end, the last field is in view.
        scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
        scroll->horizontalScrollBar()->setValue(scroll->horizontalScrollBar()->maximum());
        QVERIFY(w.Currencyl4->visibleRegion().boundingRect().height() > 0);
    }

    // In a frame of a 1366 x 768 screen: tiled as a run tiles them, the cross-section window shows all
    // eight boundary labels and the whole colour scale; cascaded, every window keeps most of the frame.
    void arrangementsOnAnOrdinaryScreen() {
        korvel::Model model;
        TFormMain w(model);
        w.SetQuestionHandler([](const QString&) { return true; });
        w.setWindowState(Qt::WindowNoState);
        w.resize(1366, 740);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.SubWindowOf(w.FormIsxDan)->showMinimized();
        w.TileHorizontal();
        QCoreApplication::processEvents();
        const QRect area = w.MdiArea()->viewport()->rect();
        QVERIFY2(area.height() < 700, qPrintable(QString::number(area.height())));
        QMdiSubWindow* solve = w.SubWindowOf(w.FormSolve);
        QVERIFY2(solve->height() <= area.height() / 4 + 1, qPrintable(QString::number(solve->height())));
        checkAllInside(*w.FormSolve);
        for (QWidget* child : {static_cast<QWidget*>(w.FormSolve), static_cast<QWidget*>(w.FormTempTau),
                               static_cast<QWidget*>(w.FormGraphS), static_cast<QWidget*>(w.FormGraphC)}) {
            QVERIFY2(child->height() >= child->minimumHeight() && child->height() >= 90,
                     qPrintable(child->windowTitle()));
            QVERIFY(area.contains(w.SubWindowOf(child)->geometry()));
        }

        w.CascadeWindows();
        QCoreApplication::processEvents();
        const QList<QMdiSubWindow*> subs = w.MdiArea()->subWindowList(QMdiArea::CreationOrder);
        int previousTop = -1;
        for (QMdiSubWindow* sub : subs) {
            if (sub->isMinimized()) continue;
            const QRect g = sub->geometry();
            QVERIFY2(g.height() >= area.height() / 2 && g.width() >= area.width() * 2 / 3,
                     qPrintable(sub->windowTitle() + QLatin1Char(' ') + Describe(g)));
            QVERIFY2(area.contains(g), qPrintable(sub->windowTitle() + QLatin1Char(' ') + Describe(g)));
            QVERIFY(g.top() > previousTop); // each title bar in sight
            previousTop = g.top();
        }

        // Five strips with the data window among them: still every window inside the frame, and the
        // cross-section whole.
        w.SubWindowOf(w.FormIsxDan)->showNormal();
        w.TileHorizontal();
        QCoreApplication::processEvents();
        for (QMdiSubWindow* sub : subs)
            QVERIFY2(area.contains(sub->geometry()),
                     qPrintable(sub->windowTitle() + QLatin1Char(' ') + Describe(sub->geometry())));
        checkAllInside(*w.FormSolve);
    }

    // Round steps and node labels: worked values.
    void axisTicks() {
        QCOMPARE(RoundStep(715, 2, 10), 500.0);
        QCOMPARE(RoundStep(715, 7, 10), 200.0);
        QCOMPARE(RoundStep(30, 8, 10), 10.0); // never below tens of degrees
        QCOMPARE(RoundStep(10, 5, 0.1), 2.0);
        QCOMPARE(RoundStep(0.012, 5, 0), 0.005);
        QCOMPARE(RoundStep(0, 5, 0.1), 0.1);
        QCOMPARE(RoundStep(std::nan(""), 5, 10), 10.0);
        QCOMPARE(StepDecimals(500), 0);
        QCOMPARE(StepDecimals(0.5), 1);
        QCOMPARE(StepDecimals(0.005), 3);
        QCOMPARE(StepDecimals(0.002), 3);

        QCOMPARE(NodeAxisTicks(7, 10), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(NodeAxisTicks(100, 10), (std::vector<int>{1, 20, 40, 60, 80, 100}));
        QCOMPARE(NodeAxisTicks(100, 11), (std::vector<int>{1, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
        QCOMPARE(NodeAxisTicks(12, 10), (std::vector<int>{1, 2, 4, 6, 8, 10, 12}));
        QCOMPARE(NodeAxisTicks(13, 6), (std::vector<int>{1, 5, 10, 13}));
        QVERIFY(NodeAxisTicks(0, 10).empty());
        for (int count = 1; count <= 100; ++count)
            for (int room : {4, 6, 10, 12}) {
                const std::vector<int> t = NodeAxisTicks(count, room);
                QVERIFY(t.front() == 1 && t.back() == count);
                for (std::size_t k = 1; k < t.size(); ++k)
                    QVERIFY2(t[k] > t[k - 1], qPrintable(QStringLiteral("%1 / %2").arg(count).arg(room)));
                QVERIFY2(int(t.size()) <= room + 1,
                         qPrintable(QStringLiteral("%1 / %2").arg(count).arg(room)));
            }
    }

    // The temperature chart in a tiled strip and maximised: round ticks with room for their labels,
    // axes fitted to the data, figures in the locale's format, light series on a dark casing.
    void temperatureChartAtTiledAndFullSize_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("tiled 1366x768") << QSize(1358, 128);
        QTest::newRow("tiled 1920x1080") << QSize(1912, 180);
        QTest::newRow("maximised") << QSize(1358, 600);
    }
    void temperatureChartAtTiledAndFullSize() {
        QFETCH(QSize, size);
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        TFormTempTau w;
        QLocale::setDefault(QLocale::c());
        w.resize(size);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        korvel::Model m;
        m.params.L = 6;
        m.params.M = 6;
        korvel::SizeState(m);
        for (int k = 0; k <= 60; ++k) {
            m.state.Tau = 10.0 * k;
            for (int i = 1; i <= 6; ++i)
                for (int j = 1; j <= 6; ++j)
                    m.state.Tem[i][j] = 1515 - k * (2.0 + i + j); // 1515 down to 651
            w.AppendPoints(m);
        }
        QCoreApplication::processEvents();
        QVERIFY(w.Chart1->localizeNumbers());
        QCOMPARE(w.Chart1->locale(), QLocale(QLocale::Russian, QLocale::Russia));
        const double yStep = w.AxisLeft->tickInterval();
        QVERIFY2(yStep >= 10 && (std::fmod(yStep, 100) == 0 || std::fmod(yStep, 10) == 0),
                 qPrintable(QString::number(yStep)));
        // Fitted: no more than a fifth of a step beyond the data at either end.
        QVERIFY2(w.AxisLeft->min() <= 651 && w.AxisLeft->min() > 651 - yStep,
                 qPrintable(QString::number(w.AxisLeft->min())));
        QVERIFY2(w.AxisLeft->max() >= 1515 && w.AxisLeft->max() < 1515 + yStep,
                 qPrintable(QString::number(w.AxisLeft->max())));
        QCOMPARE(w.AxisBottom->min(), 0.0);
        QCOMPARE(w.AxisBottom->max(), 10.0);
        const double xStep = w.AxisBottom->tickInterval();
        QVERIFY2(std::abs(xStep * 10 - std::round(xStep * 10)) < 1e-9, qPrintable(QString::number(xStep)));
        // Every tick label has its height and some room.
        const int ticks =
            int(std::floor(w.AxisLeft->max() / yStep) - std::ceil(w.AxisLeft->min() / yStep)) + 1;
        QVERIFY(ticks >= 1);
        const double plot = w.Chart1->plotArea().height();
        const int label = QFontMetrics(w.AxisLeft->labelsFont()).height();
        QVERIFY2(
            plot / (ticks + 1) >= label,
            qPrintable(QStringLiteral("%1 ticks in %2 px, labels %3 px").arg(ticks).arg(plot).arg(label)));
        // Each axis title is shown whole, along its axis when there is room, else beside the legend.
        auto* besideLeft = w.findChild<QLabel*>(QStringLiteral("LegendAxisTitle"));
        auto* besideBottom = w.findChild<QLabel*>(QStringLiteral("LegendBottomTitle"));
        QVERIFY(besideLeft && besideBottom);
        QVERIFY(w.AxisLeft->isTitleVisible() != besideLeft->isVisible());
        QVERIFY(w.AxisBottom->isTitleVisible() != besideBottom->isVisible());
        if (w.AxisLeft->isTitleVisible())
            QVERIFY2(QFontMetrics(w.AxisLeft->titleFont()).horizontalAdvance(w.AxisLeft->titleText()) <= plot,
                     qPrintable(QString::number(plot)));
        else
            QCOMPARE(besideLeft->text(), QStringLiteral("Температура, град.С:"));
        if (!w.AxisBottom->isTitleVisible()) QCOMPARE(besideBottom->text(), QStringLiteral("Время, мин"));
        // The white and yellow lines run over a dark casing drawn beneath them.
        const QList<QAbstractSeries*> all = w.Chart1->series();
        for (int k : {3, 5}) {
            QLineSeries* light = w.Series(k);
            const int at = int(all.indexOf(light));
            bool cased = false;
            for (int c = 0; c < at; ++c) {
                auto* casing = qobject_cast<QLineSeries*>(all[c]);
                if (casing && casing->points() == light->points() &&
                    casing->pen().width() > light->pen().width() && casing->pen().color().lightness() < 100)
                    cased = true;
            }
            QVERIFY2(cased, qPrintable(light->name()));
        }
    }

    // The profile window as a run leaves it in the frame of a 1366 x 768 and of a 1920 x 1080 screen, with
    // the five run windows alone and with two more (data and study) minimised below them: every tick label
    // and axis title of the chart whole (the chart cuts them short with "..." when its axes are squeezed),
    // at least three ticks per axis, every legend name and verdict text whole, no text below 9 px.
    void profileWindowAfterRun_data() {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<bool>("study");
        QTest::newRow("1366x768, 5 windows") << QSize(1366, 740) << false;
        QTest::newRow("1366x768, 7 windows") << QSize(1366, 740) << true;
        QTest::newRow("1920x1080, 5 windows") << QSize(1920, 1050) << false;
        QTest::newRow("1920x1080, 7 windows") << QSize(1920, 1050) << true;
    }
    void profileWindowAfterRun() {
        QFETCH(QSize, frame);
        QFETCH(bool, study);
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        korvel::Model model;
        TFormMain w(model);
        w.SetQuestionHandler([](const QString&) { return true; });
        w.setWindowState(Qt::WindowNoState);
        w.resize(frame);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (study) w.ServisStudyExecute();
        w.FormIsxDan->CurrencyVp->setValue(1);
        w.ActionsSolve->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w.HasResults() && !w.WorkerAlive(), 120000);
        QCoreApplication::processEvents();
        QLocale::setDefault(QLocale::c());
        // The five run windows tiled; the data window (and the study) minimised below them.
        int open = 0, tiled = 0;
        for (QMdiSubWindow* sub : w.MdiArea()->subWindowList())
            if (!sub->isHidden()) {
                ++open;
                if (!sub->isMinimized()) ++tiled;
            }
        QCOMPARE(tiled, 5);
        QCOMPARE(open, study ? 7 : 6);

        TFormProfile* f = w.FormProfile;
        QMdiSubWindow* sub = w.SubWindowOf(f);
        QVERIFY(!sub->isMinimized() && w.MdiArea()->viewport()->rect().contains(sub->geometry()));
        // The chart's own texts: tick labels and axis titles.
        QStringList texts;
        for (QGraphicsItem* item : f->ChartView1->scene()->items())
            if (auto* t = dynamic_cast<QGraphicsTextItem*>(item); t && t->isVisible())
                texts << t->toPlainText();
        QVERIFY2(texts.contains(QStringLiteral("1\u00a0500")) || texts.contains(QStringLiteral("1 500")),
                 qPrintable(texts.join(QLatin1Char('|'))));
        for (const QString& t : texts)
            QVERIFY2(!t.contains(QStringLiteral("...")) && !t.contains(QChar(0x2026)),
                     qPrintable(Describe(sub->geometry()) + QStringLiteral(": ") + t));
        for (const QValueAxis* a : {f->AxisBottom, f->AxisLeft, f->AxisRight}) {
            const double step = a->tickInterval();
            const int ticks = int(std::floor(a->max() / step + 1e-9) - std::ceil(a->min() / step - 1e-9)) + 1;
            QVERIFY2(ticks >= 3, qPrintable(a->titleText()));
            QVERIFY(QFontInfo(a->labelsFont()).pixelSize() >= 9);
        }
        // The legend: the window's, above the chart, every name whole.
        QVERIFY(!f->Chart1->legend()->isVisible());
        QVERIFY(f->Legend1->isVisible());
        QVERIFY(f->Legend1->geometry().bottom() < f->ChartView1->geometry().top());
        for (int k = 0; k < 8; ++k) {
            const QRect r = f->LegendTitleRect(k);
            const QString name = f->Series(k)->name();
            auto* title = f->Legend1->childAt(r.center());
            QVERIFY(title);
            QVERIFY2(f->Legend1->rect().contains(r) &&
                         QFontMetrics(title->font()).horizontalAdvance(name) <= r.width(),
                     qPrintable(name + QLatin1Char(' ') + Describe(r)));
        }
        // The verdict and every other label: whole, inside the window, 9 px or more.
        for (QLabel* l : f->findChildren<QLabel*>()) {
            if (!l->isVisible() || l->text().isEmpty()) continue;
            QVERIFY2(QFontInfo(l->font()).pixelSize() >= 9, qPrintable(l->text()));
            QVERIFY2(l->width() >= l->sizeHint().width() && f->rect().contains(InWindow(f, l)),
                     qPrintable(l->text() + QLatin1Char(' ') + Describe(InWindow(f, l))));
        }
    }

private:
    static bool RenderPictureIsNotBlank(const QImage& image) {
        const QRgb first = image.pixel(0, 0);
        for (int y = 0; y < image.height(); y += 7)
            for (int x = 0; x < image.width(); x += 7)
                if (image.pixel(x, y) != first) return true;
        return false;
    }
};

QTEST_MAIN(TestWindowFit)
#include "tst_windowfit.moc"
