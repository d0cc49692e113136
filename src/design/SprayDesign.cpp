#include "SprayDesign.h"

#include "DesignText.h"
#include "results/DerivedResults.h"
#include "results/FileWrite.h"
#include "results/MachineProfile.h"
#include "run/HeadlessRun.h"
#include "study/Study.h"

#include <nlopt.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <thread>

namespace korvel {

namespace {

using Flows = std::array<double, 4>;

// The scale of each kind of target: the violation counts in these units, so that a kelvin, a
// millimetre and a tenth of a metre weigh alike for the optimiser.
constexpr double kScaleK = 10, kScaleMm = 1, kScaleM = 0.1, kScaleRatio = 0.01;
// What a run that could not be made counts as, per target.
constexpr double kFailedRun = 100;
// The slice goes this far beyond the farthest point a target looks at.
constexpr double kBeyond = 0.3;

double Clamp(double v, double lo, double hi) {
    return std::min(std::max(v, lo), hi);
}

Flows ClampFlows(Flows x, const FlowBounds& b) {
    for (int k = 0; k < 4; ++k)
        x[k] = Clamp(std::isfinite(x[k]) ? x[k] : b.low[k], b.low[k], b.high[k]);
    return x;
}

const CaseField& FlowField(int k) {
    static const CaseField* f[4] = {FindCaseField("Q1"), FindCaseField("Q2"), FindCaseField("Q3"),
                                    FindCaseField("Q4")};
    return *f[k];
}

Flows FlowsOf(const Case& c) {
    return {c.window.Q1, c.window.Q2, c.window.Q3, c.window.Q4};
}

// The targets that a run is held against, in a fixed order: the criteria with a limit, then the bands.
std::vector<TargetResult> Judge(const Model& m, const std::vector<CriterionResult>& verdict,
                                const MachineProfile& profile, const SprayTargets& t) {
    std::vector<TargetResult> out;
    const double zStraight = StraighteningPoint(m.data, t.limits);
    for (const CriterionResult& r : verdict) {
        if (!std::isfinite(r.limit)) continue; // a ratio without a limit is no target
        TargetResult tr;
        tr.key = CriterionKey(r.criterion);
        tr.caption = CriterionCaption(r.criterion);
        tr.value = r.value;
        tr.met = r.state == CriterionState::Ok;
        double scale = kScaleK;
        switch (r.criterion) {
        case Criterion::MouldExitShell:
            scale = kScaleMm;
            tr.margin = std::isfinite(r.value) ? r.value - r.limit : -r.limit;
            break;
        case Criterion::Reheating:
            tr.margin = std::isfinite(r.value) ? r.limit - r.value : -r.limit;
            break;
        case Criterion::Ductility: {
            // Outside the range at every point: the nearest point's distance into the range.
            ProfilePoint at;
            tr.margin = -kFailedRun * kScaleK;
            if (ProfileAt(profile, zStraight, at)) {
                tr.margin = INFINITY;
                for (double temp : {at.surfaceX, at.surfaceY, at.corner})
                    tr.margin = std::min(tr.margin, std::max(r.limit - temp, temp - r.limitHigh));
            }
            break;
        }
        case Criterion::Straightening:
            scale = kScaleM;
            if (std::isfinite(r.value)) {
                tr.margin = r.limit - r.value;
            } else {
                // Still liquid: how far the shell is from closing, as if it grew 10 mm per metre.
                ProfilePoint end = profile.points.empty() ? ProfilePoint{} : profile.points.back();
                const double half = std::min(m.data.HalfX, m.data.HalfY) * 1000;
                const double gap = std::max(0.0, half - std::min(end.shellX, end.shellY));
                tr.margin = std::min(0.0, r.limit - end.z) - gap / 10;
            }
            break;
        case Criterion::CentreCarbon:
        case Criterion::CentreSulphur:
            scale = kScaleRatio;
            tr.margin = std::isfinite(r.value) ? r.limit - r.value : -kFailedRun * kScaleRatio;
            break;
        }
        if (tr.met)
            tr.margin = std::max(tr.margin, 0.0);
        else
            tr.margin = std::min(tr.margin, -1e-3 * scale);
        tr.scale = scale;
        out.push_back(tr);
    }
    for (const SurfaceBand& b : t.bands) {
        TargetResult tr;
        tr.key = "surface@" + FixedText(b.z, 2);
        tr.caption = "Поверхность на " + FixedText(b.z, 2) + " м: " + FixedText(b.low, 0) + "–" +
                     FixedText(b.high, 0) + " °C";
        ProfilePoint at;
        if (ProfileAt(profile, b.z, at)) {
            tr.margin = INFINITY;
            for (double temp : {at.surfaceX, at.surfaceY}) {
                const double margin = std::min(temp - b.low, b.high - temp);
                if (margin < tr.margin) {
                    tr.margin = margin;
                    tr.value = temp;
                }
            }
        } else {
            tr.value = NAN;
            tr.margin = -kFailedRun * kScaleK;
        }
        tr.met = tr.margin >= 0;
        tr.scale = kScaleK;
        out.push_back(tr);
    }
    return out;
}

std::size_t TargetCount(const SprayTargets& t) {
    std::size_t n = t.bands.size() + 4; // shell, reheating, ductility, straightening
    if (std::isfinite(t.limits.centreCarbon)) ++n;
    if (std::isfinite(t.limits.centreSulphur)) ++n;
    return n;
}

// Whether a is a better practice than b: every target met with less water, else less violation.
bool Better(const PracticeRun& a, const PracticeRun& b) {
    if (!a.ran) return false;
    if (!b.ran) return true;
    if (a.Met() != b.Met()) return a.Met();
    if (a.Met()) return a.TotalWater() < b.TotalWater();
    return a.violation < b.violation;
}

// Runs the practices on `jobs` threads; the results in the order of the practices.
std::vector<PracticeRun> RunPractices(const Case& base, const std::vector<Flows>& points,
                                      const SprayTargets& t, int jobs) {
    std::vector<PracticeRun> out(points.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t k; (k = next.fetch_add(1)) < points.size();)
            out[k] = RunPractice(base, points[k], t);
    };
    const int n = std::clamp(jobs, 1, int(points.size()));
    std::vector<std::thread> threads;
    for (int k = 1; k < n; ++k)
        threads.emplace_back(work);
    work();
    for (std::thread& th : threads)
        th.join();
    return out;
}

std::string UnmetText(const PracticeRun& p) {
    std::string s;
    for (const TargetResult& t : p.targets) {
        if (t.met) continue;
        s += s.empty() ? "" : "; ";
        s += t.key + " (" + t.caption;
        if (std::isfinite(t.value)) s += ": " + FixedText(t.value, 2);
        s += ")";
    }
    return s;
}

} // namespace

