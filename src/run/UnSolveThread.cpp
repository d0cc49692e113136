#include "UnSolveThread.h"

#include "model/RunInit.h"
#include "model/TimeStep.h"
#include "run/HeadlessRun.h"
#include "ui/Un3DGraphC.h"
#include "ui/Un3DGraphS.h"
#include "ui/UnProfile.h"
#include "ui/UnSolve.h"
#include "ui/UnTemTau.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QMutexLocker>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>

void (*TSolveThread::TimeStepFunction)(korvel::Model&) = &korvel::TimeStep;

TSolveThread::TSolveThread(korvel::Model& model, const korvel::CastingData& sharedData, QMutex& dataGuard,
                           const RunWindows& windows, QObject* parent)
    : QThread(parent), m_model(model), m_shared(sharedData), m_dataGuard(dataGuard), m_windows(windows) {
    m_halfX = model.data.HalfX;
    m_halfY = model.data.HalfY;
    m_drawTimer = new QTimer(this);
    m_drawTimer->setSingleShot(true);
    connect(m_drawTimer, &QTimer::timeout, this, [this] { drawPictures(false); });
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

HandOverRecord TSolveThread::recordNow(bool start, bool last) const {
    HandOverRecord r;
    r.start = start;
    r.last = last;
    r.tau = m_model.state.Tau;
    r.lmenisk = start ? 0 : m_model.data.Vlit * m_model.state.Tau / 60;
    r.sample = korvel::SampleChartNodes(m_model);
    r.shell = korvel::ShellAt(m_model, true);
    return r;
}

bool TSolveThread::WaitAtEveryHandOver = false;

const HandOverFigures& TSolveThread::figuresNow() {
    // The profile takes this hand-over's point and the surface extremes of the steps since the last one.
    m_tracker.RecordProfile(m_work.profile, m_model);
    m_work.results = m_hasResults ? m_results : m_tracker.Results(m_model);
    m_work.key = korvel::ComputeKeyFigures(m_model, m_work.results, m_completed);
    m_work.verdict = korvel::JudgeQuality(m_work.key, m_work.profile, m_model.data, m_limits);
    return m_work;
}

void TSolveThread::handOver(bool start, bool last) {
    if (m_abandoned) return;
    const bool tell = m_mailbox.Post(m_model, recordNow(start, last), figuresNow());
    if (last || WaitAtEveryHandOver) {
        // The final state is taken and drawn before the worker goes on to end.
        QMetaObject::invokeMethod(
            this, [this] { deliver(); }, Qt::BlockingQueuedConnection);
    } else if (tell) {
        // The worker goes on at once; the window thread takes this and whatever follows when it is free.
        QMetaObject::invokeMethod(
            this, [this] { deliver(); }, Qt::QueuedConnection);
    }
}

void TSolveThread::HandOverHere(bool start, bool last) {
    if (start) m_work = {};
    m_mailbox.Post(m_model, recordNow(start, last), figuresNow());
    deliver();
    drawPending();
}

namespace {
// The shortest time between two pictures: one frame of the screen.
int FrameMilliseconds() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double rate = screen ? screen->refreshRate() : 0;
    return rate >= 1 ? std::clamp(static_cast<int>(std::ceil(1000 / rate)), 1, 100) : 16;
}
} // namespace

void TSolveThread::deliver() {
    bool freshFigures = false;
    const bool fresh = m_mailbox.Take(m_records, m_display, m_figures, freshFigures);
    if (m_abandoned) return;
    bool last = false;
    for (const HandOverRecord& r : m_records) {
        if (r.start)
            ShowStart(r);
        else
            ShowStep(r);
        m_displayLmenisk = r.lmenisk;
        last = last || r.last;
        m_sliceStale = true;
        m_layersStale = m_layersStale || !r.start;
    }
    if (freshFigures) m_profileStale = true;
    for (const HandOverRecord& r : m_records)
        emit HandedOver(r.start, r.tau);
    if (!fresh && !m_sliceStale && !m_profileStale && m_chartSamples.empty()) return;
    if (last) {
        // The final state is drawn before the worker goes on to end.
        m_drawTimer->stop();
        drawPictures(true);
        return;
    }
    // Otherwise the pictures are drawn after the worker has gone on, when their time comes.
    if (!m_drawTimer->isActive()) {
        const qint64 since = m_sinceDrawn.isValid() ? m_sinceDrawn.elapsed() : m_drawGap;
        m_drawTimer->start(static_cast<int>(std::max<qint64>(0, m_drawGap - since)));
    }
}

