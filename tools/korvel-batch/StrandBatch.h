#pragma once

#include "BatchOptions.h"
#include "model/Model.h"

#include <cstdio>

namespace korvel {

// The whole strand under the schedule of --schedule for the case of the base model: the summary on
// `out`, the series as CSV into the folder --out and as JSON into --json. Returns the exit code: 0 done,
// 1 a file not written, 2 bad schedule or options, 3 a slice became unstable.
int RunStrandBatch(const Model& base, const BatchOptions& o, std::FILE* out, std::FILE* err);

} // namespace korvel