bool ParseSprayTarget(std::string_view text, const Case& c, SprayTargets& targets, std::string& error) {
    const auto eq = text.find('=');
    if (eq == std::string_view::npos || eq == 0) {
        error = "цель задается как КЛЮЧ=ЗНАЧЕНИЕ, а не «" + std::string(text) + "»";
        return false;
    }
    const std::string key(text.substr(0, eq));
    const std::string_view rest = text.substr(eq + 1);
    std::vector<double> v;
    if (!ReadNumbers(rest, ':', v)) {
        error = "цель «" + key + "»: «" + std::string(rest) + "» — не число (или числа через «:»)";
        return false;
    }
    SprayTargets t = targets;
    if (key == "surface" || key == "sectionEnds") {
        const std::size_t want = key == "surface" ? 3 : 2;
        if (v.size() != want) {
            error = key == "surface" ? "цель «surface»: нужно surface=Z:НИЗ:ВЕРХ (м, °C, °C)"
                                     : "цель «sectionEnds»: нужно sectionEnds=НИЗ:ВЕРХ (°C)";
            return false;
        }
        const double low = v[want - 2], high = v[want - 1];
        if (low > high) {
            error = "цель «" + key + "»: нижняя граница " + FixedText(low, 0) + " °C больше верхней " +
                    FixedText(high, 0) + " °C";
            return false;
        }
        if (key == "surface") {
            if (!(v[0] > 0)) {
                error = "цель «surface»: расстояние от мениска должно быть больше нуля";
                return false;
            }
            t.bands.push_back({v[0], low, high});
        } else {
            CastingData d;
            AcceptDataWindow(c.window, d);
            for (double z : {d.Lend1, d.Lend2, d.Lend3, d.Lend4})
                t.bands.push_back({z, low, high});
        }
    } else {
        if (v.size() != 1) {
            error = "цель «" + key + "»: нужно одно число";
            return false;
        }
        if (std::string why = SetQualityLimit(t.limits, key, v[0]); !why.empty()) {
            error = why + "; а также surface=Z:НИЗ:ВЕРХ, sectionEnds=НИЗ:ВЕРХ";
            return false;
        }
    }
    targets = std::move(t);
    return true;
}

