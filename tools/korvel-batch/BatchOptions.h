#pragma once

#include "model/Model.h"
#include "results/QualityVerdict.h"

#include <string>
#include <vector>

namespace korvel {

// What the batch runner was asked to do.
struct BatchOptions {
    bool builtin = false; // start from the record's built-in defaults, not the data window's start values
    long long steps = -1; // at most this many steps (-1: until TauEnd)
    std::string json;     // write the final state and the history here
    std::string csvDir;   // write the CSV results here
    bool help = false;
    std::string caseFile; // start from this case file instead (then the overrides apply)
    std::string saveCase; // write the case of the run here instead of running it
    std::vector<std::pair<std::string, double>> overrides;
    QualityLimits limits; // the quality criteria's limits (--limit KEY=VALUE)
    // A parameter study instead of one run.
    std::vector<std::string> sweeps; // --sweep KEY=FROM:TO:STEP or KEY=v1,v2,..
    int jobs = 0;                    // --jobs N; 0: one thread per core
    int partK = 1, partN = 1;        // --part K/N
    std::string out;                 // --out FILE; empty: the standard output
    // The whole strand under a schedule instead of one run (--out is then a folder).
    std::string schedule;           // --schedule FILE.csv
    double launch = 10;             // --launch S
    double durationMin = 60;        // --duration MIN
    std::vector<double> pyrometers; // --pyrometers z1,z2,.. (m)
    bool strandOptionGiven = false; // --launch, --duration or --pyrometers given
    bool convergence = false;       // --convergence: the case on coarser and finer grids and half the step
};

// Parses the command line; on a bad argument returns false with a message in `error`.
bool ParseBatchArguments(const std::vector<std::string>& args, BatchOptions& o, std::string& error);

// The casting data and model parameters that a freshly started program would run with (or the case
// file's), then the overrides in either vocabulary. Returns false with a message when a key is unknown,
// a quantity is given twice or a value cannot be taken.
bool ApplyOverrides(const BatchOptions& o, Model& m, std::string& error);

} // namespace korvel
