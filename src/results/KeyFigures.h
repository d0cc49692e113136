#pragma once

#include "DerivedResults.h"
#include "model/Model.h"

#include <cmath>

// The handful of figures by which runs are compared side by side: in the comparison of a session's
// runs, in parameter studies and in the batch runner's study rows.

namespace korvel {

struct KeyFigures {
    bool completed = false;           // the run reached its process time
    double metallurgicalLength = NAN; // m from the meniscus; NaN when the centre did not solidify
    double mouldExitShell = NAN;      // mm, the thinner of the two mid-face shells; NaN before the exit
    double maxReheat = 0;             // K, the larger of the two mid-face reheatings
    double centreCarbonRatio = NAN;   // mean carbon of the centre cell / the melt's carbon
    double centreSulphurRatio = NAN;  // the same for sulphur
    double centreTemperature = 0;     // °C at the end
    double tau = 0;                   // s, the process time reached
    BoundaryModel boundary = BoundaryModel::Text; // the boundary model of the run
};

// The key figures of the state and derived results at the end of a run.
KeyFigures ComputeKeyFigures(const Model& m, const DerivedResults& r, bool completed);

} // namespace korvel
