#include "ConvergenceCheck.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace korvel {

namespace {

int CoarseNodes(int n) {
    return std::clamp(static_cast<int>(std::lround(n / 2.0)), int(kMinNodes), int(kMaxNodes));
}

int FineNodes(int n) {
    return std::clamp(2 * n, int(kMinNodes), int(kMaxNodes));
}

bool SameGrid(const ModelParams& a, const ModelParams& b) {
    return a.L == b.L && a.M == b.M;
}

// Shortest text that reads back as the same double; empty for a value that does not exist.
std::string Number(double v) {
    if (!std::isfinite(v)) return {};
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string Fixed(double v, int decimals, const std::string& point) {
    if (!std::isfinite(v)) return "—";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string s(buf, r.ptr);
    if (point != ".")
        if (const auto at = s.find('.'); at != std::string::npos) s.replace(at, 1, point);
    return s;
}

// Characters (not bytes) of UTF-8 text.
std::size_t Width(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char ch : s)
        if ((ch & 0xC0) != 0x80) ++n;
    return n;
}

std::string PadRight(const std::string& s, std::size_t w) {
    const std::size_t n = Width(s);
    return n >= w ? s : s + std::string(w - n, ' ');
}

std::string PadLeft(const std::string& s, std::size_t w) {
    const std::size_t n = Width(s);
    return n >= w ? s : std::string(w - n, ' ') + s;
}

// Decimals of each key figure on screen, in the order of StudyFigures().
int FigureDecimals(std::size_t k) {
    static const int decimals[] = {2, 1, 1, 3, 3, 1, 0};
    return k < std::size(decimals) ? decimals[k] : 3;
}

bool HasFigures(const StudyRow& row) {
    return row.status == StudyRunStatus::Completed || row.status == StudyRunStatus::Stopped;
}

} // namespace

ConvergencePlan PlanConvergence(const ModelParams& p) {
    ConvergencePlan plan;
    plan.params.fill(p);
    plan.params[kRunCoarse].L = CoarseNodes(p.L);
    plan.params[kRunCoarse].M = CoarseNodes(p.M);
    plan.params[kRunFine].L = FineNodes(p.L);
    plan.params[kRunFine].M = FineNodes(p.M);
    plan.params[kRunHalfStep].Dt = p.Dt / 2;
    // A grid that is the case's own is not run twice.
    int next = 0;
    for (int k = 0; k < kConvergenceRuns; ++k) {
        const bool same = k != kRunBase && k != kRunHalfStep && SameGrid(plan.params[k], p);
        plan.studyRun[k] = same ? plan.studyRun[kRunBase] : next++;
    }
    return plan;
}

Study ConvergenceStudy(const Case& c, const QualityLimits& limits, ConvergencePlan& plan) {
    plan = PlanConvergence(c.params);
    Study s;
    s.base = c;
    s.judge = limits;
    for (const char* key : {"L", "M", "Dt"}) {
        StudyInput in;
        in.field = FindCaseField(key);
        s.inputs.push_back(in);
    }
    int added = 0;
    for (int k = 0; k < kConvergenceRuns; ++k) {
        if (plan.studyRun[k] != added) continue; // a column given by an earlier run
        const ModelParams& p = plan.params[k];
        const std::vector<double> v = {double(p.L), double(p.M), p.Dt};
        s.combinations.push_back(v);
        for (std::size_t j = 0; j < v.size(); ++j)
            if (std::find(s.inputs[j].values.begin(), s.inputs[j].values.end(), v[j]) ==
                s.inputs[j].values.end())
                s.inputs[j].values.push_back(v[j]);
        ++added;
    }
    return s;
}

