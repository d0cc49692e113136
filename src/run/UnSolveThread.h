#pragma once

#include "model/Model.h"
#include "results/DerivedResults.h"
#include "results/KeyFigures.h"
#include "results/MachineProfile.h"
#include "results/QualityVerdict.h"
#include "results/ResultsExport.h"
#include "run/HandOverMailbox.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>
#include <atomic>
#include <vector>

class TFormSolve;
class TFormTempTau;
class TFormGraphS;
class TFormGraphC;
class TFormProfile;
class QTimer;

// The windows a run's display hand-overs fill; any of them may be absent.
struct RunWindows {
    TFormSolve* solve = nullptr;
    TFormTempTau* tempTau = nullptr;
    TFormGraphS* graphS = nullptr;
    TFormGraphC* graphC = nullptr;
    TFormProfile* profile = nullptr;
};

// One run of the model on a worker thread. It initialises the model, then advances it step by step
// until the process time reaches its end or a stop is requested, handing the state over to the window
// thread after every tenth step and once more at the end.
//
// A hand-over copies what the windows show and what the run has found so far (the profile along the
// machine, the key figures and the verdict, computed by the worker) into a HandOverMailbox, and the worker
// goes on at once: the window thread takes everything handed over when it is free, adds the points to
// the history and signals each hand-over (HandedOver), then draws the pictures from the latest copy at
// most once per frame of the screen and no more often than their drawing time allows. A window thread
// busy drawing never holds the model back. Only the final hand-over waits until the window thread has
// taken and drawn it; with WaitAtEveryHandOver every hand-over waits, so that a handler of HandedOver
// sees the model between two steps.
//
// The casting data the run reads are copied, under dataGuard, from the shared record at the start of
// every step, so an accept in the data window takes effect from the next step and a step never sees a
// mixture of old and new values. The billet size is kept from the start of the run: it acts only
// through the sizing of the state.
class TSolveThread : public QThread {
    Q_OBJECT

public:
    TSolveThread(korvel::Model& model, const korvel::CastingData& sharedData, QMutex& dataGuard,
                 const RunWindows& windows, QObject* parent = nullptr);
    ~TSolveThread() override;

    // Asks the run to end before its next step; also frees a paused worker.
    void RequestStop();
    bool StopRequested() const;
    // Pause holds the worker at the next step boundary until released.
    void SetPaused(bool paused);
    bool IsPaused() const;
    // From now on hand-overs return at once without touching the windows (used when the run is being
    // given up: at exit, or when a new run must wait for this one to end).
    void Abandon() { m_abandoned = true; }

    // Stops the worker and waits until it has ended, delivering any hand-over it is blocked in without
    // showing it. Must be called on the window thread.
    void StopAndWait();

    // After the end: whether the run stopped because the state stopped being finite, and why.
    bool Failed() const { return m_failed; }
    QString FailureMessage() const { return m_failureMessage; }
    int StepsDone() const { return m_steps; }

    // What the run has found. The worker writes these; the window thread reads them only inside a
    // hand-over or after the worker has ended.
    // Solid shell at the latest hand-over, mm.
    korvel::ShellThickness ShellNow() const { return m_shell; }
    // The temperatures at the six chart nodes at every hand-over after the first, as the temperature
    // chart gets them.
    const std::vector<korvel::ChartSample>& History() const { return m_history; }
    // Whether the run came to its end (reached its process time or was stopped) with a finite state;
    // then Results() holds the end-of-run figures.
    bool HasResults() const { return m_hasResults; }
    korvel::DerivedResults Results() const { return m_results; }
    // Whether the run reached its process time (as opposed to being stopped before).
    bool Completed() const { return m_completed; }

    // The profile along the machine recorded at every hand-over, the key figures and the quality verdict
    // as they stood at the latest one (read like the results above).
    const korvel::MachineProfile& Profile() const { return m_figures.profile; }
    korvel::KeyFigures KeyFiguresNow() const { return m_figures.key; }
    const std::vector<korvel::CriterionResult>& Verdict() const { return m_figures.verdict; }
    // The limits the verdict is judged by; set before the run starts (the worker judges by them).
    void SetQualityLimits(const korvel::QualityLimits& limits) { m_limits = limits; }

