#include "UnSolveThread.h"

#include "model/HeadlessRun.h"
#include "model/RunInit.h"
#include "model/TimeStep.h"
#include "ui/Un3DGraphC.h"
#include "ui/Un3DGraphS.h"
#include "ui/UnProfile.h"
#include "ui/UnSolve.h"
#include "ui/UnTemTau.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMutexLocker>
#include <algorithm>
#include <cmath>

void (*TSolveThread::TimeStepFunction)(korvel::Model&) = &korvel::TimeStep;

TSolveThread::TSolveThread(korvel::Model& model, const korvel::CastingData& sharedData, QMutex& dataGuard,
                           const RunWindows& windows, QObject* parent)
    : QThread(parent), m_model(model), m_shared(sharedData), m_dataGuard(dataGuard), m_windows(windows) {
    m_halfX = model.data.HalfX;
    m_halfY = model.data.HalfY;
}

TSolveThread::~TSolveThread() {
    if (isRunning()) StopAndWait();
}

void TSolveThread::RequestStop() {
    QMutexLocker lock(&m_mutex);
    m_stop = true;
    m_resume.wakeAll();
}

bool TSolveThread::StopRequested() const {
    QMutexLocker lock(&m_mutex);
    return m_stop;
}

void TSolveThread::SetPaused(bool paused) {
    QMutexLocker lock(&m_mutex);
    m_paused = paused;
    if (!paused) m_resume.wakeAll();
}

bool TSolveThread::IsPaused() const {
    QMutexLocker lock(&m_mutex);
    return m_paused;
}

void TSolveThread::StopAndWait() {
    Abandon();
    RequestStop();
    // A plain wait() could deadlock: the worker may be blocked in a hand-over queued to this thread.
    while (!wait(QDeadlineTimer(10)))
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void TSolveThread::syncData() {
    QMutexLocker lock(&m_dataGuard);
    m_model.data = m_shared;
    m_model.data.HalfX = m_halfX;
    m_model.data.HalfY = m_halfY;
}

bool TSolveThread::stateFinite() const {
    const korvel::ModelState& s = m_model.state;
    const int L = m_model.params.L;
    const int M = m_model.params.M;
    for (int i = 1; i <= L; ++i) {
        const double* t = s.Tem[i];
        const double* c = s.CMean[i];
        const double* sm = s.SMean[i];
        for (int j = 1; j <= M; ++j)
            if (!std::isfinite(t[j]) || !std::isfinite(c[j]) || !std::isfinite(sm[j])) return false;
    }
    return std::isfinite(s.Tau);
}

void TSolveThread::handOver(bool start) {
    if (m_abandoned) return;
    QMetaObject::invokeMethod(
        this,
        [this, start] {
            if (start)
                ShowStart();
            else
                ShowStep();
        },
        Qt::BlockingQueuedConnection);
}

void TSolveThread::run() {
    syncData();
    korvel::InitialiseRun(m_model);
    m_tracker.Start(m_model);
    handOver(true);

    int counter = 0;
    for (;;) {
        {
            QMutexLocker lock(&m_mutex);
            while (m_paused && !m_stop)
                m_resume.wait(&m_mutex);
        }
        syncData();
        if (m_model.state.Tau >= m_model.data.TauEnd || StopRequested()) break;
        ++counter;
        TimeStepFunction(m_model);
        ++m_steps;
        m_tracker.Step(m_model);
        if (!stateFinite()) {
            m_failed = true;
            m_failureMessage =
                QStringLiteral("Расчет остановлен на шаге %1 (время процесса %2 с): температура или "
                               "содержание элементов в слитке перестали быть конечными числами. "
                               "Окна показывают последнее допустимое состояние. Проверьте исходные "
                               "данные и расчетные параметры модели.")
                    .arg(m_steps.load())
                    .arg(m_model.state.Tau, 0, 'f', 1);
            return; // the windows keep the last finite display
        }
        if (!korvel::TemperaturesPhysical(m_model)) {
            m_failed = true;
            // Half the step, as the parameters dialog can take it (one decimal).
            const double dt = m_model.params.Dt;
            const double half = std::floor(dt / 2 * 10) / 10 > 0 ? std::floor(dt / 2 * 10) / 10 : dt / 2;
            m_failureMessage =
                QString::fromStdString(korvel::UnstableRunMessage(m_steps.load(), m_model.Z(), dt, half)) +
                QStringLiteral(" Окна показывают последнее устойчивое состояние.");
            return; // the windows keep the last sound display
        }
        if (counter == 10) {
            handOver(false);
            counter = 0;
        }
    }
    m_completed = m_model.state.Tau >= m_model.data.TauEnd;
    m_results = m_tracker.Results(m_model);
    m_hasResults = true;
    handOver(false);
}

void TSolveThread::ShowStart() {
    if (m_abandoned) return;
    m_history.clear();
    m_shell = korvel::ShellAt(m_model, true);
    if (m_windows.solve) m_windows.solve->ShowSlice(m_model, 0);
    if (m_windows.tempTau) m_windows.tempTau->ClearSeries();
    if (m_windows.graphS) m_windows.graphS->StartSurface(m_model.params.L, m_model.params.M);
    if (m_windows.graphC) m_windows.graphC->StartSurface(m_model.params.L, m_model.params.M);
    m_profile = {};
    if (m_windows.profile)
        m_windows.profile->Start(korvel::ZonesOf(m_model.data), m_model.data.Vlit * m_model.data.TauEnd / 60,
                                 std::max(m_model.data.HalfX, m_model.data.HalfY),
                                 korvel::StraighteningPoint(m_model.data, m_limits));
    recordProfile();
    emit HandedOver(true, m_model.state.Tau);
}

void TSolveThread::ShowStep() {
    if (m_abandoned) return;
    if (m_windows.solve) m_windows.solve->ShowSlice(m_model, m_model.data.Vlit * m_model.state.Tau / 60);
    m_history.push_back(korvel::SampleChartNodes(m_model));
    m_shell = korvel::ShellAt(m_model, true);
    if (m_windows.tempTau) m_windows.tempTau->AppendPoints(m_model);
    if (m_windows.graphS) m_windows.graphS->AddLayer(m_model);
    if (m_windows.graphC) m_windows.graphC->AddLayer(m_model);
    recordProfile();
    emit HandedOver(false, m_model.state.Tau);
}

void TSolveThread::recordProfile() {
    // The worker waits in the hand-over, so its tracker can be read here.
    korvel::RecordProfile(m_profile, m_model);
    const korvel::DerivedResults r = m_hasResults ? m_results : m_tracker.Results(m_model);
    m_key = korvel::ComputeKeyFigures(m_model, r, m_completed);
    m_verdict = korvel::JudgeQuality(m_key, m_profile, m_model.data, m_limits);
    if (m_windows.profile) m_windows.profile->ShowProfile(m_profile, r, m_verdict);
}