bool ParseFlowBound(std::string_view text, FlowBounds& bounds, std::string& error) {
    const auto eq = text.find('=');
    const std::string key(text.substr(0, eq == std::string_view::npos ? 0 : eq));
    int k = -1;
    for (int s = 0; s < 4; ++s)
        if (key == FlowField(s).key) k = s;
    if (k < 0) {
        error = "граница расхода задается как Qk=НИЗ:ВЕРХ (k = 1..4), а не «" + std::string(text) + "»";
        return false;
    }
    std::vector<double> v;
    if (!ReadNumbers(text.substr(eq + 1), ':', v) || v.size() != 2) {
        error = key + ": нужно НИЗ:ВЕРХ (м3/ч), а не «" + std::string(text.substr(eq + 1)) + "»";
        return false;
    }
    FlowBounds b = bounds;
    b.low[k] = v[0];
    b.high[k] = v[1];
    SprayDesignSettings s;
    s.bounds = b;
    if (std::string why = CheckSprayDesign(s); !why.empty()) {
        error = why;
        return false;
    }
    bounds = b;
    return true;
}

std::string CheckSprayDesign(const SprayDesignSettings& s) {
    for (int k = 0; k < 4; ++k) {
        const std::string q = FlowField(k).key;
        const double lo = s.bounds.low[k], hi = s.bounds.high[k];
        if (!std::isfinite(lo) || !std::isfinite(hi)) return q + ": границы расхода должны быть числами";
        if (lo < 0) return q + ": нижняя граница расхода не может быть меньше нуля";
        if (lo > hi)
            return q + ": нижняя граница расхода " + FixedText(lo, 2) + " м3/ч больше верхней " +
                   FixedText(hi, 2) + " м3/ч";
        if (hi > 1000) return q + ": верхняя граница расхода больше 1000 м3/ч";
    }
    if (std::string why = CheckQualityLimits(s.targets.limits); !why.empty()) return why;
    if (std::isfinite(s.targets.limits.straightening) && s.targets.limits.straightening > kMaxTargetDistance)
        return "точка правки дальше " + FixedText(kMaxTargetDistance, 0) + " м от мениска";
    for (const SurfaceBand& b : s.targets.bands) {
        if (b.z > kMaxTargetDistance)
            return "цель по температуре поверхности на " + FixedText(b.z, 2) + " м: дальше " +
                   FixedText(kMaxTargetDistance, 0) + " м от мениска";
        if (!std::isfinite(b.z) || !(b.z > 0))
            return "цель по температуре поверхности: расстояние должно быть больше нуля";
        if (!std::isfinite(b.low) || !std::isfinite(b.high) || b.low > b.high)
            return "цель по температуре поверхности на " + FixedText(b.z, 2) +
                   " м: нижняя граница больше верхней";
    }
    if (s.maxRuns < 2) return "нужно не меньше двух расчетов";
    return {};
}

