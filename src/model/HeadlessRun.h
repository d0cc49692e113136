#pragma once

#include "DerivedResults.h"
#include "Model.h"

#include <functional>
#include <string>

namespace korvel {

// The values that would make the model's formulas undefined (a division by a zero size, speed or time
// step, a grid outside the arrays, a value that is not a number). Returns an empty string when the data
// can run, else a message in the program's language naming the field.
std::string CheckRunInput(const CastingData& d, const ModelParams& p);

// True while every node of the temperature and mean-concentration fields is a finite number.
bool StateIsFinite(const Model& m);

enum class RunEnd { Finished, Stopped, NotFinite };

struct RunOutcome {
    RunEnd end = RunEnd::Finished;
    long long steps = 0;
};

// A whole run without windows, as the background run does it: size the state, initialise, then step
// until Tau reaches TauEnd, maxSteps (if >= 0) steps have run or a field becomes non-finite.
// show(m, first) is called after the initialisation (first = true), after every tenth step and once
// at the end, never with a non-finite state.
// A tracker, when given, follows every step for the derived results.
RunOutcome RunHeadless(Model& m, const std::function<void(const Model&, bool first)>& show,
                       long long maxSteps = -1, ResultsTracker* tracker = nullptr);

} // namespace korvel
