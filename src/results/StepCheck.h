#pragma once

#include "model/CastingData.h"
#include "model/ModelParams.h"

#include <cmath>
#include <string>

// Whether a time step and a grid can resolve the machine before anything is run: the slice must take
// enough steps in the mould for the mould's cooling to act step by step, and the cells must be thin
// enough to hold the shell formed in the mould.

namespace korvel {

// Least number of steps the slice must take between the meniscus and the mould exit.
constexpr double kMinMouldSteps = 20;
// Thickest cell (mm, the half size over the node count) that still resolves the shell at the mould exit,
// which is about 10 to 20 mm thick in billet casting.
constexpr double kMaxCellMm = 10;

struct StepCheck {
    double mouldSteps = INFINITY; // steps the slice takes in the mould, Lkrist / (Vlit / 60 * Dt)
    double maxDt = INFINITY;      // s, the longest step giving kMinMouldSteps, rounded down to 0.1 s
    double cellMm = 0;            // mm, the thicker of the two cells
    int nodesX = 0, nodesY = 0;   // nodes along X and Y that give cells of at most kMaxCellMm
    bool stepTooLong = false;
    bool gridTooCoarse = false;
    // Why and what to choose, in the program's language with decimal points; empty when both are fine.
    std::string message;
    bool Ok() const { return !stepTooLong && !gridTooCoarse; }
};

// Checks data that CheckRunInput accepts (positive sizes and speed, a positive step).
StepCheck CheckStep(const CastingData& d, const ModelParams& p);

} // namespace korvel
