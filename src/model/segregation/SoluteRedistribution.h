#pragma once

#include "../Model.h"

namespace korvel {

// Ratio of boundary-layer thickness to diffusion coefficient, s/m.
constexpr double kDeltaDS = 219600;
constexpr double kDeltaDC = 130000;

// Effective partition coefficient at growth velocity v (m/s), Burton–Prim–Slichter.
double EffectivePartition(double k0, double v, double dD);
// Growth velocity above which the solid takes the liquid's full concentration, m/s.
double SwitchVelocity(double k0, double dD);

// Redistributes one solute of node (i, j) between solid and liquid after the node's solid mass changed.
// Cs and Cl are the node's solid and liquid concentrations, overwritten with the new ones (or left
// unchanged when the case does not apply); Cm is the mean of the cell.
void RedistributeSolute(Model& m, int i, int j, double& Cs, double Cm, double& Cl, double k0, double dD);

} // namespace korvel