    // Every hand-over waits until the window thread has taken it (by default only the final one does): a
    // handler of HandedOver then sees the model itself between two steps, and a stop or an accept in
    // it takes effect from the next step. For tests and tools that inspect the run step by step.
    static bool WaitAtEveryHandOver;
    // The step every run carries out; tests may put a wrapper around the model's own.
    static void (*TimeStepFunction)(korvel::Model&);

    // The casting data of the latest hand-over taken by the window thread (the worker's own copy may
    // change meanwhile). Window thread only.
    const korvel::CastingData& DisplayData() const { return m_display.data; }
    // Pictures drawn from hand-overs so far (cross-section updates), for tests and measurements.
    int PicturesDrawn() const { return m_pictures; }

    // A whole hand-over of the model's present state carried out on the window thread, pictures
    // included, without a worker: for measurements.
    void HandOverHere(bool start, bool last);

    // A hand-over as the window thread takes it: ShowStart clears the chart, the history and the
    // surfaces for the new run; ShowStep adds the hand-over's point to the history and to the points
    // the chart takes when it is next drawn.
    void ShowStart(const HandOverRecord& r);
    void ShowStep(const HandOverRecord& r);

signals:
    // Emitted on the window thread for each hand-over, in order, once it has been taken.
    void HandedOver(bool start, double tau);
    // Emitted on the window thread when the cross-section window has been drawn with the state at
    // process time tau (s), so that other figures can show the same moment.
    void SliceShown(double tau);

protected:
    void run() override;

private:
    void syncData();
    bool stateFinite() const;
    HandOverRecord recordNow(bool start, bool last) const;
    void handOver(bool start, bool last);
    // Window thread: takes what has been handed over, then draws or schedules the pictures.
    void deliver();
    void drawPictures(bool final);
    void drawPending();

    korvel::Model& m_model;
    const korvel::CastingData& m_shared;
    QMutex& m_dataGuard;
    RunWindows m_windows;

    mutable QMutex m_mutex; // guards m_stop and m_paused
    QWaitCondition m_resume;
    bool m_stop = false;
    bool m_paused = false;

    std::atomic<bool> m_abandoned{false};
    std::atomic<int> m_steps{0};
    bool m_failed = false; // written by the worker, read after it has ended
    QString m_failureMessage;
    double m_halfX = 0, m_halfY = 0;

    korvel::ResultsTracker m_tracker; // worker only
    korvel::ShellThickness m_shell;
    std::vector<korvel::ChartSample> m_history;
    korvel::DerivedResults m_results;
    bool m_hasResults = false;
    bool m_completed = false;

    // Worker: records this hand-over's point on its profile and judges the state as it stands.
    const HandOverFigures& figuresNow();
    HandOverFigures m_work; // worker only
    korvel::QualityLimits m_limits;
    HandOverMailbox m_mailbox;
    // Window thread: the latest hand-over's fields, the records just taken and the drawing schedule.
    korvel::Model m_display;
    std::vector<HandOverRecord> m_records;
    HandOverFigures m_figures;   // of the latest hand-over taken
    bool m_profileStale = false; // the profile window has not yet shown m_figures
    double m_displayLmenisk = 0;
    std::vector<korvel::ChartSample> m_chartSamples; // points not yet on the temperature chart
    bool m_sliceStale = false;                       // the cross-section has not yet shown m_display
    bool m_layersStale = false;                      // the surfaces have not yet had m_display's layer
    QTimer* m_drawTimer = nullptr;
    QElapsedTimer m_sinceDrawn;
    qint64 m_drawGap = 0; // ms from one drawing of the pictures to the next
    QElapsedTimer m_sinceLayers;
    static constexpr qint64 kSurfaceGapMs = 500; // ms between two layers of the surfaces in a run
    int m_pictures = 0;
};
