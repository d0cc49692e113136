#pragma once

// The batch runner's convergence check: the case from the command line's pieces, its runs on several
// threads, the table on the standard output and, when asked, its CSV in a file.

#include "ConvergenceCheck.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace korvel {

struct BatchConvergenceRequest {
    Case base;                                             // the case to check
    std::vector<std::pair<std::string, double>> overrides; // KEY=VALUE: case or model keys
    QualityLimits limits;
    int jobs = 0;    // threads; 0: one per core (never more than the runs)
    std::string out; // the CSV file; empty: none
};

// Runs the check and prints its table to `out`. Returns the exit code: 0 when every run was carried
// out, 4 when one was refused or became non-finite (the table says which), 2 on a bad request (nothing
// run), 1 when the CSV could not be written.
int RunBatchConvergence(const BatchConvergenceRequest& r, std::FILE* out, std::FILE* err);

} // namespace korvel
