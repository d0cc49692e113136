#pragma once

#include "DerivedResults.h"
#include "Model.h"

#include <string>
#include <vector>

// CSV files of a run's results, with a dot decimal separator and a header row, so that spreadsheet
// and plotting tools read them. Each file is written beside its destination and renamed into place,
// so a failed write leaves whatever was there before intact.

namespace korvel {

// Temperatures at the six chart nodes at one hand-over.
struct ChartSample {
    double tau, center, corner, midX, midY, quarterX, quarterY;
};
ChartSample SampleChartNodes(const Model& m);

// The file names that WriteResultsCsv writes into its folder.
std::vector<std::string> ResultsCsvFiles();

// Writes the history, the final Tem, solid fraction, CMean and SMean fields and the derived results
// into dir. Returns an empty string on success, else what went wrong.
std::string WriteResultsCsv(const std::string& dir, const Model& m, const std::vector<ChartSample>& history,
                            const DerivedResults& r);

// One line per figure of the derived results, in the program's language.
std::vector<std::string> DescribeResults(const DerivedResults& r);

} // namespace korvel
