// The run's actions pressed in quick random order: Run, Pause, resume, Stop and Run again, sometimes
// with the main window closed in the middle. Every cycle must end with no worker left and the actions
// idle, and must not hang.
#include "run/UnSolveThread.h"
#include "ui/NumericEdit.h"
#include "ui/UnCaseFile.h"
#include "ui/UnIsxDan.h"
#include "ui/unMain.h"

#include "model/TimeStep.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <memory>
#include <random>

class TestStress : public QObject {
    Q_OBJECT

    korvel::Model m_model;
    std::unique_ptr<TFormMain> w;
    QStringList m_messages;
    std::mt19937 m_rng{20240607};

    void newWindow() {
        w = std::make_unique<TFormMain>(m_model);
        // Runs on the coarse grids of the tests go ahead without the question.
        w->SetQuestionHandler([](const QString&) { return true; });
        w->SetMessageHandler([this](const QString& text) { m_messages << text; });
        // Closing with the edits of these runs throws them away without a dialog.
        w->CaseFiles->SetChoiceHandler([](const QString&) { return int(QMessageBox::Discard); });
        w->FormIsxDan->CurrencyVp->setValue(0.25); // 15 s of process time: 30 steps
        w->show();
    }
    // A short random pause of the window thread (hand-overs are delivered meanwhile).
    void shortWait() {
        const int ms = std::uniform_int_distribution<int>(0, 15)(m_rng);
        if (ms == 0)
            QCoreApplication::processEvents();
        else
            QTest::qWait(ms);
    }
    // As a user would: a disabled action cannot be pressed.
    static void press(QAction* a) {
        if (a->isEnabled()) a->trigger();
    }
    bool idle() const {
        return !w->RunActive() && w->ActionsSolve->isEnabled() && !w->ActionsPause->isEnabled() &&
               !w->ActionsStop->isEnabled() && !w->ActionsPause->isChecked();
    }
    QString actionState() const {
        return QStringLiteral("active %1, run %2, pause %3 (checked %4), stop %5, worker alive %6")
            .arg(w->RunActive())
            .arg(w->ActionsSolve->isEnabled())
            .arg(w->ActionsPause->isEnabled())
            .arg(w->ActionsPause->isChecked())
            .arg(w->ActionsStop->isEnabled())
            .arg(w->WorkerAlive());
    }

private slots:
    void init() {
        TSolveThread::TimeStepFunction = &korvel::TimeStep;
        m_model = korvel::Model();
        m_model.params.L = 5;
        m_model.params.M = 5;
        m_messages.clear();
        newWindow();
    }
    void cleanup() { w.reset(); }

    void randomRunPauseStopCycles() {
        constexpr int kCycles = 200;
        int closes = 0, pausedHeld = 0;
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            // Where this cycle closes the main window: in about one cycle of five, after one of the
            // first six presses.
            const bool closing = std::uniform_int_distribution<int>(0, 4)(m_rng) == 0;
            const int closeAfter = closing ? std::uniform_int_distribution<int>(0, 5)(m_rng) : -1;
            int pressed = 0;
            QPointer<TSolveThread> firstWorker;
            // Returns false when the window was closed here.
            auto step = [&](QAction* a) {
                press(a);
                if (a == w->ActionsSolve) {
                    if (!firstWorker) firstWorker = w->SolveThread;
                    // A run that has just been started is running and not paused.
                    if (!w->RunActive() || w->ActionsSolve->isEnabled() || !w->ActionsStop->isEnabled() ||
                        !w->ActionsPause->isEnabled() || w->ActionsPause->isChecked())
                        return QStringLiteral("after Run: ") + actionState();
                    if (!w->SolveThread || w->SolveThread->IsPaused())
                        return QStringLiteral("after Run: the new worker is missing or paused");
                }
                if (a == w->ActionsPause && w->RunActive()) {
                    if (w->SolveThread->IsPaused() != w->ActionsPause->isChecked())
                        return QStringLiteral("the worker's pause does not follow the button");
                    if (w->ActionsPause->isChecked()) ++pausedHeld;
                }
                if (a == w->ActionsStop && !idle()) return QStringLiteral("after Stop: ") + actionState();
                shortWait();
                if (pressed++ == closeAfter) {
                    QPointer<TSolveThread> worker = w->SolveThread;
                    w->close();
                    if (worker && worker->isRunning()) return QStringLiteral("a worker outlived the close");
                    w.reset();
                    if (worker) return QStringLiteral("a worker outlived its window");
                    ++closes;
                    newWindow();
                    return QStringLiteral("closed");
                }
                return QString();
            };

            const QDeadlineTimer guard(60000); // a hang guard, far above a cycle's normal length
            // Run, Pause, resume, Stop, Run, Pause: by role, since a close replaces the window.
            QAction* TFormMain::*const sequence[] = {&TFormMain::ActionsSolve, &TFormMain::ActionsPause,
                                                     &TFormMain::ActionsPause, &TFormMain::ActionsStop,
                                                     &TFormMain::ActionsSolve, &TFormMain::ActionsPause};
            QString problem;
            for (QAction* TFormMain::*role : sequence) {
                problem = step((*w).*role);
                if (!problem.isEmpty()) break;
            }
            if (problem == QLatin1String("closed")) problem.clear();
            QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("cycle %1: %2").arg(cycle).arg(problem)));

            // Let the run go on a little (paused or not), then stop it and wait for its worker.
            shortWait();
            press(w->ActionsStop);
            QVERIFY2(idle(),
                     qPrintable(QStringLiteral("cycle %1 after Stop: %2").arg(cycle).arg(actionState())));
            while (w->WorkerAlive() && !guard.hasExpired())
                QTest::qWait(1);
            QVERIFY2(!guard.hasExpired(), qPrintable(QStringLiteral("cycle %1 hangs").arg(cycle)));
            QCoreApplication::processEvents();
            QVERIFY2(idle(),
                     qPrintable(QStringLiteral("cycle %1 at the end: %2").arg(cycle).arg(actionState())));
            // The worker replaced by the second Run has been deleted.
            QTRY_VERIFY_WITH_TIMEOUT(!firstWorker || firstWorker == w->SolveThread, 10000);
        }
        QVERIFY(m_messages.isEmpty());
        qInfo("%d cycles, %d with the main window closed, %d presses of Pause that held a run", kCycles,
              closes, pausedHeld);
        QVERIFY(closes > 0);
    }
};

QTEST_MAIN(TestStress)
#include "tst_stress.moc"
