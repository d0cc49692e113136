#pragma once

#include "../Model.h"

namespace korvel {

// Ferrostatic pressure PFerro from HDepth and the solid fractions.
void FerroPressure(Model& m);
// Refreshes PFerro and stops the node's flow where a hydrogen pore would open.
void GasPoreTest(Model& m, int i, int j);
// Interdendritic flow velocities FlowU, FlowV of every node; mode 2 for carbon, else sulphur.
void FlowField(Model& m, int mode);

} // namespace korvel
