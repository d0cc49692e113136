#pragma once

#include "model/Model.h"
#include "results/DerivedResults.h"
#include "results/ResultsExport.h"

#include <string>
#include <vector>

namespace korvel {

// The first two members of every output: what kind of file it is and the version of its layout.
constexpr const char* kBatchJsonFormat = "korvel-batch";
constexpr int kBatchJsonVersion = 1;

// The batch runner's JSON: the final fields and scalars, the chart history and the derived results,
// numbers with 17 significant digits and a dot whatever the locale; a value that is not a finite
// number is written as null. `more` (further members, each preceded by a comma) goes before the
// closing brace.
std::string BatchJson(const Model& m, long long steps, const std::vector<ChartSample>& history,
                      const DerivedResults& r, const std::string& more = {});

} // namespace korvel
