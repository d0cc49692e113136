#pragma once

// The strand's series as files: CSV (one file per series, a decimal point in every locale, an empty field
// where a value does not exist) and one JSON document. Qt-free: the batch runner and the program's window
// write the same bytes.

#include "Strand.h"

#include <string>
#include <vector>

namespace korvel {

struct StrandFile {
    std::string name; // file name without folder
    std::string text;
};

// What the strand ran with, for the files' headers.
struct StrandSetup {
    StrandOptions options; // launch, duration and limits as run
    double length = 0;     // m followed
    std::vector<double> pyrometers;
    double straightening = 0; // m
};

StrandSetup StrandSetupOf(const Model& base, const StrandOptions& o);

// crater.csv: t_min,Vlit,craterEnd_m; pyrometers.csv: t_min,z_m,surfaceX,surfaceY,corner;
// profile.csv: t_min,z_m,surfaceX,surfaceY,corner,centre,shellX_mm,shellY_mm;
// verdict.csv: t_min,criterion,value,limit,state; schedule.csv: the schedule itself.
std::vector<StrandFile> StrandCsv(const StrandSetup& setup, const Schedule& s,
                                  const std::vector<StrandMoment>& moments);

// {"format": "korvel-strand", "launch_s", "duration_min", "length_m", "pyrometers_m",
//  "craterEnd": [{"t": min, "z": m or null}, ..], "pyrometers": [{"z": m, "surfaceX": [..]}, ..],
//  "violations": {"straightening": [{"from": min, "to": min}, ..], ..}}
std::string StrandJson(const StrandSetup& setup, const std::vector<StrandMoment>& moments);

// The spans of casting time (minutes) in which each criterion is violated, moment by moment: a span runs
// from the first violated moment to the last one of a run of violated moments.
struct ViolationSpan {
    double from = 0, to = 0;
};
std::vector<ViolationSpan> ViolationSpans(const std::vector<StrandMoment>& moments, Criterion c);

} // namespace korvel
