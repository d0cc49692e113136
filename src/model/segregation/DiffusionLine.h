#pragma once

#include "../Model.h"

namespace korvel {

// Diffusion coefficients of the solutes in the liquid, m²/s.
constexpr double kDiffusionS = 1.94e-9;
constexpr double kDiffusionC = 3.28e-9;

// Build and eliminate the implicit diffusion system of the line in the line arrays (n nodes, spacing h).
void DiffusionSweepS(Model& m, int n, double h);
void DiffusionSweepC(Model& m, int n, double h);

} // namespace korvel
