#include "CaseReport.h"

namespace korvel {

std::vector<ReportInputRow> CaseReportRows(const Case& c) {
    std::vector<ReportInputRow> rows;
    for (const CaseField& f : CaseFields())
        rows.push_back({f.caption, GetCaseValue(c, f), f.unit});
    return rows;
}

} // namespace korvel
