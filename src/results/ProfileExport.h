#pragma once

#include "MachineProfile.h"
#include "QualityVerdict.h"
#include "ResultsExport.h"

#include <string>
#include <vector>

// The profile along the machine and the quality verdict in files: the batch runner's JSON and CSV
// tables. Numbers are written the same in every locale (decimal point, shortest exact digits).

namespace korvel {

// The members `"profile"` (one object per hand-over) and `"verdict"` (one object per criterion) of a
// JSON object, each preceded by a comma and a line break, to follow the object's other members.
std::string ProfileVerdictJson(const MachineProfile& profile, const std::vector<CriterionResult>& verdict);

// The file names that WriteProfileCsv writes.
std::vector<std::string> ProfileCsvFiles();

// The texts of profile.csv and verdict.csv, in the order of ProfileCsvFiles().
std::vector<CsvFile> ProfileCsv(const MachineProfile& profile, const std::vector<CriterionResult>& verdict);

// Writes ProfileCsv() into dir, both files or neither.
// Returns an empty string on success, else what went wrong.
std::string WriteProfileCsv(const std::string& dir, const MachineProfile& profile,
                            const std::vector<CriterionResult>& verdict);

} // namespace korvel
