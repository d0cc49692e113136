#pragma once

#include "model/RunInit.h"

namespace korvel::test_models {

// A model with the built-in defaults on an L × M grid, sized and initialised as a run starts.
inline Model Initialised(int L = 10, int M = 10) {
    Model m;
    m.params.L = L;
    m.params.M = M;
    SizeState(m);
    InitialiseRun(m);
    return m;
}

} // namespace korvel::test_models
