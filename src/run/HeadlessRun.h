#pragma once

#include "model/Model.h"
#include "results/DerivedResults.h"

#include <functional>
#include <string>

namespace korvel {

// The values a run refuses: a value that is not a number, a value outside its physical range (see
// cases/FieldRanges.h: sizes, speed, chemistry, pouring temperature above the solidus, ...), or a
// distance or step count beyond any practical run. Returns an empty string when the data can run,
// else a message in the program's language naming the field, the value and its range.
std::string CheckRunInput(const CastingData& d, const ModelParams& p);

// The same for the boundary model and the physical model's inputs alone (used by CheckRunInput).
std::string CheckBoundaryInput(const ModelParams& p);

// True while every node of the temperature and mean-concentration fields is a finite number.
bool StateIsFinite(const Model& m);

// The temperatures a node of steel can have: from absolute zero up to the pouring temperature plus
// kMaxOverheat. A run that leaves this range has become numerically unstable.
constexpr double kAbsoluteZero = -273.15;
constexpr double kMaxOverheat = 500;

// The same for the boundary model and the physical model's inputs alone (used by CheckRunInput).
std::string CheckBoundaryInput(const ModelParams& p);

// True while every node temperature lies in the physical range (a finite number from absolute zero to
// T0 + kMaxOverheat). When it does not and where is given, *where receives the first node outside.
struct NodeIndex {
    int i = 0, j = 0;
};
bool TemperaturesPhysical(const Model& m, NodeIndex* where = nullptr);

// The message of a run that became numerically unstable at step `step` (1-based), the slice being
// z metres from the meniscus, with the advice that helps: a smaller time step than dt (`advisedDt`,
// by default half of dt) or a coarser grid.
std::string UnstableRunMessage(long long step, double z, double dt, double advisedDt = 0);

// The step advised after a run went unstable: half of dt rounded down to 0.1 s (a step the parameters
// dialog shows as it is), or half of dt when that is below 0.1 s.
double AdvisedStep(double dt);

enum class RunEnd {
    Finished,
    Stopped,
    NotFinite, // a field stopped being a number; the state is that of the step before
    Unstable   // a temperature left the physical range; the state is that of the step before
};

struct RunOutcome {
    RunEnd end = RunEnd::Finished;
    long long steps = 0; // steps carried out, the failed one included
};

// How many steps a run of the data will carry out at most (Tau grows by Dt from 0 until it reaches
// TauEnd), or -1 when the count is beyond any practical run.
long long PlannedSteps(const CastingData& d, const ModelParams& p);

// A whole run without windows, as the background run does it: size the state, initialise, then step
// until Tau reaches TauEnd, maxSteps (if >= 0) steps have run, a field becomes non-finite or a
// temperature leaves the physical range. show(m, first) is called after the initialisation
// (first = true), after every tenth step and once at the end, never with a failed state; after a
// failure the model holds the failed step's state and show is not called again.
// A tracker, when given, follows every step for the derived results.
RunOutcome RunHeadless(Model& m, const std::function<void(const Model&, bool first)>& show,
                       long long maxSteps = -1, ResultsTracker* tracker = nullptr);

} // namespace korvel