Case PracticeCase(const Case& base, const Flows& flows, const SprayTargets& targets) {
    Case c = base;
    for (int k = 0; k < 4; ++k)
        SetCaseValue(c, FlowField(k), flows[k]);
    CastingData d;
    AcceptDataWindow(c.window, d);
    double zNeed = std::max(StraighteningPoint(d, targets.limits), d.Lkrist + d.Lzvo);
    for (const SurfaceBand& b : targets.bands)
        zNeed = std::max(zNeed, b.z);
    if (d.Vlit > 0 && std::isfinite(zNeed)) {
        // Minutes, to a tenth, so that the slice passes zNeed and a little more.
        const double vp = std::ceil((zNeed + kBeyond) / d.Vlit * 10) / 10;
        if (vp > c.window.Vp) c.window.Vp = vp;
    }
    return c;
}

PracticeRun RunPractice(const Case& base, const Flows& flows, const SprayTargets& targets) {
    PracticeRun p;
    p.flows = flows;
    const Case c = PracticeCase(base, flows, targets);
    Model m;
    ApplyCase(c, m);
    const std::size_t n = TargetCount(targets);
    auto fail = [&](std::string why) {
        p.ran = false;
        p.message = std::move(why);
        p.violation = kFailedRun * double(n);
        return p;
    };
    if (std::string why = CheckRunInput(m.data, m.params); !why.empty()) return fail(why);
    ResultsTracker tracker;
    MachineProfile profile;
    const RunOutcome out = RunHeadless(
        m, [&](const Model& s, bool) { RecordProfile(profile, s); }, -1, &tracker);
    if (out.end == RunEnd::NotFinite || out.end == RunEnd::Unstable)
        return fail(UnstableRunMessage(out.steps, m.Z(), m.params.Dt));
    p.ran = true;
    p.results = tracker.Results(m);
    p.figures = ComputeKeyFigures(m, p.results, out.end == RunEnd::Finished);
    p.verdict = JudgeQuality(p.figures, profile, m.data, targets.limits);
    p.targets = Judge(m, p.verdict, profile, targets);
    p.profile = std::move(profile);
    for (const TargetResult& t : p.targets)
        if (!t.met) p.violation += -t.margin / t.scale;
    return p;
}

