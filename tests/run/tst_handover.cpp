// The hand-over to the windows: every hand-over reaches the history, the chart and the HandedOver
// signal in order, while the pictures are drawn from the latest state only; the final state is always
// on the screen when the run has ended.

#include "HeldSteps.h"
#include "components/PaintIsoZone.h"
#include "model/RunInit.h"
#include "model/TimeStep.h"
#include "run/UnSolveThread.h"
#include "ui/Un3DGraphC.h"
#include "ui/Un3DGraphS.h"
#include "ui/UnIsxDan.h"
#include "ui/UnSolve.h"
#include "ui/UnTemTau.h"
#include "ui/unMain.h"

#include <QLabel>
#include <QLineSeries>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {
int g_stepDelay = 0;
// A time step that also gives the window thread time to draw between hand-overs.
void SlowStep(korvel::Model& m) {
    korvel::TimeStep(m);
    if (g_stepDelay > 0) QThread::usleep(static_cast<unsigned long>(g_stepDelay));
}
} // namespace

class TstHandOver : public QObject {
    Q_OBJECT

    korvel::Model m_model;
    std::unique_ptr<TFormMain> w;

    bool runToEnd(double minutes) {
        w->FormIsxDan->CurrencyVp->setValue(minutes);
        QSignalSpy ended(w.get(), &TFormMain::RunEnded);
        w->ActionsSolve->trigger();
        return ended.wait(60000);
    }

    // The final state of the model is what every picture shows.
    void checkFinalState() {
        const korvel::ModelState& s = m_model.state;
        const int L = m_model.params.L, M = m_model.params.M;
        for (int i = 1; i <= L; ++i) {
            for (int j = 1; j <= M; ++j) {
                QCOMPARE(static_cast<double>(w->FormSolve->pzPaintIsoZone1->NodeValue(i - 1, j - 1)),
                         s.Tem[i][j]);
                QCOMPARE(w->FormGraphS->ValueAt(i, j), s.SMean[i][j]);
                QCOMPARE(w->FormGraphC->ValueAt(i, j), s.CMean[i][j]);
            }
        }
        QCOMPARE(w->FormSolve->TauProcess->text().trimmed(), QLocale().toString(s.Tau, 'f', 1));
        const int n = w->FormTempTau->PointCount();
        QVERIFY(n > 0);
        const QPointF last = w->FormTempTau->Series1->at(n - 1);
        QCOMPARE(last.x(), s.Tau / 60);
        QCOMPARE(last.y(), s.Tem[L][M]);
    }

private slots:
    void init() {
        g_stepDelay = 0;
        TSolveThread::TimeStepFunction = &SlowStep;
        m_model = korvel::Model();
        w = std::make_unique<TFormMain>(m_model);
        // Runs on the coarse grids of the tests go ahead without the question.
        w->SetQuestionHandler([](const QString&) { return true; });
        w->show();
    }
    void cleanup() {
        held::Release();
        w.reset();
        TSolveThread::TimeStepFunction = &korvel::TimeStep;
    }

    void everyHandOverReachesTheChartAndTheSignalInOrder() {
        QList<double> taus;
        connect(w.get(), &TFormMain::HandedOver, this, [&](bool, double tau) { taus << tau; });
        QVERIFY(runToEnd(2)); // 240 steps: 24 periodic hand-overs, the start and the final one
        QCOMPARE(taus.size(), 26);
        for (int k = 0; k < 25; ++k)
            QCOMPARE(taus[k], 5.0 * k);
        QCOMPARE(taus.last(), 120.0);
        QCOMPARE(w->FormTempTau->PointCount(), 25);
        for (int k = 0; k < 24; ++k)
            QCOMPARE(w->FormTempTau->Series2->at(k).x(), 5.0 * (k + 1) / 60);
        checkFinalState();
    }

    void finalStateIsShownWhateverThePace_data() {
        QTest::addColumn<int>("delay");
        QTest::addColumn<int>("L");
        QTest::addColumn<int>("M");
        QTest::newRow("as fast as it goes") << 0 << 10 << 10;
        QTest::newRow("slow steps") << 2000 << 10 << 10;
        QTest::newRow("unequal sides") << 0 << 13 << 7;
    }
    void finalStateIsShownWhateverThePace() {
        QFETCH(int, delay);
        QFETCH(int, L);
        QFETCH(int, M);
        g_stepDelay = delay;
        m_model.params.L = L;
        m_model.params.M = M;
        QVERIFY(runToEnd(1.5));
        checkFinalState();
        // A second run starts from a cleared chart and surfaces.
        m_model.params.L = 6;
        m_model.params.M = 9;
        QVERIFY(runToEnd(0.25));
        QCOMPARE(w->FormGraphS->GridSize(), QSize(6, 9));
        QCOMPARE(w->FormTempTau->PointCount(), 4);
        checkFinalState();
    }

    void busyWindowThreadDoesNotHoldTheRunBack() {
        // The worker takes ten steps and waits. The window thread, held inside the first periodic
        // hand-over, lets it take ten more and waits until it has: which it can do only when hand-overs
        // do not wait for the window thread.
        held::Use(10);
        bool heldOnce = false, wentOn = false;
        connect(w.get(), &TFormMain::HandedOver, this, [&](bool start, double) {
            if (start || heldOnce) return;
            heldOnce = true;
            held::Allowed() = 10;
            QDeadlineTimer deadline(60000);
            while (!deadline.hasExpired() && w->SolveThread->StepsDone() < 20)
                QThread::yieldCurrentThread();
            wentOn = w->SolveThread->StepsDone() == 20;
            held::Release();
        });
        QVERIFY(runToEnd(1)); // 120 steps
        QVERIFY(wentOn);
        // Every hand-over still reached the chart, in order, and the final state is shown.
        QCOMPARE(w->FormTempTau->PointCount(), 13);
        for (int k = 0; k < 12; ++k)
            QCOMPARE(w->FormTempTau->Series2->at(k).x(), 5.0 * (k + 1) / 60);
        checkFinalState();
    }

    void handOverHereDrawsEverythingAtOnce() {
        // Without a worker: one hand-over, pictures included, on the window thread.
        QVERIFY(runToEnd(0)); // sets the windows up as a run does
        korvel::InitialiseRun(m_model);
        for (int k = 0; k < 30; ++k)
            korvel::TimeStep(m_model);
        QMutex guard;
        RunWindows windows{w->FormSolve, w->FormTempTau, w->FormGraphS, w->FormGraphC};
        TSolveThread worker(m_model, m_model.data, guard, windows);
        worker.HandOverHere(true, false);
        QCOMPARE(w->FormTempTau->PointCount(), 0);
        worker.HandOverHere(false, false);
        QCOMPARE(worker.PicturesDrawn(), 2);
        QCOMPARE(worker.History().size(), std::size_t(1));
        checkFinalState();
    }
};

QTEST_MAIN(TstHandOver)
#include "tst_handover.moc"
