#pragma once

#include "Model.h"

namespace korvel {

// Back substitution of the line system that a builder has just eliminated: u(1..n) into u.
// u may be any array with at least n + 1 entries.
void SolveLine(const ModelState& s, int n, double* u);

// Advances the slice by one time step Dt.
void TimeStep(Model& m);

} // namespace korvel