SprayDesignResult DesignSprays(const Case& base, const SprayDesignSettings& s,
                               const std::atomic<bool>* cancel, const DesignProgress& progress) {
    SprayDesignResult r;
    r.algorithm = "COBYLA (NLopt " + std::to_string(nlopt::version_major()) + "." +
                  std::to_string(nlopt::version_minor()) + ")";
    r.best.flows = ClampFlows(FlowsOf(base), s.bounds);
    r.bestCase = PracticeCase(base, r.best.flows, s.targets);
    if (std::string why = CheckSprayDesign(s); !why.empty()) {
        r.status = DesignStatus::Refused;
        r.message = why;
        return r;
    }
    {
        Model m;
        ApplyCase(r.bestCase, m);
        if (std::string why = CheckRunInput(m.data, m.params); !why.empty()) {
            r.status = DesignStatus::Refused;
            r.message = why;
            return r;
        }
    }
    auto cancelled = [&] { return cancel && cancel->load(); };
    bool haveBest = false;
    auto take = [&](const PracticeRun& p) {
        ++r.runs;
        if (!haveBest || Better(p, r.best)) {
            r.best = p;
            haveBest = true;
        }
        if (progress) progress(r.runs, r.best);
    };

    // 1. A few practices at once: the case's own flows, half and twice them, and the middle of the
    //    bounds. The optimiser starts from the best of them.
    const Flows x0 = r.best.flows;
    std::vector<Flows> samples;
    Flows half = x0, twice = x0, mid;
    for (int k = 0; k < 4; ++k) {
        half[k] *= 0.5;
        twice[k] *= 2;
        mid[k] = (s.bounds.low[k] + s.bounds.high[k]) / 2;
    }
    for (const Flows& f : {x0, ClampFlows(half, s.bounds), ClampFlows(twice, s.bounds), mid})
        if (std::find(samples.begin(), samples.end(), f) == samples.end()) samples.push_back(f);
    for (const PracticeRun& p : RunPractices(base, samples, s.targets, s.jobs))
        take(p);

    // 2. COBYLA from the best sample: the total water is the objective, every target a constraint
    //    (its violation in its scale, <= 0). Each evaluation of the constraints is one run.
    const int left = s.maxRuns - r.runs - 1; // one run kept for the rounded practice
    if (left > 0 && !cancelled()) {
        nlopt::opt opt(nlopt::LN_COBYLA, 4);
        std::vector<double> lo(s.bounds.low.begin(), s.bounds.low.end());
        std::vector<double> hi(s.bounds.high.begin(), s.bounds.high.end());
        opt.set_lower_bounds(lo);
        opt.set_upper_bounds(hi);
        std::vector<double> step(4);
        for (int k = 0; k < 4; ++k)
            step[k] = std::max(0.05, 0.15 * (hi[k] - lo[k]));
        opt.set_initial_step(step);
        opt.set_xtol_abs(std::max(1e-4, s.flowTolerance));
        opt.set_maxeval(left);
        opt.set_min_objective(
            [](unsigned n, const double* x, double*, void*) {
                double sum = 0;
                for (unsigned k = 0; k < n; ++k)
                    sum += x[k];
                return sum;
            },
            nullptr);
        struct Ctx {
            const Case* base;
            const SprayDesignSettings* s;
            nlopt::opt* opt;
            std::function<void(const PracticeRun&)> take;
            std::function<bool()> cancelled;
        } ctx{&base, &s, &opt, take, cancelled};
        const std::size_t m = TargetCount(s.targets);
        opt.add_inequality_mconstraint(
            [](unsigned mc, double* result, unsigned, const double* x, double*, void* data) {
                auto* c = static_cast<Ctx*>(data);
                const Flows f{x[0], x[1], x[2], x[3]};
                const PracticeRun p = RunPractice(*c->base, ClampFlows(f, c->s->bounds), c->s->targets);
                c->take(p);
                for (unsigned k = 0; k < mc; ++k)
                    result[k] = kFailedRun;
                if (p.ran) {
                    // Violations as the scaled margins, the same order as the targets.
                    for (unsigned k = 0; k < mc && k < p.targets.size(); ++k)
                        result[k] = -p.targets[k].margin / p.targets[k].scale;
                }
                if (c->cancelled()) c->opt->force_stop();
            },
            &ctx, std::vector<double>(m, 1e-6));
        std::vector<double> x(r.best.flows.begin(), r.best.flows.end());
        double f = 0;
        try {
            opt.optimize(x, f);
        } catch (const nlopt::forced_stop&) {
        } catch (const nlopt::roundoff_limited&) {
        } catch (const std::exception&) {
            // Whatever stopped the optimiser, the best practice run so far stands.
        }
    }

    // 3. The practice found, rounded to hundredths of a cubic metre an hour, if that still meets
    //    every target.
    if (r.best.Met() && !cancelled()) {
        Flows rounded;
        for (int k = 0; k < 4; ++k)
            rounded[k] = Clamp(std::round(r.best.flows[k] * 100) / 100, s.bounds.low[k], s.bounds.high[k]);
        if (rounded != r.best.flows) {
            const PracticeRun p = RunPractice(base, rounded, s.targets);
            ++r.runs;
            if (p.Met()) r.best = p;
            if (progress) progress(r.runs, r.best);
        }
    }

    r.bestCase = PracticeCase(base, r.best.flows, s.targets);
    if (r.best.Met()) {
        r.status = DesignStatus::Met;
        r.message.clear();
    } else {
        r.status = cancelled() ? DesignStatus::Cancelled : DesignStatus::NotMet;
        r.message = !r.best.ran ? r.best.message : "не выполнены цели: " + UnmetText(r.best);
        if (r.status == DesignStatus::Cancelled) r.message = "подбор прерван; " + r.message;
    }
    return r;
}

