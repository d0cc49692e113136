#include "ProfileExport.h"

#include "FileWrite.h"
#include "JsonWrite.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace korvel {

namespace {

// Shortest digits that read back to the same value at the given precision; `none` for NaN/infinity.
void Append(std::string& out, double v, int precision, const char* none) {
    if (!std::isfinite(v)) {
        out += none;
        return;
    }
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, precision);
    out.append(buf, r.ptr);
}

const char* kProfile = "profile.csv";
const char* kVerdict = "verdict.csv";

} // namespace

std::string ProfileVerdictJson(const MachineProfile& profile, const std::vector<CriterionResult>& verdict,
                               const StepCheck* check) {
    std::string out = ",\n \"profile\": [";
    bool first = true;
    for (const ProfilePoint& p : profile.points) {
        out += first ? "\n  {" : ",\n  {";
        const std::pair<const char*, double> values[] = {{"z", p.z},
                                                         {"tau", p.tau},
                                                         {"surfaceX", p.surfaceX},
                                                         {"surfaceY", p.surfaceY},
                                                         {"corner", p.corner},
                                                         {"centre", p.centre},
                                                         {"shellX", p.shellX},
                                                         {"shellY", p.shellY},
                                                         {"liquidusX", p.liquidusX},
                                                         {"liquidusY", p.liquidusY}};
        bool firstValue = true;
        for (const auto& [name, v] : values) {
            out += firstValue ? "\"" : ", \"";
            out += name;
            out += "\": ";
            Append(out, v, 17, "null");
            firstValue = false;
        }
        out += '}';
        first = false;
    }
    out += "],\n \"verdict\": [";
    first = true;
    for (const CriterionResult& r : verdict) {
        out += first ? "\n  {" : ",\n  {";
        out += "\"criterion\": ";
        out += JsonQuote(CriterionKey(r.criterion));
        out += ", \"value\": ";
        Append(out, r.value, 17, "null");
        out += ", \"limit\": ";
        if (std::isfinite(r.limitHigh)) {
            out += '[';
            Append(out, r.limit, 17, "null");
            out += ", ";
            Append(out, r.limitHigh, 17, "null");
            out += ']';
        } else {
            Append(out, r.limit, 17, "null");
        }
        out += ", \"unit\": ";
        out += JsonQuote(CriterionUnit(r.criterion));
        out += ", \"state\": ";
        out += JsonQuote(StateKey(r.state));
        out += '}';
        first = false;
    }
    out += ']';
    if (check) {
        out += ",\n \"warning\": ";
        if (check->Ok()) {
            out += "null";
        } else {
            out += '"';
            for (char ch : check->message) {
                if (ch == '"' || ch == '\\') out += '\\';
                out += ch;
            }
            out += '"';
        }
    }
    return out;
}

std::vector<std::string> ProfileCsvFiles() {
    return {kProfile, kVerdict};
}

std::vector<CsvFile> ProfileCsv(const MachineProfile& profile, const std::vector<CriterionResult>& verdict,
                                const StepCheck* check) {
    std::vector<CsvFile> files;
    std::string text = "z_m,time_s,surface_x,surface_y,corner,centre,shell_x_mm,shell_y_mm,liquidus_x_mm,"
                       "liquidus_y_mm\n";
    for (const ProfilePoint& p : profile.points) {
        const double values[] = {p.z,      p.tau,    p.surfaceX, p.surfaceY,  p.corner,
                                 p.centre, p.shellX, p.shellY,   p.liquidusX, p.liquidusY};
        bool first = true;
        for (double v : values) {
            if (!first) text += ',';
            Append(text, v, 10, "");
            first = false;
        }
        text += '\n';
    }
    files.push_back({kProfile, std::move(text)});

    text = "criterion,value,limit,limit_high,unit,state\n";
    for (const CriterionResult& r : verdict) {
        text += CriterionKey(r.criterion);
        text += ',';
        Append(text, r.value, 10, "");
        text += ',';
        Append(text, r.limit, 10, "");
        text += ',';
        Append(text, r.limitHigh, 10, "");
        text += ',';
        text += CriterionUnit(r.criterion);
        text += ',';
        text += StateKey(r.state);
        text += '\n';
    }
    if (check && check->stepTooLong) {
        text += "mouldSteps,";
        Append(text, check->mouldSteps, 10, "");
        text += ',';
        Append(text, kMinMouldSteps, 10, "");
        text += ",,steps,warning\n";
    }
    if (check && check->gridTooCoarse) {
        text += "cellSize,";
        Append(text, check->cellMm, 10, "");
        text += ',';
        Append(text, kMaxCellMm, 10, "");
        text += ",,mm,warning\n";
    }
    files.push_back({kVerdict, std::move(text)});
    return files;
}

std::string WriteProfileCsv(const std::string& dir, const MachineProfile& profile,
                            const std::vector<CriterionResult>& verdict, const StepCheck* check) {
    const std::string base = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    std::vector<FileContent> out;
    for (CsvFile& f : ProfileCsv(profile, verdict, check))
        out.push_back({base + f.name, std::move(f.text)});
    return WriteFilesAtomically(out);
}

} // namespace korvel
