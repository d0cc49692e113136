#pragma once

#include "DerivedResults.h"
#include "model/Model.h"

#include <string>
#include <vector>

// CSV files of a run's results, with a dot decimal separator and a header row, so that spreadsheet
// and plotting tools read them. The numbers are the same bytes whatever the user's locale. All files
// are written beside their destinations and renamed into place only when every one of them has been
// written, so a failed write leaves whatever was there before intact.

namespace korvel {

// Temperatures at the six chart nodes at one hand-over.
struct ChartSample {
    double tau, center, corner, midX, midY, quarterX, quarterY;
};
ChartSample SampleChartNodes(const Model& m);

// A number as the files hold it: the shortest of `digits` significant digits ("%.<digits>g" in the
// C locale), with a dot, whatever the locale; "nan", "inf" and "-inf" for the non-finite.
std::string FormatNumber(double v, int digits);

// A named value of the casting data with its unit.
struct CastingDataField {
    const char* key;
    double CastingData::*member;
    const char* unit;
};
// Every field of the casting data, in the model's units.
const std::vector<CastingDataField>& CastingDataFields();

// The file names that WriteResultsCsv writes into its folder.
std::vector<std::string> ResultsCsvFiles();

// One file's name and its text.
struct CsvFile {
    std::string name;
    std::string text;
};

// What a run leaves for the files: the model as the run left it, the chart history, the derived
// results, and whether the run reached its process time (false: it was stopped before).
struct RunRecord {
    const Model& model;
    const std::vector<ChartSample>& history;
    const DerivedResults& results;
    bool completed;
    std::string warning = {}; // why the step or grid cannot resolve the machine (StepCheck); empty if sound
};

// The texts of every CSV file of a run, in the order of ResultsCsvFiles(): the case (every casting-data
// field with its unit, Dt, L, M, SideFlag and whether the run completed), the history, the final Tem,
// solid fraction, CMean and SMean fields and the derived results.
std::vector<CsvFile> ResultsCsv(const RunRecord& run);

// Writes ResultsCsv(run) into dir, all files or none. Returns an empty string on success, else what
// went wrong.
std::string WriteResultsCsv(const std::string& dir, const RunRecord& run);

// One line per figure of the derived results, in the program's language.
std::vector<std::string> DescribeResults(const DerivedResults& r);

} // namespace korvel
