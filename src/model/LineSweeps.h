#pragma once

#include "Model.h"

// The line sweeps of a time step over the whole section. Each line is built and solved exactly as the
// one-line builders (SweepBuild, DiffusionSweepS/C) and SolveLine do it, with the same arithmetic in
// the same order; the lines are only taken kLineBlock at a time, side by side, so that the divisions
// of one line's elimination do not wait for each other. Used only inside a time step (the caches
// must be active).

namespace korvel {

// Heat along X: every column j, positions i = 1..L, with AlfaX[j]; LamX[j] receives the surface
// conductivity. Tem receives the solution.
void HeatSweepsAlongX(Model& m);
// Heat along Y: every row i, positions j = 1..M, with AlfaY[i] and LamY[i].
void HeatSweepsAlongY(Model& m);

// Marks the nodes that diffuse in this step (Tsol of the mean composition below the temperature).
void MarkDiffusingNodes(Model& m);
// Diffusion of sulphur, then carbon, in the liquid along X (every column), resp. along Y (every row).
void DiffusionSweepsAlongX(Model& m);
void DiffusionSweepsAlongY(Model& m);

} // namespace korvel
