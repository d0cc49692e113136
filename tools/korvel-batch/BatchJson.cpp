#include "BatchJson.h"

#include "results/JsonWrite.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace korvel {

namespace {

void Number(std::string& out, double v) {
    out += std::isfinite(v) ? FormatNumber(v, 17) : std::string("null");
}

void Values(std::string& out, const std::pair<const char*, double>* values, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) {
        if (k > 0) out += ", ";
        out += '"';
        out += values[k].first;
        out += "\": ";
        Number(out, values[k].second);
    }
}

void Field(std::string& out, const Model& m, const NodeField& field) {
    out += '[';
    for (int i = 1; i <= m.params.L; ++i) {
        out += i > 1 ? ",\n   [" : "\n   [";
        for (int j = 1; j <= m.params.M; ++j) {
            if (j > 1) out += ',';
            Number(out, field[i][j]);
        }
        out += ']';
    }
    out += ']';
}

} // namespace

std::string BatchJson(const Model& m, long long steps, const std::vector<ChartSample>& history,
                      const DerivedResults& r, const std::string& more) {
    const ModelState& s = m.state;
    std::string out;
    out.reserve(64 * static_cast<std::size_t>(m.params.L * m.params.M) * 10 + 200 * history.size());
    out += "{\"format\": ";
    out += JsonQuote(kBatchJsonFormat);
    out += ", \"version\": ";
    out += std::to_string(kBatchJsonVersion);
    out += ",\n \"Tau\": ";
    Number(out, s.Tau);
    char buf[32];
    const auto end = std::to_chars(buf, buf + sizeof buf, steps).ptr;
    out += ",\n \"steps\": ";
    out.append(buf, end);
    out += ",\n \"fields\": {";
    const std::pair<const char*, const NodeField*> fields[] = {
        {"Tem", &s.Tem},     {"MSol", &s.MSol},  {"CLiq", &s.CLiq},   {"SLiq", &s.SLiq},
        {"CSol", &s.CSol},   {"SSol", &s.SSol},  {"CMean", &s.CMean}, {"SMean", &s.SMean},
        {"FlowU", &s.FlowU}, {"FlowV", &s.FlowV}};
    bool first = true;
    for (const auto& [name, field] : fields) {
        out += first ? "\n  \"" : ",\n  \"";
        out += name;
        out += "\": ";
        Field(out, m, *field);
        first = false;
    }
    out += "},\n \"scalars\": {";
    const std::pair<const char*, double> scalars[] = {
        {"HDepth", s.HDepth},   {"PFerro", s.PFerro}, {"AlfaSec", s.AlfaSec}, {"Tenv", s.Tenv},
        {"EpsSurf", s.EpsSurf}, {"KFace", s.KFace},   {"MouldK", s.MouldK}};
    Values(out, scalars, std::size(scalars));
    out += "},\n \"history\": [";
    first = true;
    for (const ChartSample& h : history) {
        out += first ? "\n  {" : ",\n  {";
        const std::pair<const char*, double> values[] = {
            {"Tau", h.tau},   {"center", h.center},     {"corner", h.corner},    {"midX", h.midX},
            {"midY", h.midY}, {"quarterX", h.quarterX}, {"quarterY", h.quarterY}};
        Values(out, values, std::size(values));
        out += '}';
        first = false;
    }
    out += "],\n \"results\": {";
    const std::pair<const char*, double> results[] = {
        {"shellFaceX", r.solid.faceX},
        {"shellFaceY", r.solid.faceY},
        {"shellDiagonal", r.solid.diagonal},
        {"mushyInnerFaceX", r.liquid.faceX},
        {"mushyInnerFaceY", r.liquid.faceY},
        {"mushyInnerDiagonal", r.liquid.diagonal},
        {"metallurgicalLength", r.metallurgicalReached ? r.metallurgicalLength : NAN},
        {"centreTemperature", r.centreTemperature},
        {"mouldExitZ", r.mouldExitSeen ? r.mouldExitZ : NAN},
        {"mouldExitShellFaceX", r.mouldExit.faceX},
        {"mouldExitShellFaceY", r.mouldExit.faceY},
        {"reheatFaceX", r.reheatFaceX},
        {"reheatFaceXZ", r.reheatFaceXZ},
        {"reheatFaceY", r.reheatFaceY},
        {"reheatFaceYZ", r.reheatFaceYZ}};
    Values(out, results, std::size(results));
    out += '}';
    out += more;
    out += "}\n";
    return out;
}

} // namespace korvel
