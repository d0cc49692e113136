#pragma once

#include "DerivedResults.h"
#include "KeyFigures.h"
#include "QualityVerdict.h"

#include <string>
#include <vector>

// What the report of a run says, as tables of text: the case with every input and its unit, the key
// figures, the verdict, and the titles of the pictures that follow them. Figures are written with a
// decimal comma whatever the desktop's language, so the same run gives the same text everywhere.

namespace korvel {

// One input of the case as the user gave it.
struct ReportInputRow {
    std::string caption;
    double value = 0;
    std::string unit;
};

struct ReportTable {
    std::string title;
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows; // each as many cells as columns
};

// The pictures of a report, in this order.
enum class ReportFigure { Profile, CrossSection, TemperatureHistory, Sulphur, Carbon };
inline constexpr int kReportFigureCount = 5;

struct ReportSource {
    std::string caseName; // the case file's name, or empty for a case not saved
    std::string date;     // when the report is made, as it is to be printed
    std::string version;  // the program's version
    std::vector<ReportInputRow> inputs;
    DerivedResults results;
    KeyFigures key;
    std::vector<CriterionResult> verdict;
    bool completed = false; // the run reached its process time
    double tau = 0;         // s, the process time reached
    double distance = 0;    // m, the slice's distance from the meniscus at the end
};

struct ReportContent {
    std::string title;    // "Отчет о расчете"
    std::string caseName; // as printed: the case's name, or a note that it was not saved
    std::string date;
    std::string version;                   // "Korvel <version>"
    std::string status;                    // whether the run completed or was stopped, and where
    std::vector<ReportTable> tables;       // the case, the key figures, the verdict
    std::vector<std::string> figureTitles; // one per ReportFigure, in its order
};

ReportContent MakeReportContent(const ReportSource& source);

// A number with up to `digits` significant digits and a decimal comma ("0,715", "1515", "−" for NaN).
std::string ReportNumber(double v, int digits = 10);

} // namespace korvel