void EstimateGridError(double f3, double f2, double f1, double n3, double n2, double n1, double& error,
                       double& order, GridEstimate& how) {
    error = NAN;
    order = NAN;
    how = GridEstimate::None;
    const bool coarse = n3 != n2, fine = n1 != n2;
    if (!std::isfinite(f2) || (coarse && !std::isfinite(f3)) || (fine && !std::isfinite(f1)) ||
        (!coarse && !fine))
        return;
    const double e21 = fine ? f2 - f1 : 0, e32 = coarse ? f3 - f2 : 0;
    if (coarse && fine && e21 * e32 > 0 && std::fabs(e21) < std::fabs(e32)) {
        // Spacing h ~ 1 / sqrt(L * M), so the refinement ratios are square roots of node-count ratios.
        const double r21 = std::sqrt(n1 / n2), r32 = std::sqrt(n2 / n3);
        const double lnRatio = std::log(std::fabs(e32 / e21));
        double p = lnRatio / std::log(r21);
        for (int it = 0; it < 100 && std::isfinite(p); ++it) {
            const double q = std::log((std::pow(r21, p) - 1) / (std::pow(r32, p) - 1));
            const double next = std::clamp((lnRatio + q) / std::log(r21), 1e-3, 20.0);
            const bool settled = std::fabs(next - p) < 1e-12;
            p = next;
            if (settled) break;
        }
        if (std::isfinite(p)) {
            const double rp = std::pow(r21, std::max(p, 0.5));
            error = e21 * rp / (rp - 1);
            order = p;
            how = GridEstimate::Richardson;
            return;
        }
    }
    // The largest difference between the case's run and a neighbouring grid, as that difference.
    error = std::fabs(e21) >= std::fabs(e32) ? e21 : -e32;
    how = GridEstimate::LargestDifference;
}

ConvergenceReport EvaluateConvergence(const ConvergencePlan& plan, const std::vector<StudyRow>& rows) {
    ConvergenceReport r;
    r.plan = plan;
    r.complete = true;
    for (int k = 0; k < kConvergenceRuns; ++k) {
        const auto run = std::size_t(plan.studyRun[k]);
        const auto it =
            std::find_if(rows.begin(), rows.end(), [&](const StudyRow& row) { return row.index == run; });
        if (it == rows.end()) {
            r.complete = false;
            r.rows[k].index = run;
            r.rows[k].status = StudyRunStatus::Refused;
            r.rows[k].message = "расчет не выполнялся: проверка прервана";
            continue;
        }
        r.rows[k] = *it;
        if (it->status != StudyRunStatus::Completed) r.complete = false;
    }
    const auto& list = StudyFigures();
    for (const StudyFigure& f : list) {
        if (std::string(f.key) == "tau") continue;
        FigureConvergence fc;
        fc.figure = &f;
        for (int k = 0; k < kConvergenceRuns; ++k)
            fc.values[k] = HasFigures(r.rows[k]) ? f.get(r.rows[k].figures) : NAN;
        // A grid whose run failed counts as missing: the estimate then rests on the other two.
        auto nodes = [&](int k) {
            const ModelParams& p = HasFigures(r.rows[k]) ? plan.params[k] : plan.params[kRunBase];
            return double(p.L) * double(p.M);
        };
        EstimateGridError(fc.values[kRunCoarse], fc.values[kRunBase], fc.values[kRunFine], nodes(kRunCoarse),
                          nodes(kRunBase), nodes(kRunFine), fc.gridError, fc.order, fc.estimate);
        fc.stepDifference = fc.values[kRunBase] - fc.values[kRunHalfStep];
        r.figures.push_back(fc);
    }
    // The criteria as the runs that gave a verdict judged them; a run that failed has none and is left
    // out of the comparison (its column shows no value and "не достигнуто").
    const std::size_t count = r.rows[kRunBase].verdict.size();
    for (std::size_t c = 0; c < count; ++c) {
        CriterionConvergence cc;
        std::array<bool, kConvergenceRuns> judged{};
        for (int k = 0; k < kConvergenceRuns; ++k) {
            judged[k] = r.rows[k].verdict.size() == count;
            cc.runs[k] =
                judged[k] ? r.rows[k].verdict[c] : CriterionResult{r.rows[kRunBase].verdict[c].criterion};
        }
        cc.base = cc.runs[kRunBase];
        auto differs = [&](int k) { return judged[k] && cc.runs[k].state != cc.base.state; };
        const bool grid = differs(kRunCoarse) || differs(kRunFine);
        const bool step = differs(kRunHalfStep);
        cc.dependence = grid && step ? CriterionDependence::GridAndStep
                        : grid       ? CriterionDependence::Grid
                        : step       ? CriterionDependence::Step
                                     : CriterionDependence::None;
        r.criteria.push_back(cc);
    }
    return r;
}

