#include "StrandExport.h"

#include <charconv>

namespace korvel {

namespace {

// Shortest form that reads back to the same value; empty for a value that does not exist.
std::string Num(double v) {
    if (!std::isfinite(v)) return {};
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string JsonNum(double v) {
    return std::isfinite(v) ? Num(v) : "null";
}

double Minutes(const StrandMoment& m) {
    return m.t / 60;
}

} // namespace

StrandSetup StrandSetupOf(const Model& base, const StrandOptions& o) {
    StrandSetup s;
    s.options = o;
    s.length = std::isfinite(o.length) ? o.length : StrandLength(base.data, o.limits);
    s.pyrometers = o.pyrometers.empty() ? DefaultPyrometers(base.data, o.limits) : o.pyrometers;
    s.straightening = StraighteningPoint(base.data, o.limits);
    return s;
}

std::vector<ViolationSpan> ViolationSpans(const std::vector<StrandMoment>& moments, Criterion c) {
    std::vector<ViolationSpan> spans;
    bool open = false;
    for (const StrandMoment& m : moments) {
        bool violated = false;
        for (const CriterionResult& r : m.verdict)
            if (r.criterion == c) violated = r.state == CriterionState::Violated;
        if (violated && open) {
            spans.back().to = Minutes(m);
        } else if (violated) {
            spans.push_back({Minutes(m), Minutes(m)});
        }
        open = violated;
    }
    return spans;
}

std::vector<StrandFile> StrandCsv(const StrandSetup& setup, const Schedule& s,
                                  const std::vector<StrandMoment>& moments) {
    std::string crater = "t_min,Vlit,craterEnd_m\n";
    std::string pyro = "t_min,z_m,surfaceX,surfaceY,corner\n";
    std::string profile = "t_min,z_m,surfaceX,surfaceY,corner,centre,shellX_mm,shellY_mm\n";
    std::string verdict = "t_min,criterion,value,limit,state\n";
    for (const StrandMoment& m : moments) {
        const std::string t = Num(Minutes(m));
        crater += t + "," + Num(m.vlit) + "," + Num(m.craterEnd) + "\n";
        for (std::size_t k = 0; k < m.pyrometers.size() && k < setup.pyrometers.size(); ++k) {
            const PyrometerReading& r = m.pyrometers[k];
            pyro += t + "," + Num(setup.pyrometers[k]) + "," + Num(r.surfaceX) + "," + Num(r.surfaceY) + "," +
                    Num(r.corner) + "\n";
        }
        for (const SliceSample& x : m.slices) {
            const ProfilePoint& p = x.at;
            profile += t + "," + Num(p.z) + "," + Num(p.surfaceX) + "," + Num(p.surfaceY) + "," +
                       Num(p.corner) + "," + Num(p.centre) + "," + Num(p.shellX) + "," + Num(p.shellY) + "\n";
        }
        for (const CriterionResult& r : m.verdict)
            verdict += t + "," + CriterionKey(r.criterion) + "," + Num(r.value) + "," + Num(r.limit) + "," +
                       StateKey(r.state) + "\n";
    }
    return {{"crater.csv", std::move(crater)},
            {"pyrometers.csv", std::move(pyro)},
            {"profile.csv", std::move(profile)},
            {"verdict.csv", std::move(verdict)},
            {"schedule.csv", ScheduleToCsv(s)}};
}

std::string StrandJson(const StrandSetup& setup, const std::vector<StrandMoment>& moments) {
    std::string j = "{\n  \"format\": \"korvel-strand\",\n";
    j += "  \"launch_s\": " + JsonNum(setup.options.launch) + ",\n";
    j += "  \"duration_min\": " + JsonNum(setup.options.durationMin) + ",\n";
    j += "  \"length_m\": " + JsonNum(setup.length) + ",\n";
    j += "  \"straightening_m\": " + JsonNum(setup.straightening) + ",\n";
    j += "  \"craterEnd\": [";
    for (std::size_t k = 0; k < moments.size(); ++k) {
        j += k ? ",\n    " : "\n    ";
        j += "{\"t\": " + JsonNum(Minutes(moments[k])) + ", \"z\": " + JsonNum(moments[k].craterEnd) + "}";
    }
    j += moments.empty() ? "],\n" : "\n  ],\n";
    j += "  \"pyrometers\": [";
    for (std::size_t p = 0; p < setup.pyrometers.size(); ++p) {
        j += p ? ",\n    " : "\n    ";
        j += "{\"z\": " + JsonNum(setup.pyrometers[p]) + ", \"surfaceX\": [";
        for (std::size_t k = 0; k < moments.size(); ++k) {
            const double v = p < moments[k].pyrometers.size() ? moments[k].pyrometers[p].surfaceX : NAN;
            j += (k ? ", " : "") + JsonNum(v);
        }
        j += "]}";
    }
    j += setup.pyrometers.empty() ? "],\n" : "\n  ],\n";
    j += "  \"violations\": {";
    const Criterion all[] = {Criterion::MouldExitShell, Criterion::Reheating,    Criterion::Ductility,
                             Criterion::Straightening,  Criterion::CentreCarbon, Criterion::CentreSulphur};
    bool first = true;
    for (Criterion c : all) {
        j += first ? "\n    " : ",\n    ";
        first = false;
        j += std::string("\"") + CriterionKey(c) + "\": [";
        const std::vector<ViolationSpan> spans = ViolationSpans(moments, c);
        for (std::size_t k = 0; k < spans.size(); ++k)
            j += (k ? ", " : "") + std::string("{\"from\": ") + JsonNum(spans[k].from) +
                 ", \"to\": " + JsonNum(spans[k].to) + "}";
        j += "]";
    }
    j += "\n  }\n}\n";
    return j;
}

} // namespace korvel
