#pragma once

#include "model/Model.h"
#include "results/DerivedResults.h"
#include "results/KeyFigures.h"
#include "results/MachineProfile.h"
#include "results/QualityVerdict.h"
#include "results/ResultsExport.h"

#include <mutex>
#include <vector>

// One hand-over of a run, as the window thread receives it: what it carries besides the fields.
struct HandOverRecord {
    bool start = false; // the hand-over right after the run's initialisation
    bool last = false;  // the run's final hand-over
    double tau = 0;     // process time, s
    double lmenisk = 0; // distance of the slice from the meniscus, m
    korvel::ChartSample sample{};
    korvel::ShellThickness shell{};
};

// What the run has found as it stood at a hand-over: the profile along the machine, the results, the
// key figures and the verdict on them.
struct HandOverFigures {
    korvel::MachineProfile profile;
    korvel::DerivedResults results;
    korvel::KeyFigures key;
    std::vector<korvel::CriterionResult> verdict;
};

// The way from the run's worker to the window thread. At a hand-over the worker copies what the
// windows show (process time, grid size, casting data, the temperature and mean sulphur and carbon
// fields) and records the hand-over, then goes on at once; the window thread takes everything handed
// over since it last looked: every record (the temperature chart and the history need each one) and
// the latest fields only (a picture of an older state would be overwritten at once anyway).
//
// The copies are made into buffers that the two sides swap, so that in a steady run a hand-over
// allocates nothing.
class HandOverMailbox {
public:
    // Worker: copies the display fields of `m` and records a hand-over. Returns true when the window
    // thread has to be told (it has taken everything before), false when a delivery is already on its
    // way and will pick this one up too.
    bool Post(const korvel::Model& m, const HandOverRecord& record);
    // The same, with the figures of this hand-over (the latest ones are kept, like the fields).
    bool Post(const korvel::Model& m, const HandOverRecord& record, const HandOverFigures& figures);

    // Window thread: moves the records handed over since the last Take into `records` (in order) and,
    // when fields newer than those in `display` were handed over, swaps them in and returns true.
    // `display` then holds Tau, the grid size, the casting data and Tem, SMean, CMean of the latest
    // hand-over.
    bool Take(std::vector<HandOverRecord>& records, korvel::Model& display);
    // The same; when figures newer than those in `figures` were handed over, swaps them in and sets
    // `freshFigures`.
    bool Take(std::vector<HandOverRecord>& records, korvel::Model& display, HandOverFigures& figures,
              bool& freshFigures);

private:
    bool postLocked(const korvel::Model& m, const HandOverRecord& record);
    bool takeLocked(std::vector<HandOverRecord>& records, korvel::Model& display);

    std::mutex m_mutex;
    std::vector<HandOverRecord> m_records;
    korvel::Model m_latest;
    HandOverFigures m_figures;
    bool m_fresh = false;        // m_latest holds fields not yet taken
    bool m_freshFigures = false; // m_figures holds figures not yet taken
    bool m_pending = false;      // the window thread has been told and not yet taken
};

// The display fields of a model (Tau, grid size, casting data, Tem, SMean, CMean) copied into `to`,
// reusing its buffers.
void CopyDisplayFields(const korvel::Model& from, korvel::Model& to);