void TSolveThread::drawPictures(bool final) {
    if (m_abandoned || (!m_sliceStale && !m_layersStale && !m_profileStale && m_chartSamples.empty())) return;
    QElapsedTimer took;
    took.start();
    if (m_windows.tempTau) {
        // The chart takes the points of every hand-over since it was last drawn, and is drawn once.
        m_windows.tempTau->AppendSamples(m_chartSamples);
        if (!m_chartSamples.empty()) m_windows.tempTau->repaint();
    }
    m_chartSamples.clear();
    const bool slice = m_sliceStale;
    if (m_sliceStale && m_windows.solve) m_windows.solve->ShowSlice(m_display, m_displayLmenisk);
    m_sliceStale = false;
    if (slice) emit SliceShown(m_display.state.Tau);
    if (m_profileStale && m_windows.profile) {
        m_windows.profile->ShowProfile(m_figures.profile, m_figures.results, m_figures.verdict);
        // Drawn now rather than at the next paint, so that its cost counts in the gap before the next
        // pictures: the chart along the machine is the dearest of them.
        m_windows.profile->repaint();
    }
    m_profileStale = false;
    ++m_pictures;
    // The next chart and cross-section no sooner than one frame of the screen, nor than three times
    // as long as these took: the window thread stays free for the user and the next hand-over.
    m_drawGap = std::max<qint64>(FrameMilliseconds(), 4 * took.elapsed());
    m_sinceDrawn.start();

    // The 3-D surfaces render on the window thread after this, in software under a virtual display,
    // and cost far more than the rest: during a run they take a new layer at most every
    // kSurfaceGapMs; the final state at once.
    if (m_layersStale) {
        const qint64 sinceLayers = m_sinceLayers.isValid() ? m_sinceLayers.elapsed() : kSurfaceGapMs;
        if (final || sinceLayers >= kSurfaceGapMs) {
            if (m_windows.graphS) m_windows.graphS->AddLayer(m_display);
            if (m_windows.graphC) m_windows.graphC->AddLayer(m_display);
            m_layersStale = false;
            m_sinceLayers.start();
        } else if (!m_drawTimer->isActive()) {
            m_drawTimer->start(static_cast<int>(std::max<qint64>(m_drawGap, kSurfaceGapMs - sinceLayers)));
        }
    }
}

void TSolveThread::drawPending() {
    if (m_drawTimer->isActive()) {
        m_drawTimer->stop();
        drawPictures(true);
    }
}

void TSolveThread::run() {
    syncData();
    korvel::InitialiseRun(m_model);
    m_tracker.Start(m_model);
    handOver(true, false);

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
            // The windows keep the last finite display: draw it if it is still waiting.
            if (!m_abandoned)
                QMetaObject::invokeMethod(
                    this, [this] { drawPending(); }, Qt::BlockingQueuedConnection);
            return;
        }
        if (!korvel::TemperaturesPhysical(m_model)) {
            m_failed = true;
            // Half the step, as the parameters dialog can take it (one decimal).
            const double dt = m_model.params.Dt;
            m_failureMessage = QString::fromStdString(korvel::UnstableRunMessage(
                                   m_steps.load(), m_model.Z(), dt, korvel::AdvisedStep(dt))) +
                               QStringLiteral(" Окна показывают последнее устойчивое состояние.");
            // The windows keep the last sound display: draw it if it is still waiting.
            if (!m_abandoned)
                QMetaObject::invokeMethod(
                    this, [this] { drawPending(); }, Qt::BlockingQueuedConnection);
            return;
        }
        if (counter == 10) {
            handOver(false, false);
            counter = 0;
        }
    }
    m_completed = m_model.state.Tau >= m_model.data.TauEnd;
    m_results = m_tracker.Results(m_model);
    m_hasResults = true;
    handOver(false, true);
}

void TSolveThread::ShowStart(const HandOverRecord& r) {
    m_history.clear();
    m_shell = r.shell;
    m_layersStale = false;
    m_chartSamples.clear();
    if (m_windows.tempTau) m_windows.tempTau->ClearSeries();
    if (m_windows.graphS) m_windows.graphS->StartSurface(m_display.params.L, m_display.params.M);
    if (m_windows.graphC) m_windows.graphC->StartSurface(m_display.params.L, m_display.params.M);
    if (m_windows.profile)
        m_windows.profile->Start(korvel::ZonesOf(m_model.data), m_model.data.Vlit * m_model.data.TauEnd / 60,
                                 std::max(m_model.data.HalfX, m_model.data.HalfY),
                                 korvel::StraighteningPoint(m_model.data, m_limits));
}

void TSolveThread::ShowStep(const HandOverRecord& r) {
    m_history.push_back(r.sample);
    m_shell = r.shell;
    m_chartSamples.push_back(r.sample);
}