Case SpeedCase(const Case& base, double vlit, const FlowBounds& bounds) {
    Case c = base;
    Flows f = FlowsOf(base);
    const double ratio = base.window.Vlit > 0 ? vlit / base.window.Vlit : 1;
    for (double& q : f)
        q *= ratio;
    f = ClampFlows(f, bounds);
    for (int k = 0; k < 4; ++k)
        SetCaseValue(c, FlowField(k), f[k]);
    c.window.Vlit = vlit;
    return c;
}

std::vector<SprayTableRow> DesignSprayTable(const Case& base, const std::vector<double>& speeds,
                                            std::size_t first, std::size_t last, const SprayDesignSettings& s,
                                            int jobs, const std::atomic<bool>* cancel,
                                            const std::function<void(const SprayTableRow&)>& onRow) {
    last = std::min(last, speeds.size());
    first = std::min(first, last);
    const std::size_t n = last - first;
    std::vector<SprayTableRow> rows(n);
    std::vector<bool> ready(n, false);
    std::size_t delivered = 0, next = 0;
    std::mutex mutex;
    SprayDesignSettings one = s;
    one.jobs = 1; // the speeds take the threads
    auto work = [&] {
        for (;;) {
            std::size_t k;
            {
                std::lock_guard lock(mutex);
                if (next >= n || (cancel && cancel->load())) return;
                k = next++;
            }
            SprayTableRow row;
            row.index = first + k;
            row.vlit = speeds[first + k];
            row.design = DesignSprays(SpeedCase(base, row.vlit, s.bounds), one, cancel);
            std::lock_guard lock(mutex);
            rows[k] = std::move(row);
            ready[k] = true;
            while (delivered < n && ready[delivered]) {
                if (onRow) onRow(rows[delivered]);
                ++delivered;
            }
        }
    };
    const int threads = std::clamp(jobs, 1, std::max(1, int(n)));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& th : pool)
        th.join();
    rows.resize(delivered); // rows not designed after a cancel are left out
    return rows;
}

std::string SprayCsvHeader() {
    std::string h = "Vlit,Q1,Q2,Q3,Q4,totalWater,Vp";
    for (const StudyFigure& f : StudyFigures())
        h += std::string(",") + f.key;
    h += ",runs,status,message\n";
    return h;
}

std::string SprayCsvLine(const SprayTableRow& row) {
    const SprayDesignResult& d = row.design;
    std::string line;
    AppendCsvNumber(line, row.vlit);
    for (double q : d.best.flows) {
        line += ',';
        AppendCsvNumber(line, q);
    }
    line += ',';
    AppendCsvNumber(line, d.best.TotalWater());
    line += ',';
    AppendCsvNumber(line, d.bestCase.window.Vp);
    for (const StudyFigure& f : StudyFigures()) {
        line += ',';
        if (d.best.ran) AppendCsvNumber(line, f.get(d.best.figures));
    }
    line += ',' + std::to_string(d.runs) + ',';
    line += DesignStatusKey(d.status);
    line += ',';
    AppendCsvQuoted(line, d.message);
    line += '\n';
    return line;
}

std::string WriteSprayCsv(const std::string& path, const std::vector<SprayTableRow>& rows) {
    std::string text = SprayCsvHeader();
    for (const SprayTableRow& r : rows)
        text += SprayCsvLine(r);
    return WriteFileAtomically(path, text);
}

const char* DesignStatusKey(DesignStatus s) {
    return s == DesignStatus::Met ? "met" : "not met";
}

const char* DesignStatusCaption(DesignStatus s) {
    switch (s) {
    case DesignStatus::Met:
        return "все цели выполнены";
    case DesignStatus::NotMet:
        return "цели не выполнены";
    case DesignStatus::Refused:
        return "подбор не выполнялся";
    case DesignStatus::Cancelled:
        return "подбор прерван";
    }
    return "";
}

} // namespace korvel
