#pragma once

#include "MachineProfile.h"
#include "QualityVerdict.h"
#include "ResultsExport.h"
#include "StepCheck.h"

#include <string>
#include <vector>

// The profile along the machine and the quality verdict in files: the batch runner's JSON and CSV
// tables. Numbers are written the same in every locale (decimal point, shortest exact digits).

namespace korvel {

// The members `"profile"` (one object per hand-over) and `"verdict"` (one object per criterion) of a
// JSON object, each preceded by a comma and a line break, to follow the object's other members. With a
// step check, a member `"warning"` follows: its message, or null when the step and grid are sound.
std::string ProfileVerdictJson(const MachineProfile& profile, const std::vector<CriterionResult>& verdict,
                               const StepCheck* check = nullptr);

// The file names that WriteProfileCsv writes.
std::vector<std::string> ProfileCsvFiles();

// The texts of profile.csv and verdict.csv, in the order of ProfileCsvFiles(). A step check that found
// the step too long or the grid too coarse adds the rows `mouldSteps` (steps in the mould, at least 20)
// and `cellSize` (mm, at most 10) to the verdict, in the state `warning`.
std::vector<CsvFile> ProfileCsv(const MachineProfile& profile, const std::vector<CriterionResult>& verdict,
                                const StepCheck* check = nullptr);

// Writes ProfileCsv() into dir, both files or neither.
// Returns an empty string on success, else what went wrong.
std::string WriteProfileCsv(const std::string& dir, const MachineProfile& profile,
                            const std::vector<CriterionResult>& verdict, const StepCheck* check = nullptr);

} // namespace korvel
