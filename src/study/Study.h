#pragma once

// Parameter studies: one base case and one or more inputs, each varied over a list of values; every
// combination is one run. The runs go on several threads, each on a model of its own built from its
// case exactly as a single run of that case is built, so every row of a study is, to the last bit,
// the result of the same case run alone. No Qt: the program's study window and the batch runner
// share this unit.

#include "cases/Case.h"
#include "results/KeyFigures.h"
#include "results/QualityVerdict.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// One varied input: a case field (in the data window's units) and the values it takes, in order.
struct StudyInput {
    const CaseField* field = nullptr;
    std::vector<double> values;
};

// The most values one input may take and the most runs a study may have.
constexpr std::size_t kMaxStudyValues = 10000;
constexpr std::size_t kMaxStudyRuns = 1000000;

// Reads "KEY=FROM:TO:STEP" (FROM, FROM+STEP, .. up to TO inclusive, each value rounded to the
// decimals of FROM and STEP, so 1.2:1.8:0.1 gives exactly 1.2, 1.3, .., 1.8) or "KEY=v1,v2,v3" (the
// values as listed). Numbers use a decimal point in every locale. On bad text returns false with a
// Russian message in `error` (without the option's name; the caller puts it in front).
bool ParseStudyInput(std::string_view text, StudyInput& out, std::string& error);

// Checks the values an input takes: L, M and SideFlag take whole numbers, SideFlag only 1 and -1.
// Empty when they can be used, else a Russian message starting with the key.
std::string CheckStudyInputValues(const StudyInput& in);

// The values a range gives (see ParseStudyInput); false with a message on a zero step, a step
// pointing away from TO, or too many values.
bool RangeValues(double from, double to, double step, std::vector<double>& values, std::string& error);

struct Study {
    Case base;                      // every input that is not varied
    std::vector<StudyInput> inputs; // the first varies slowest: runs are numbered row by row
    long long maxSteps = -1;        // at most this many steps per run (-1: until the process time)
    // When not empty, the runs are these combinations of the inputs' values (one value per input,
    // in the inputs' order), in this order, instead of every combination of every value.
    std::vector<std::vector<double>> combinations;
    // When set, every row also carries its run's quality verdict under these limits.
    std::optional<QualityLimits> judge;
};

// Checks that a study has at least one input, no input twice, and not too many runs. Empty when it
// can run, else a Russian message.
std::string CheckStudy(const Study& s);

// The number of runs: the product of the inputs' value counts (or the number of chosen combinations).
std::size_t StudyRunCount(const Study& s);

// The values of the varied inputs for run `index` (0-based): the last input varies fastest.
std::vector<double> StudyRunValues(const Study& s, std::size_t index);

// The case of run `index`: the base case with the varied inputs set.
Case StudyRunCase(const Study& s, std::size_t index);

// The runs [first, last) of part k of n (1 <= k <= n): n contiguous slices whose sizes differ by at
// most one and that together cover every run exactly once, in order.
struct StudySlice {
    std::size_t first = 0, last = 0;
};
StudySlice StudyPart(std::size_t runCount, int k, int n);

// Reads "K/N" (1 <= K <= N); false with a Russian message otherwise.
bool ParseStudyPart(std::string_view text, int& k, int& n, std::string& error);

// Unstable: a temperature left what steel can have, so the run was stopped (see RunEnd::Unstable).
enum class StudyRunStatus { Completed, Stopped, NotFinite, Refused, Unstable };

// One row of a study: which run, the varied inputs' values and what the run gave.
struct StudyRow {
    std::size_t index = 0;      // 0-based number of the run in the whole study
    std::vector<double> inputs; // values of the varied inputs
    StudyRunStatus status = StudyRunStatus::Completed;
    std::string message; // why the run was refused or failed; for a run done, the step check's warning
    bool warned = false; // the run was done with a step or grid that cannot resolve the machine
    long long steps = 0;
    KeyFigures figures;
    std::vector<CriterionResult> verdict; // when the study judges its runs
};

