#pragma once

#include "../Model.h"

namespace korvel {

// Ferrostatic pressure PFerro from HDepth and the solid fractions.
void FerroPressure(Model& m);
// Refreshes PFerro and stops the node's flow where a hydrogen pore would open.
void GasPoreTest(Model& m, int i, int j);
// Interdendritic flow velocities FlowU, FlowV of every node; mode 2 for carbon, else sulphur.
void FlowField(Model& m, int mode);

// Straightforward ferrostatic pressure: re-sums the solid fractions at every call. The flow field uses
// a fast equivalent that sums once per call of FlowField; this one is the reference for tests.
void FerroPressureReference(Model& m);

} // namespace korvel
