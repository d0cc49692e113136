// The live run: the hand-over schedule, Stop, Pause, Run after Stop, exit during a run, data accepted
// during a run, refused input and a state that stops being finite.
#include "HeldSteps.h"
#include "run/UnSolveThread.h"
#include "ui/NumericEdit.h"
#include "ui/Un3DGraphC.h"
#include "ui/Un3DGraphS.h"
#include "ui/UnCaseFile.h"
#include "ui/UnIsxDan.h"
#include "ui/UnSolve.h"
#include "ui/UnTemTau.h"
#include "ui/unMain.h"

#include "model/TimeStep.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <cmath>
#include <limits>
#include <memory>

namespace {

struct HandOver {
    bool start;
    double tau;
};

// Poisons the temperature field once the process time passes 7 s.
void poisonedStep(korvel::Model& m) {
    korvel::TimeStep(m);
    if (m.state.Tau > 7) m.state.Tem[2][2] = std::numeric_limits<double>::quiet_NaN();
}

} // namespace

class TestSolveThread : public QObject {
    Q_OBJECT

    korvel::Model m_model;
    std::unique_ptr<TFormMain> w;
    QList<HandOver> m_handOvers;
    QStringList m_messages;

    // Starts a run of the given process time (minutes, as the data window takes it).
    void run(double minutes) {
        w->FormIsxDan->CurrencyVp->setValue(minutes);
        m_handOvers.clear();
        w->ActionsSolve->trigger();
    }
    bool waitForEnd(int ms = 30000) {
        QSignalSpy ended(w.get(), &TFormMain::RunEnded);
        return w->WorkerAlive() ? ended.wait(ms) : true;
    }
    QString handOverList() const {
        QStringList s;
        for (const HandOver& h : m_handOvers)
            s << QStringLiteral("%1%2").arg(h.start ? "start@" : "").arg(h.tau);
        return s.join(' ');
    }

private slots:
    void init() {
        TSolveThread::TimeStepFunction = &korvel::TimeStep;
        m_model = korvel::Model();
        m_messages.clear();
        w = std::make_unique<TFormMain>(m_model);
        // Runs on the coarse grids of the tests go ahead without the question.
        w->SetQuestionHandler([](const QString&) { return true; });
        w->SetMessageHandler([this](const QString& text) { m_messages << text; });
        // Closing with the edits of these runs throws them away without a dialog.
        w->CaseFiles->SetChoiceHandler([](const QString&) { return int(QMessageBox::Discard); });
        connect(w.get(), &TFormMain::HandedOver, this, [this](bool start, double tau) {
            m_handOvers.append({start, tau});
        });
        w->show();
    }
    void cleanup() {
        held::Release();
        w.reset();
        TSolveThread::TimeStepFunction = &korvel::TimeStep;
        TSolveThread::WaitAtEveryHandOver = false;
    }

    void handOverSchedule_data() {
        QTest::addColumn<double>("minutes");
        QTest::addColumn<int>("steps");
        QTest::newRow("not a multiple of ten") << 0.21 << 26; // 12.6 s: the step to 13 s is the last
        QTest::newRow("a multiple of ten") << 0.25 << 30;
        QTest::newRow("fewer than ten") << 0.03 << 4; // 1.8 s
    }

    void handOverSchedule() {
        QFETCH(double, minutes);
        QFETCH(int, steps);
        run(minutes);
        QVERIFY(w->RunActive());
        QVERIFY(!w->ActionsSolve->isEnabled() && !w->ServisParamMod->isEnabled());
        QVERIFY(w->ActionsPause->isEnabled() && w->ActionsStop->isEnabled());
        QVERIFY(w->SubWindowOf(w->FormIsxDan)->isMinimized());
        QVERIFY(waitForEnd());
        const int expected = 1 + steps / 10 + 1;
        QVERIFY2(m_handOvers.size() == expected, qPrintable(handOverList()));
        QVERIFY(m_handOvers.first().start);
        QCOMPARE(m_handOvers.first().tau, 0.0);
        for (int k = 1; k < steps / 10 + 1; ++k)
            QCOMPARE(m_handOvers[k].tau, 5.0 * k); // after every tenth step of 0.5 s
        QCOMPARE(m_handOvers.last().tau, 0.5 * steps);
        QVERIFY(!w->RunActive());
        QVERIFY(w->ActionsSolve->isEnabled() && w->ServisParamMod->isEnabled());
        QVERIFY(!w->ActionsPause->isEnabled() && !w->ActionsStop->isEnabled());
        QVERIFY(m_messages.isEmpty());
    }