std::string DependenceCaption(const CriterionConvergence& c) {
    switch (c.dependence) {
    case CriterionDependence::None:
        return StateCaption(c.base.state);
    case CriterionDependence::Grid:
        return "зависит от сетки";
    case CriterionDependence::Step:
        return "зависит от шага";
    case CriterionDependence::GridAndStep:
        return "зависит от сетки и шага";
    }
    return {};
}

std::string DependenceKey(const CriterionConvergence& c) {
    switch (c.dependence) {
    case CriterionDependence::None:
        return StateKey(c.base.state);
    case CriterionDependence::Grid:
        return "grid-dependent";
    case CriterionDependence::Step:
        return "step-dependent";
    case CriterionDependence::GridAndStep:
        return "grid-and-step-dependent";
    }
    return {};
}

std::string RunCaption(const ModelParams& p) {
    return std::to_string(p.L) + " x " + std::to_string(p.M) + ", Dt " + Number(p.Dt) + " с";
}

const char* RunKindCaption(int kind) {
    switch (kind) {
    case kRunBase:
        return "Исходный расчет";
    case kRunCoarse:
        return "Грубая сетка";
    case kRunFine:
        return "Мелкая сетка";
    case kRunHalfStep:
        return "Половинный шаг";
    }
    return "";
}

const char* GridEstimateCaption(GridEstimate e) {
    switch (e) {
    case GridEstimate::None:
        return "нет оценки";
    case GridEstimate::Richardson:
        return "по Ричардсону";
    case GridEstimate::LargestDifference:
        return "наибольшая разница";
    }
    return "";
}

std::string ConvergenceCsv(const ConvergenceReport& r) {
    std::string out =
        "kind,key,base,coarse,fine,halfStep,gridError,gridOrder,gridEstimate,stepDifference,state\n";
    auto field = [&out](const std::string& text) {
        out += ',';
        out += text;
    };
    auto runLine = [&](const char* key, auto value) {
        out += "run,";
        out += key;
        for (int k = 0; k < kConvergenceRuns; ++k)
            field(value(k));
        out += ",,,,,\n";
    };
    runLine("L", [&](int k) { return std::to_string(r.plan.params[k].L); });
    runLine("M", [&](int k) { return std::to_string(r.plan.params[k].M); });
    runLine("Dt", [&](int k) { return Number(r.plan.params[k].Dt); });
    runLine("steps", [&](int k) { return std::to_string(r.rows[k].steps); });
    runLine("status", [&](int k) { return std::string(StudyStatusName(r.rows[k].status)); });
    for (const FigureConvergence& f : r.figures) {
        out += "figure,";
        out += f.figure->key;
        for (double v : f.values)
            field(Number(v));
        field(Number(f.gridError));
        field(Number(f.order));
        field(f.estimate == GridEstimate::Richardson          ? "richardson"
              : f.estimate == GridEstimate::LargestDifference ? "largest-difference"
                                                              : "");
        field(Number(f.stepDifference));
        out += ",\n";
    }
    for (const CriterionConvergence& c : r.criteria) {
        out += "criterion,";
        out += CriterionKey(c.base.criterion);
        for (const CriterionResult& run : c.runs)
            field(Number(run.value));
        out += ",,,,";
        field(DependenceKey(c));
        out += '\n';
    }
    return out;
}