// One case, run as the batch runner runs it: the model built with ApplyCase, the input checked with
// CheckRunInput (a refused case is not run), then RunHeadless with a results tracker, and the key
// figures of the end. The row's index and inputs are left for the caller. A run whose step or grid
// cannot resolve the machine (CheckStep) is run, with the check's message in the row.
// progress, when given, gets the share of the run done (0 to 1) after the initialisation and after
// every tenth step; it only watches the run. With limits, the row also gets the verdict, judged on the
// profile along the machine recorded at the same moments as the program records it.
StudyRow RunStudyCase(const Case& c, long long maxSteps = -1,
                      const std::function<void(double share)>& progress = {},
                      const QualityLimits* judge = nullptr);

// Runs a slice of a study on several threads.
class StudyRunner {
public:
    // Called after each row, in the order of the runs, with the row, the rows done and the rows of
    // the slice. Called on one of the runner's threads, never on two at once.
    using RowCallback = std::function<void(const StudyRow& row, std::size_t done, std::size_t total)>;

    // Runs [slice.first, slice.last) of the study on `jobs` threads (at least one; never more than
    // there are runs).
    StudyRunner(Study study, StudySlice slice, int jobs);

    // Runs the slice; returns when every run is done or, after Cancel, when the runs already going
    // have ended (so within the time of one run). The rows done are kept either way.
    void Run(const RowCallback& onRow = {});

    // May be called from any thread, also from the row callback.
    void Cancel() { cancel_.store(true); }
    bool Cancelled() const { return cancel_.load(); }

    const Study& GetStudy() const { return study_; }
    StudySlice Slice() const { return slice_; }
    int Jobs() const { return jobs_; }
    // The rows done, in the order of the runs (after Run has returned, or from the row callback).
    const std::vector<StudyRow>& Rows() const { return rows_; }
    // How many runs have been started (none starts after Cancel).
    std::size_t RunsStarted() const { return started_.load(); }
    // The share of the slice done, counting the part done of the runs going (0 to 1); from any thread.
    double DoneShare() const;
    // Runs the study's threads at a lower scheduling priority, so that windows and a run of the
    // program's own stay quick while a study uses every core. Call before Run.
    void SetBackground(bool background) { background_ = background; }

private:
    void work(const RowCallback& onRow, int slot);

    Study study_;
    StudySlice slice_;
    int jobs_ = 1;
    bool background_ = false;
    std::atomic<bool> cancel_{false};
    std::atomic<std::size_t> started_{0};
    std::atomic<std::size_t> finished_{0};
    std::unique_ptr<std::atomic<double>[]> partial_; // share done of the run each thread is on
    std::mutex mutex_;
    std::size_t next_ = 0;          // next run to start, relative to the slice
    std::vector<StudyRow> pending_; // finished runs not yet delivered, by relative index
    std::vector<bool> ready_;
    std::vector<StudyRow> rows_; // delivered rows
};

// The CSV of a study: a header line, then one line per row: the run's number (1-based), the varied
// inputs, the status, the key figures, the steps and the message. Numbers are written with a decimal
// point in every locale, with as many digits as the value needs to be read back exactly; a figure that
// does not exist (the centre still liquid, a refused run) is an empty field.
std::string StudyCsvHeader(const Study& s);
std::string StudyCsvLine(const StudyRow& row);
std::string StudyCsv(const Study& s, const std::vector<StudyRow>& rows, bool header = true);

// The figures of a row by name, for tables and charts: the key figures' columns of the CSV.
struct StudyFigure {
    const char* key;     // CSV column
    const char* caption; // Russian caption with the unit
    double (*get)(const KeyFigures&);
};
const std::vector<StudyFigure>& StudyFigures();

// The status's word in the CSV ("completed", "stopped", "not-finite", "refused").
const char* StudyStatusName(StudyRunStatus s);

} // namespace korvel
