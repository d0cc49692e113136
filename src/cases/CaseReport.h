#pragma once

#include "Case.h"
#include "results/ReportContent.h"

#include <vector>

namespace korvel {

// Every input of the case with its caption and unit, in the order of CaseFields(), for the report.
std::vector<ReportInputRow> CaseReportRows(const Case& c);

} // namespace korvel