std::vector<std::string> ConvergenceText(const ConvergenceReport& r, const std::string& point) {
    std::vector<std::string> lines;
    auto dt = [&](double v) {
        std::string s = Number(v);
        if (point != ".")
            if (const auto at = s.find('.'); at != std::string::npos) s.replace(at, 1, point);
        return s;
    };
    for (int k = 0; k < kConvergenceRuns; ++k) {
        const ModelParams& p = r.plan.params[k];
        std::string line = std::string(RunKindCaption(k)) + ": сетка " + std::to_string(p.L) + " x " +
                           std::to_string(p.M) + ", шаг " + dt(p.Dt) + " с";
        if (k != kRunBase && r.plan.studyRun[k] == r.plan.studyRun[kRunBase])
            line += " (сетку нельзя изменить в пределах 4..100: это исходный расчет)";
        else if (r.rows[k].status != StudyRunStatus::Completed)
            line += " — " +
                    std::string(r.rows[k].status == StudyRunStatus::Stopped ? "не завершен" : "не выполнен") +
                    (r.rows[k].message.empty() ? "" : ": " + r.rows[k].message);
        lines.push_back(line);
    }
    const std::size_t first = 44, col = 12;
    auto caption = [&](int k) {
        const ModelParams& p = r.plan.params[k];
        return k == kRunHalfStep ? "Dt " + dt(p.Dt) : std::to_string(p.L) + "x" + std::to_string(p.M);
    };
    std::string head = PadRight("Показатель", first);
    for (int k = 0; k < kConvergenceRuns; ++k)
        head += PadLeft(caption(k), col);
    head += PadLeft("Погр. сетки", col + 2) + PadLeft("Порядок", 9) + PadLeft("Δ шага", col);
    lines.push_back(head);
    const auto& list = StudyFigures();
    for (const FigureConvergence& f : r.figures) {
        const auto index = std::size_t(f.figure - list.data());
        const int d = FigureDecimals(index);
        std::string line = PadRight(f.figure->caption, first);
        for (double v : f.values)
            line += PadLeft(Fixed(v, d, point), col);
        line += PadLeft(Fixed(f.gridError, d + 1, point) +
                            (f.estimate == GridEstimate::LargestDifference ? "*" : ""),
                        col + 2);
        line += PadLeft(f.estimate == GridEstimate::Richardson ? Fixed(f.order, 2, point) : "—", 9);
        line += PadLeft(Fixed(f.stepDifference, d + 1, point), col);
        lines.push_back(line);
    }
    lines.push_back(
        "Погрешность сетки — оценка ошибки исходного расчета: по Ричардсону с наблюдаемым порядком, "
        "а где значения меняются немонотонно или разница не убывает (*) — наибольшая разница с "
        "соседней сеткой. Δ шага — исходный расчет минус расчет с половинным шагом.");
    if (!r.criteria.empty()) {
        lines.push_back("Критерии качества (исходный / грубая / мелкая / половинный шаг):");
        for (const CriterionConvergence& c : r.criteria) {
            std::string values;
            for (int k = 0; k < kConvergenceRuns; ++k) {
                std::string v = CriterionValueText(c.runs[k]);
                if (point != ".")
                    if (const auto at = v.find('.'); at != std::string::npos) v.replace(at, 1, point);
                values += (k ? " / " : "") + v;
            }
            lines.push_back("  " + std::string(CriterionCaption(c.base.criterion)) + ": " + values +
                            CriterionValueUnit(c.base.criterion) + " — " + DependenceCaption(c));
        }
    }
    return lines;
}

ConvergenceCheck::ConvergenceCheck(const Case& c, const QualityLimits& limits, int jobs)
    : runner_(ConvergenceStudy(c, limits, plan_), StudySlice{0, std::numeric_limits<std::size_t>::max()},
              std::clamp(jobs, 1, int(kConvergenceRuns))) {}

ConvergenceReport ConvergenceCheck::Run() {
    runner_.Run();
    return EvaluateConvergence(plan_, runner_.Rows());
}

} // namespace korvel
