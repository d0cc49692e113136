#pragma once

#include "../Model.h"

namespace korvel {

// Forward elimination of the three-diagonal system in SysA, SysB, SysC, SysF (positions 1..n): fills
// SysAlfa and SysBeta for positions 2..n.
void ForwardEliminate(ModelState& s, int n);

// Builds and eliminates the heat system of the line held in the line arrays (positions 1..n, 1 on the
// surface, n on the plane of symmetry). LamSurf receives the conductivity of the surface node.
void SweepBuild(Model& m, int n, double& LamSurf, double hAlong, double hAcross, double Dt, double Alfa);

// Free-convection exchange between the solidification front and the liquid pool of width W, W/(m²·K).
// Part of the line system's design, but the front search never finds a front inside the line, so
// SweepBuild never applies it.
double PoolTransferCoefficient(const Model& m, double W, double T1, double T2);

} // namespace korvel
