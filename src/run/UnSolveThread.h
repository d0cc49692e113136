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
// A hand-over copies what the windows show (HandOverMailbox) and waits only until the window thread
// has taken the copy: it adds the point to the history and signals the
// hand-over (HandedOver) while the worker waits, so a handler of that signal still sees the state
// between two steps. The pictures (cross-section, temperature chart, sulphur and carbon surfaces) are
// drawn afterwards
// from the copy of the latest hand-over while the worker steps on: at most once per frame of the
// screen and no more often than their drawing time allows, so a window thread busy drawing holds the
// model back as little as possible; the final hand-over is drawn before the worker ends.
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
    const korvel::MachineProfile& Profile() const { return m_profile; }
    korvel::KeyFigures KeyFiguresNow() const { return m_key; }
    const std::vector<korvel::CriterionResult>& Verdict() const { return m_verdict; }
    // The limits the verdict is judged by; window thread only (the hand-overs read them there).
    void SetQualityLimits(const korvel::QualityLimits& limits) { m_limits = limits; }

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

    void recordProfile(); // window thread, inside a hand-over (the worker waits)
    korvel::MachineProfile m_profile;
    korvel::DerivedResults m_profileResults; // the results as they stood at the latest hand-over
    bool m_profileStale = false;             // the profile window has not yet shown m_profile
    korvel::KeyFigures m_key;
    korvel::QualityLimits m_limits;
    std::vector<korvel::CriterionResult> m_verdict;
    HandOverMailbox m_mailbox;
    // Window thread: the latest hand-over's fields, the records just taken and the drawing schedule.
    korvel::Model m_display;
    std::vector<HandOverRecord> m_records;
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
