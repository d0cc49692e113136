// Where the windows go when a run starts: the run's windows in strips while strips are high enough,
// else in a grid, each with room for its texts and ticks; other windows minimised, never squeezed.
#include "ui/Un3DGraphC.h"
#include "ui/Un3DGraphS.h"
#include "ui/UnIsxDan.h"
#include "ui/UnProfile.h"
#include "ui/UnSolve.h"
#include "ui/UnStudy.h"
#include "ui/UnTemTau.h"
#include "ui/WindowArrangement.h"
#include "ui/unMain.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QValueAxis>
#include <cmath>

namespace {

QString describe(const QRect& r) {
    return QStringLiteral("(%1, %2) %3 x %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// Ticks a value axis with dynamic ticks shows.
int ticksOf(const QValueAxis* a) {
    const double step = a->tickInterval();
    if (!(step > 0)) return a->tickCount();
    return int(std::floor(a->max() / step + 1e-9) - std::ceil(a->min() / step - 1e-9)) + 1;
}

} // namespace

class TestArrangement : public QObject {
    Q_OBJECT

private slots:
    // Worked layouts: the frame of a 1366 x 768 and of a 1920 x 1080 screen.
    void tileRects_data() {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("columns");
        QTest::newRow("five at 1366") << QRect(0, 0, 1366, 600) << 5 << 3;
        QTest::newRow("six at 1366") << QRect(0, 0, 1366, 600) << 6 << 3;
        QTest::newRow("seven at 1366") << QRect(0, 0, 1366, 600) << 7 << 4;
        QTest::newRow("five at 1920") << QRect(0, 0, 1920, 930) << 5 << 3;
        QTest::newRow("two at 1920: strips") << QRect(0, 0, 1920, 930) << 2 << 1;
        QTest::newRow("three at 1920: strips") << QRect(0, 0, 1920, 930) << 3 << 1;
        QTest::newRow("one") << QRect(5, 7, 800, 500) << 1 << 1;
        QTest::newRow("tiny") << QRect(0, 0, 90, 40) << 5 << 3;
    }
    void tileRects() {
        QFETCH(QRect, area);
        QFETCH(int, n);
        QFETCH(int, columns);
        const QList<QRect> r = TileRects(area, n);
        QCOMPARE(int(r.size()), n);
        // Columns of the first row.
        int first = 0;
        while (first < n && r[first].top() == r[0].top())
            ++first;
        QCOMPARE(first, columns);
        // Every pixel once.
        qint64 covered = 0;
        for (int a = 0; a < n; ++a) {
            QVERIFY2(area.contains(r[a]) && !r[a].isEmpty(), qPrintable(describe(r[a])));
            covered += qint64(r[a].width()) * r[a].height();
            for (int b = a + 1; b < n; ++b)
                QVERIFY2(!r[a].intersects(r[b]),
                         qPrintable(describe(r[a]) + QStringLiteral(" / ") + describe(r[b])));
        }
        QCOMPARE(covered, qint64(area.width()) * area.height());
        if (area.width() >= 1366 && n <= 6)
            for (const QRect& cell : r)
                QVERIFY2(cell.width() >= kUsableWindowSize.width() && cell.height() >= 140,
                         qPrintable(describe(cell)));
        QVERIFY(TileRects(area, 0).isEmpty());
    }

    // A run started in the frame of a 1366 x 768 screen with the study window open: the five run windows
    // get a usable cell each, the data and study windows are minimised.
    void runArrangesItsWindows() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        korvel::Model model;
        TFormMain w(model);
        w.setWindowState(Qt::WindowNoState);
        w.resize(1366, 740);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.ServisStudyExecute();
        QMdiSubWindow* study = w.SubWindowOf(w.FormStudy);
        QVERIFY(study && !study->isMinimized());
        w.FormIsxDan->CurrencyVp->setValue(1);
        w.ActionsSolve->trigger();
        QCoreApplication::processEvents();

        QVERIFY(study->isMinimized());
        QVERIFY(w.SubWindowOf(w.FormIsxDan)->isMinimized());
        const QRect area = w.MdiArea()->viewport()->rect();
        const QList<QWidget*> run{w.FormGraphS, w.FormGraphC, w.FormTempTau, w.FormSolve, w.FormProfile};
        QList<QRect> cells;
        for (QWidget* child : run) {
            QMdiSubWindow* sub = w.SubWindowOf(child);
            const QRect g = sub->geometry();
            QVERIFY2(!sub->isMinimized() && area.contains(g), qPrintable(child->windowTitle() + describe(g)));
            QVERIFY2(g.width() >= kUsableWindowSize.width() && g.height() >= kUsableWindowSize.height(),
                     qPrintable(child->windowTitle() + QLatin1Char(' ') + describe(g)));
            for (const QRect& other : cells)
                QVERIFY(!other.intersects(g));
            cells << g;
        }
        // No text of the cross-section below 9 px.
        for (QLabel* l : w.FormSolve->findChildren<QLabel*>())
            if (l->isVisible()) QVERIFY2(QFontInfo(l->font()).pixelSize() >= 9, qPrintable(l->objectName()));

        QTRY_VERIFY_WITH_TIMEOUT(w.HasResults() && !w.WorkerAlive(), 120000);
        QCoreApplication::processEvents();
        // At least three ticks on every axis of the 2-D charts.
        for (const QValueAxis* a :
             {w.FormTempTau->AxisBottom, w.FormTempTau->AxisLeft, w.FormProfile->AxisBottom,
              w.FormProfile->AxisLeft, w.FormProfile->AxisRight})
            QVERIFY2(ticksOf(a) >= 3, qPrintable(QStringLiteral("%1: %2 ticks from %3 to %4 by %5")
                                                     .arg(a->titleText())
                                                     .arg(ticksOf(a))
                                                     .arg(a->min())
                                                     .arg(a->max())
                                                     .arg(a->tickInterval())));
    }
};

QTEST_MAIN(TestArrangement)
#include "tst_arrangement.moc"
