#pragma once

#include "Model.h"

namespace korvel {

// Puts a freshly sized state into the condition of liquid steel just poured at the meniscus.
void InitialiseRun(Model& m);

} // namespace korvel
