#pragma once

#include "../Model.h"

namespace korvel {

// Move carbon (resp. sulphur) through the liquid of the non-coherent part of the section by the
// interdendritic flow; results into CLiqNew (resp. SLiqNew).
void TransportC(Model& m);
void TransportS(Model& m);

} // namespace korvel
