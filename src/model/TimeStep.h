#pragma once

#include "Model.h"

namespace korvel {

// Back substitution of the line system that a builder has just eliminated. The unknowns come out from
// the plane of symmetry (n) to the surface (1); put(k, u) receives each as soon as it is known.
template <class Put> void SolveLine(const ModelState& s, int n, Put&& put) {
    double u = (s.SysF[n] - s.SysA[n] * s.SysBeta[n]) / (s.SysA[n] * s.SysAlfa[n] + s.SysB[n]);
    put(n, u);
    for (int k = n - 1; k >= 1; --k) {
        u = s.SysAlfa[k + 1] * u + s.SysBeta[k + 1];
        put(k, u);
    }
}

// Mass balance of one solute: when the means do not add up to L · M times the nominal content, the
// difference is spread over the liquid nodes above the liquidus of their mean composition.
void BalanceSolute(Model& m, const NodeField& mean, NodeField& liq, double nominal);

// Cell means of sulphur and carbon from the liquid and solid concentrations and the solid mass.
void UpdateCellMeans(Model& m);

// Advances the slice by one time step Dt.
void TimeStep(Model& m);

} // namespace korvel
