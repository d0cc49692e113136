#pragma once

// The batch runner's spray design, spray table and calibration: the request from the command line,
// run, and its CSV or JSON written.

#include <cstdio>
#include <string>
#include <vector>

namespace korvel {

// Exit codes of a design or calibration.
constexpr int kDesignExitMet = 0;         // every speed's targets met; files written
constexpr int kDesignExitWriteFailed = 1; // the results could not be written
constexpr int kDesignExitBadRequest = 2;  // bad arguments or input files; nothing run
constexpr int kDesignExitRunFailed = 3;   // the calibration's runs gave no temperatures
constexpr int kDesignExitNotMet = 5;      // no practice meets the targets (at some speed); rows written

// Whether the arguments ask for a spray design (--design-sprays) or a calibration (--calibrate).
bool IsDesignRequest(const std::vector<std::string>& args);

// Runs the request. Messages go to `err`, the CSV to `out` when no --out is given.
int RunDesignBatch(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

// The help text of these modes.
const char* DesignBatchHelp();

} // namespace korvel
