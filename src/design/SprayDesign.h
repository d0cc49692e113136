#pragma once

// Spray design: the water flows Q1..Q4 of the four spray sections that meet every target with the
// least total water, found by a derivative-free optimiser with constraints (NLopt's COBYLA) whose every
// evaluation is an ordinary run of the model; and the spray table, the same over a range of casting
// speeds, the speeds on several threads. No Qt: the program's window and the batch runner share it.

#include "cases/Case.h"
#include "results/DerivedResults.h"
#include "results/KeyFigures.h"
#include "results/MachineProfile.h"
#include "results/QualityVerdict.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// The farthest point from the meniscus a target may look at, m (the runs go that far).
constexpr double kMaxTargetDistance = 200;

// The default range of every section's flow, m³/h.
constexpr double kDefaultFlowLow = 0;
constexpr double kDefaultFlowHigh = 8;

// A surface-temperature band: at distance z from the meniscus both mid-face surfaces lie in [low, high].
struct SurfaceBand {
    double z = 0;    // m from the meniscus
    double low = 0;  // °C
    double high = 0; // °C
};

struct SprayTargets {
    QualityLimits limits;           // the verdict's criteria with their limits
    std::vector<SurfaceBand> bands; // optional surface bands
};

struct FlowBounds {
    std::array<double, 4> low{kDefaultFlowLow, kDefaultFlowLow, kDefaultFlowLow, kDefaultFlowLow};
    std::array<double, 4> high{kDefaultFlowHigh, kDefaultFlowHigh, kDefaultFlowHigh, kDefaultFlowHigh};
};

struct SprayDesignSettings {
    SprayTargets targets;
    FlowBounds bounds;
    int maxRuns = 60;            // runs of the model at most, the sampling and the final check included
    int jobs = 1;                // threads for the runs that can go at once
    double flowTolerance = 0.02; // m³/h: the optimiser stops when no flow moves by more
};

// Reads "KEY=VALUE" of a target: a criterion's limit (the keys of SetQualityLimit), "surface=Z:LOW:HIGH"
// (a band at Z m) or "sectionEnds=LOW:HIGH" (a band at the end of every spray section of `c`). False
// with a Russian message naming the key.
bool ParseSprayTarget(std::string_view text, const Case& c, SprayTargets& targets, std::string& error);

// Reads "Qk=LOW:HIGH" (k = 1..4). False with a Russian message.
bool ParseFlowBound(std::string_view text, FlowBounds& bounds, std::string& error);

// Empty when the bounds and targets can be used, else why not (Russian, naming the value).

std::string CheckSprayDesign(const SprayDesignSettings& s);

// One target held against one run.
struct TargetResult {
    std::string key;     // "reheating", "surface@1.40", ...
    std::string caption; // Russian, for tables
    double value = 0;    // what the run gave (NaN when it gave nothing)
    double margin = 0;   // how far inside the target, in its unit (negative: violated)
    double scale = 1;    // the margin's unit for the optimiser (10 K, 1 mm, 0.1 m, 0.01)
    bool met = false;
};

// One run of a practice.
struct PracticeRun {
    std::array<double, 4> flows{};
    bool ran = false; // false: the case was refused or became non-finite (message says why)
    std::string message;
    KeyFigures figures;
    MachineProfile profile;               // along the machine, at every tenth step
    DerivedResults results;               // at the end
    std::vector<CriterionResult> verdict; // under the targets' limits
    std::vector<TargetResult> targets;
    double violation = 0; // sum of the scaled violations (0: every target met)
    bool Met() const { return ran && violation == 0; }
    double TotalWater() const { return flows[0] + flows[1] + flows[2] + flows[3]; }
};

// The case a practice is run with: the base case with the flows set and the process time lengthened,
// when needed, so that the slice passes every point a target looks at.
Case PracticeCase(const Case& base, const std::array<double, 4>& flows, const SprayTargets& targets);

// Runs a practice and holds it against the targets.
PracticeRun RunPractice(const Case& base, const std::array<double, 4>& flows, const SprayTargets& targets);

enum class DesignStatus { Met, NotMet, Refused, Cancelled };

struct SprayDesignResult {
    DesignStatus status = DesignStatus::NotMet;
    PracticeRun best;      // the practice found (every target met) or the closest one
    Case bestCase;         // the case of that practice, as run
    int runs = 0;          // runs of the model made
    std::string message;   // Russian: the unmet targets named, or why nothing was run
    std::string algorithm; // the optimiser used
};

// Progress of a design: runs done and the best practice so far (after every run, from the thread that
// made it; never two calls at once).
using DesignProgress = std::function<void(int runs, const PracticeRun& best)>;

// Designs the flows for the case at its casting speed. `cancel`, when set, stops it after the runs
// going; the best practice so far is kept (status Cancelled unless it already meets every target).
SprayDesignResult DesignSprays(const Case& base, const SprayDesignSettings& s,
                               const std::atomic<bool>* cancel = nullptr,
                               const DesignProgress& progress = {});

// One row of a spray table.
struct SprayTableRow {
    std::size_t index = 0; // 0-based number of the speed in the whole table
    double vlit = 0;
    SprayDesignResult design;
};

// The case of one speed: the base with Vlit set and the base flows scaled by the speed's ratio to
// the base speed (within the bounds), the start of that speed's design.
Case SpeedCase(const Case& base, double vlit, const FlowBounds& bounds);

// Designs the speeds [first, last) of `speeds` on `jobs` threads; every speed alone on one thread, so
// a row does not depend on the threads nor on the part. onRow gets the rows in the order of the speeds.
std::vector<SprayTableRow> DesignSprayTable(const Case& base, const std::vector<double>& speeds,
                                            std::size_t first, std::size_t last, const SprayDesignSettings& s,
                                            int jobs, const std::atomic<bool>* cancel = nullptr,
                                            const std::function<void(const SprayTableRow&)>& onRow = {});

// The CSV of a design or a table: Vlit, Q1..Q4, totalWater, the key figures, status (met / not met),
// message. Numbers with a decimal point, as many digits as read back exactly.
std::string SprayCsvHeader();
std::string SprayCsvLine(const SprayTableRow& row);
// Writes the CSV of the rows (header included) through an atomic write; empty, else why not.
std::string WriteSprayCsv(const std::string& path, const std::vector<SprayTableRow>& rows);

// "met", "not met", "refused", "cancelled" and their Russian captions.
const char* DesignStatusKey(DesignStatus s);
const char* DesignStatusCaption(DesignStatus s);

} // namespace korvel
