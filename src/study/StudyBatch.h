#pragma once

// The batch runner's parameter study: the study from the command line's pieces, run on several
// threads, its CSV on the standard output or in a file.

#include "Study.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace korvel {

struct BatchStudyRequest {
    Case base;                                             // the case every run starts from
    std::vector<std::pair<std::string, double>> overrides; // KEY=VALUE: case fields, window units
    std::vector<std::string> sweeps;                       // KEY=FROM:TO:STEP or KEY=v1,v2,..
    long long maxSteps = -1;
    int jobs = 0;  // threads; 0: one per core
    int partK = 1; // run only part partK of partN
    int partN = 1;
    std::string out; // the CSV file; empty: the standard output
};

// Builds the study: the overrides applied to the base case (as case fields in the data window's
// units), then the varied inputs. False with a Russian message naming the option on a bad piece.
bool BuildBatchStudy(const BatchStudyRequest& r, Study& study, std::string& error);

// Runs the request's slice and writes its CSV. Messages go to `err`. Returns the exit code: 0 when
// every run was carried out, 4 when some were refused or became non-finite (their rows say why),
// 2 on a bad request (nothing run), 1 when the CSV could not be written.
int RunBatchStudy(const BatchStudyRequest& r, std::FILE* out, std::FILE* err);

} // namespace korvel
