#pragma once

#include "results/DerivedResults.h"
#include "model/Model.h"
#include "results/ResultsExport.h"

#include <string>
#include <vector>

namespace korvel {

// The batch runner's JSON: the final fields and scalars, the chart history and the derived results,
// numbers with 17 significant digits and a dot whatever the locale; a value that is not a finite
// number is written as null. `more` (further members, each preceded by a comma) goes before the
// closing brace.
std::string BatchJson(const Model& m, long long steps, const std::vector<ChartSample>& history,
                      const DerivedResults& r, const std::string& more = {});

} // namespace korvel