    void defaultRunLeaves121PointsPerSeries() {
        run(10);
        QVERIFY(waitForEnd(120000));
        QCOMPARE(m_handOvers.size(), 122);
        QCOMPARE(m_handOvers.last().tau, 600.0);
        QCOMPARE(m_handOvers[m_handOvers.size() - 2].tau, 600.0);
        QCOMPARE(m_model.state.Tau, 600.0);
        QCOMPARE(w->FormTempTau->PointCount(), 121);
    }

    void zeroDurationGivesStartAndOneFinalUpdate() {
        run(0);
        QVERIFY(waitForEnd());
        QVERIFY2(m_handOvers.size() == 2, qPrintable(handOverList()));
        QVERIFY(m_handOvers[0].start && !m_handOvers[1].start);
        QCOMPARE(m_handOvers[1].tau, 0.0);
        // A negative duration is no process time: refused, naming the field, and nothing runs.
        run(-5);
        QVERIFY(waitForEnd());
        QCOMPARE(m_handOvers.size(), 0);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].contains(QStringLiteral("«Время процесса непрерывной разливки, мин»")),
                 qPrintable(m_messages[0]));
    }

    void stopEndsAfterAtMostOneMoreStep() {
        TSolveThread::WaitAtEveryHandOver = true;
        // Stop inside the first periodic update: the worker is between steps 10 and 11.
        connect(w.get(), &TFormMain::HandedOver, this, [this](bool start, double) {
            if (!start && m_handOvers.size() == 2) {
                w->ActionsStop->trigger();
                // Idle at once, before the worker has ended.
                QVERIFY(w->ActionsSolve->isEnabled());
                QVERIFY(!w->ActionsStop->isEnabled() && !w->ActionsPause->isEnabled());
            }
        });
        run(10);
        QVERIFY(waitForEnd());
        QVERIFY2(m_handOvers.size() == 3, qPrintable(handOverList()));
        QCOMPARE(m_handOvers.last().tau, 5.0);
        disconnect(w.get(), &TFormMain::HandedOver, this, nullptr);
        connect(w.get(), &TFormMain::HandedOver, this, [this](bool start, double tau) {
            m_handOvers.append({start, tau});
        });

        // Stop at an arbitrary moment: at most one step after it. The run goes at most 100 steps on
        // its own, so it is still going when the stop comes, however fast the machine.
        held::Use(100);
        run(10);
        QSignalSpy some(w.get(), &TFormMain::HandedOver);
        QVERIFY(some.wait(10000));
        QTest::qWait(20);
        const int before = w->SolveThread->StepsDone();
        w->ActionsStop->trigger();
        QVERIFY(w->ActionsSolve->isEnabled());
        QPointer<TSolveThread> worker = w->SolveThread;
        QVERIFY(waitForEnd());
        const double lastTau = m_handOvers.last().tau;
        QVERIFY2(
            lastTau <= 0.5 * (before + 1) + 1e-9,
            qPrintable(QStringLiteral("stopped after %1 steps, ended at %2 s").arg(before).arg(lastTau)));
        QVERIFY(!m_handOvers.last().start);
    }

    void pauseHoldsStepsAndUpdates() {
        // The run waits in its first step until the pause is on: it cannot end before.
        held::Use(0);
        run(10);
        QTRY_VERIFY_WITH_TIMEOUT(!m_handOvers.isEmpty(), 10000); // the start, shown before any step
        auto* pauseButton = w->ToolBar1->widgetForAction(w->ActionsPause);
        QTest::mouseClick(pauseButton, Qt::LeftButton);
        QVERIFY(w->ActionsPause->isChecked());
        QVERIFY(w->SolveThread->IsPaused());
        // Steps may go on now as fast as they can: only the pause holds them.
        held::Release();
        // The step the worker was held in ends; then the pause holds it at the step boundary.
        QTRY_COMPARE_WITH_TIMEOUT(w->SolveThread->StepsDone(), 1, 10000);
        const int steps = w->SolveThread->StepsDone();
        const int updates = int(m_handOvers.size());
        QTest::qWait(300);
        QCOMPARE(w->SolveThread->StepsDone(), steps);
        QCOMPARE(int(m_handOvers.size()), updates);
        QVERIFY(w->WorkerAlive());
        // Released: it goes on from where it stopped, up to the next 20 steps (the run stays active).
        held::Allowed() = 20;
        QTest::mouseClick(pauseButton, Qt::LeftButton);
        QVERIFY(!w->ActionsPause->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(w->SolveThread && w->SolveThread->StepsDone() > steps, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(m_handOvers.size() > updates, 5000);
        QCOMPARE(m_handOvers[updates].tau, 5.0 * updates);

        // Stop while paused ends the run and releases the pause button.
        QVERIFY(w->RunActive());
        w->ActionsPause->trigger();
        QVERIFY(w->ActionsPause->isChecked());
        QVERIFY(w->SolveThread->IsPaused());
        w->ActionsStop->trigger();
        QVERIFY(!w->ActionsPause->isChecked());
        QVERIFY(waitForEnd(5000));
        QVERIFY(!m_handOvers.last().start);
        QVERIFY(m_handOvers.last().tau < 600);
    }

    void runRightAfterStop() {
        run(10);
        QSignalSpy first(w.get(), &TFormMain::HandedOver);
        QVERIFY(first.wait(10000));
        QPointer<TSolveThread> old = w->SolveThread;
        w->ActionsStop->trigger();
        QVERIFY(w->ActionsSolve->isEnabled());
        // The second run takes no step until it is stopped: it is still going whatever the machine.
        held::Use(0);
        run(10);
        // The old worker ended before the new run's set-up.
        QVERIFY(!old || !old->isRunning());
        QVERIFY(w->SolveThread != old);
        QVERIFY(m_handOvers.isEmpty() || m_handOvers.first().start);
        // The old worker's completion must not put the new run's actions back to idle.
        QTest::qWait(200);
        QVERIFY(w->RunActive());
        QVERIFY(!w->ActionsSolve->isEnabled());
        QVERIFY(w->ActionsStop->isEnabled());
        QVERIFY(w->WorkerAlive());
        QVERIFY(!old);
        w->ActionsStop->trigger();
        QVERIFY(waitForEnd());
        QVERIFY(m_handOvers.first().start);
        QCOMPARE(m_handOvers.first().tau, 0.0);
    }

    void closingDuringARun() {
        held::Use(15);
        run(10);
        QSignalSpy first(w.get(), &TFormMain::HandedOver);
        QVERIFY(first.wait(10000));
        QPointer<TSolveThread> worker = w->SolveThread;
        QVERIFY(w->close());
        QVERIFY(!worker || !worker->isRunning());
        w.reset();
        QVERIFY(!worker);
    }

    void closingWhilePaused() {
        held::Use(15);
        run(10);
        QSignalSpy first(w.get(), &TFormMain::HandedOver);
        QVERIFY(first.wait(10000));
        w->ActionsPause->trigger();
        QTest::qWait(50);
        QPointer<TSolveThread> worker = w->SolveThread;
        w->ActionsExit->trigger();
        QVERIFY(!worker || !worker->isRunning());
        w.reset(); // the destructor alone must also cope
        QVERIFY(!worker);
    }

    void destroyingDuringARun() {
        held::Use(15);
        run(10);
        QSignalSpy first(w.get(), &TFormMain::HandedOver);
        QVERIFY(first.wait(10000));
        QPointer<TSolveThread> worker = w->SolveThread;
        w.reset(); // as at exit() without a close
        QVERIFY(!worker);
    }

    void gridChangeBetweenRuns() {
        run(0);
        QVERIFY(waitForEnd());
        QCOMPARE(w->FormGraphS->GridSize(), QSize(10, 10));
        m_model.params.L = 6;
        m_model.params.M = 8;
        run(0);
        QVERIFY(waitForEnd());
        QCOMPARE(w->FormGraphS->GridSize(), QSize(6, 8));
        QCOMPARE(w->FormGraphC->GridSize(), QSize(6, 8));
        QCOMPARE(m_model.state.Tem.Rows(), 7);
    }

    void runAcceptsUnacceptedEdits() {
        w->FormIsxDan->CurrencyT0->setValue(1540);
        w->FormIsxDan->CurrencyDlomX->setValue(200);
        double startTem = 0;
        connect(w.get(), &TFormMain::HandedOver, this, [&](bool start, double) {
            if (start) startTem = m_model.state.Tem[1][1];
        });
        run(0);
        QVERIFY(waitForEnd());
        QCOMPARE(w->SharedCastingData().T0, 1540.0);
        QCOMPARE(m_model.data.T0, 1540.0);
        QCOMPARE(m_model.data.HalfX, 0.1);
        QCOMPARE(startTem, 1540.0);
        QCOMPARE(w->FormSolve->LabelSlitok->text(), QStringLiteral(" 200 x  160"));
    }

    void acceptDuringARunTakesEffectAtTheNextStep() {
        TSolveThread::WaitAtEveryHandOver = true;
        QList<double> vlit, halfX;
        connect(w.get(), &TFormMain::HandedOver, this, [&](bool start, double) {
            vlit << m_model.data.Vlit;
            halfX << m_model.data.HalfX;
            if (!start && vlit.size() == 2) {
                // While the worker waits here: a new speed and billet size accepted.
                w->FormIsxDan->CurrencyVlit->setValue(2.5);
                w->FormIsxDan->CurrencyDlomX->setValue(300);
                w->FormIsxDan->BitBtn2Click();
            }
        });
        run(0.25);
        QVERIFY(waitForEnd());
        QCOMPARE(vlit.size(), 5);
        QCOMPARE(vlit[1], 1.5);
        QCOMPARE(vlit[2], 2.5); // from the step after the accept on
        QCOMPARE(vlit[4], 2.5);
        for (double h : halfX)
            QCOMPARE(h, 0.08); // the billet size acts only through the set-up of a run
        QCOMPARE(w->SharedCastingData().HalfX, 0.15);
    }

    void badInputIsRefused_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("named");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("zero X size") << "DlomX" << 0.0 << "Заготовка, X, мм";
        QTest::newRow("negative Y size") << "DlomY" << -160.0 << "Заготовка, Y, мм";
        QTest::newRow("zero speed") << "Vlit" << 0.0 << "Скорость разливки, м/мин";
        QTest::newRow("NaN temperature") << "T0" << nan << "Температура разливки, град С";
        QTest::newRow("infinite duration") << "Vp" << inf << "Время процесса непрерывной разливки, мин";
        QTest::newRow("zero time step") << "Dt" << 0.0 << "Шаг расчета, с";
        QTest::newRow("negative time step") << "Dt" << -0.5 << "Шаг расчета, с";
        QTest::newRow("grid too small") << "L" << 3.0 << "Количество узлов по оси X";
        QTest::newRow("grid too large") << "M" << 101.0 << "Количество узлов по оси Y";
    }

    void badInputIsRefused() {
        QFETCH(QString, field);
        QFETCH(double, value);
        QFETCH(QString, named);
        if (field == "Dt")
            m_model.params.Dt = value;
        else if (field == "L")
            m_model.params.L = int(value);
        else if (field == "M")
            m_model.params.M = int(value);
        else
            w->FormIsxDan->Field(field)->setValue(value);
        const korvel::CastingData before = w->SharedCastingData();
        w->ActionsSolve->trigger();
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].contains(named), qPrintable(m_messages[0]));
        QVERIFY(!w->SolveThread);
        QVERIFY(!w->RunActive());
        QVERIFY(w->ActionsSolve->isEnabled());
        QVERIFY(!w->SubWindowOf(w->FormIsxDan)->isMinimized());
        QCOMPARE(w->SharedCastingData().T0, before.T0);
        QCOMPARE(w->SharedCastingData().TauEnd, before.TauEnd);
        // The field keeps what was typed.
        if (w->FormIsxDan->Field(field)) {
            const double kept = w->FormIsxDan->Field(field)->value();
            QVERIFY(kept == value || (std::isnan(kept) && std::isnan(value)));
        }
    }

    void nonFiniteStateStopsTheRun() {
        TSolveThread::TimeStepFunction = &poisonedStep;
        run(10);
        QVERIFY(waitForEnd());
        // Only the initial and the first periodic update (5 s) were shown; the poisoned state was not.
        QVERIFY2(m_handOvers.size() == 2, qPrintable(handOverList()));
        QCOMPARE(m_handOvers.last().tau, 5.0);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].contains(QStringLiteral("Расчет остановлен")), qPrintable(m_messages[0]));
        QVERIFY(w->ActionsSolve->isEnabled());
        QVERIFY(!w->RunActive());
    }
};

QTEST_MAIN(TestSolveThread)
#include "tst_solvethread.moc"
