#include "Calibration.h"

#include "DesignText.h"
#include "model/PhysicalBoundary.h"
#include "results/FileWrite.h"
#include "results/MachineProfile.h"
#include "run/HeadlessRun.h"

#include <nlopt.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

namespace korvel {

namespace {

// The slice goes this far beyond the farthest reading.
constexpr double kBeyond = 0.3;

std::string Trim(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return std::string(s);
}

double Rms(const std::vector<double>& r) {
    if (r.empty()) return NAN;
    double sum = 0;
    for (double v : r)
        sum += v * v;
    return std::sqrt(sum / double(r.size()));
}

std::vector<double> Residuals(const std::vector<double>& model, const std::vector<Measurement>& readings) {
    std::vector<double> r(readings.size());
    for (std::size_t k = 0; k < readings.size(); ++k)
        r[k] = model[k] - readings[k].temperature;
    return r;
}

} // namespace

const char* MeasuredPointKey(MeasuredPoint p) {
    switch (p) {
    case MeasuredPoint::FaceX:
        return "faceX";
    case MeasuredPoint::FaceY:
        return "faceY";
    case MeasuredPoint::Corner:
        return "corner";
    }
    return "";
}

bool ParseMeasurements(std::string_view text, std::vector<Measurement>& out, std::string& error) {
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<Measurement> readings;
    int line = 0;
    bool header = false;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        const std::string row = Trim(text.substr(0, nl));
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        ++line;
        const std::string where = "строка " + std::to_string(line) + ": ";
        if (!header) {
            if (row != "z_m,point,T_C") {
                error = where + "ожидается заголовок «z_m,point,T_C», а не «" + row.substr(0, 60) + "»";
                return false;
            }
            header = true;
            continue;
        }
        if (row.empty()) continue;
        std::vector<std::string> f;
        std::string_view rest = row;
        for (;;) {
            const auto c = rest.find(',');
            f.push_back(Trim(rest.substr(0, c)));
            if (c == std::string_view::npos) break;
            rest.remove_prefix(c + 1);
        }
        if (f.size() != 3) {
            error = where + "нужно три поля через запятую (z_m,point,T_C), а их " + std::to_string(f.size());
            return false;
        }
        Measurement m;
        m.line = line;
        std::vector<double> v;
        if (!ReadNumbers(f[0], ';', v) || v.size() != 1 || !(v[0] > 0) || v[0] > kMaxReadingDistance) {
            error = where + "расстояние от мениска «" + f[0] +
                    "» должно быть числом больше нуля и не больше " + FixedText(kMaxReadingDistance, 0) +
                    " м (с точкой)";
            return false;
        }
        m.z = v[0];
        if (f[1] == "faceX")
            m.point = MeasuredPoint::FaceX;
        else if (f[1] == "faceY")
            m.point = MeasuredPoint::FaceY;
        else if (f[1] == "corner")
            m.point = MeasuredPoint::Corner;
        else {
            error = where + "точка «" + f[1] + "» неизвестна (допустимы faceX, faceY, corner)";
            return false;
        }
        if (!ReadNumbers(f[2], ';', v) || v.size() != 1 || v[0] < -273.15 || v[0] > 3000) {
            error = where + "температура «" + f[2] + "» должна быть числом от -273 до 3000 °C (с точкой)";
            return false;
        }
        m.temperature = v[0];
        readings.push_back(m);
        if (readings.size() > 100000) {
            error = "слишком много измерений (больше 100000)";
            return false;
        }
    }
    if (!header) {
        error = "файл пуст: нет заголовка «z_m,point,T_C»";
        return false;
    }
    if (readings.empty()) {
        error = "в файле нет ни одного измерения";
        return false;
    }
    out = std::move(readings);
    return true;
}

bool ReadMeasurementFile(const std::string& path, std::vector<Measurement>& out, std::string& error) {
    const std::string where = "Файл измерений «" + path + "»: ";
    std::string text;
    if (!ReadWholeFile(path, kMaxMeasurementFileBytes, "слишком большой (больше 4 МБ)", text, error)) {
        error = where + error;
        return false;
    }
    std::string why;
    if (!ParseMeasurements(text, out, why)) {
        error = where + why;
        return false;
    }
    return true;
}

Case CalibrationCase(const Case& c, const std::vector<Measurement>& readings) {
    Case out = c;
    double zMax = 0;
    for (const Measurement& m : readings)
        zMax = std::max(zMax, m.z);
    if (c.window.Vlit > 0) {
        const double vp = std::ceil((zMax + kBeyond) / c.window.Vlit * 10) / 10;
        if (vp > out.window.Vp) out.window.Vp = vp;
    }
    return out;
}

std::vector<double> ModelAtReadings(const Case& c, const std::vector<Measurement>& readings) {
    std::vector<double> t(readings.size(), NAN);
    Model m;
    ApplyCase(CalibrationCase(c, readings), m);
    if (!CheckRunInput(m.data, m.params).empty()) return t;
    MachineProfile profile;
    const RunOutcome out = RunHeadless(m, [&](const Model& s, bool) { RecordProfile(profile, s); });
    if (out.end == RunEnd::NotFinite || out.end == RunEnd::Unstable) return t;
    for (std::size_t k = 0; k < readings.size(); ++k) {
        ProfilePoint p;
        if (!ProfileAt(profile, readings[k].z, p)) continue;
        t[k] = readings[k].point == MeasuredPoint::FaceX   ? p.surfaceX
               : readings[k].point == MeasuredPoint::FaceY ? p.surfaceY
                                                           : p.corner;
    }
    return t;
}

CalibrationResult Calibrate(const Case& c, const std::vector<Measurement>& readings,
                            const CalibrationSettings& s, const std::atomic<bool>* cancel,
                            const std::function<void(int, double)>& progress) {
    CalibrationResult r;
    r.calibrated = c;
    for (int k = 0; k < 4; ++k)
        r.before[k] = r.multipliers[k] = c.params.SprayFactor[k];
    const double a0 = c.params.MouldA;
    r.mouldABefore = r.mouldAAfter = a0;
    if (readings.empty()) {
        r.message = "нет ни одного измерения";
        return r;
    }
    if (!(s.low > 0) || !(s.low <= s.high) || !std::isfinite(s.high)) {
        r.message = "границы множителей должны быть числами больше нуля, нижняя не больше верхней";
        return r;
    }
    const bool physical = c.params.Boundary == BoundaryModel::Physical;
    if (physical && (!(s.mouldALow > 0) || !(s.mouldALow <= s.mouldAHigh) || !std::isfinite(s.mouldAHigh))) {
        r.message = "границы A кристаллизатора должны быть числами больше нуля, нижняя не больше верхней";
        return r;
    }
    double mouldTime = 0; // s from the meniscus to the mould's exit
    {
        Model m;
        ApplyCase(CalibrationCase(c, readings), m);
        if (std::string why = CheckRunInput(m.data, m.params); !why.empty()) {
            r.message = why;
            return r;
        }
        // A section can be fitted only from readings taken in it or after it.
        const double starts[4] = {m.data.Lkrist, m.data.Lend1, m.data.Lend2, m.data.Lend3};
        // With the physical model a section's multiplier scales its spray coefficient alone, which a
        // section without water does not have: nothing can tell its multiplier.
        const double flows[4] = {m.data.Q1, m.data.Q2, m.data.Q3, m.data.Q4};
        for (int k = 0; k < 4; ++k) {
            r.dry[k] = physical && !(flows[k] > 0);
            for (const Measurement& x : readings)
                if (x.z > starts[k] && !r.dry[k]) r.fitted[k] = true;
        }
        // The mould's flux shapes the surface from the meniscus on, so every reading (each lies below
        // the meniscus) tells A; the readings in the mould tell it best.
        r.mouldAFitted = physical;
        mouldTime = m.data.Vlit > 0 ? m.data.Lkrist / (m.data.Vlit / 60) : 0;
    }
    const std::vector<double> before = ModelAtReadings(c, readings);
    r.runs = 1;
    r.residualsBefore = Residuals(before, readings);
    for (std::size_t k = 0; k < before.size(); ++k) {
        if (!std::isfinite(before[k])) {
            r.message = "строка " + std::to_string(readings[k].line) + ": расчет не дает температуру на " +
                        FixedText(readings[k].z, 2) + " м (расчет неустойчив или не доходит до этого места)";
            return r;
        }
    }
    r.rmsBefore = Rms(r.residualsBefore);

    // The variables: the multipliers of the sections that readings can tell and, with the physical
    // boundary model, the mould law's A as its ratio to the case's A (kMouldA), so that the optimiser's
    // steps in it are of the multipliers' size: 0.2 of it is 0.54 MW/m² at the default A.
    constexpr int kMouldA = 4;
    std::vector<int> vars;
    for (int k = 0; k < 4; ++k)
        if (r.fitted[k]) vars.push_back(k);
    if (r.mouldAFitted) vars.push_back(kMouldA);
    double bestSse = r.rmsBefore * r.rmsBefore * double(readings.size());
    // The four multipliers, then A (MW/m²).
    std::array<double, 5> best{r.before[0], r.before[1], r.before[2], r.before[3], a0};
    struct Ctx {
        const Case* c;
        const std::vector<Measurement>* readings;
        const std::vector<int>* vars;
        std::array<double, 5> base;
        double a0;
        CalibrationResult* r;
        double* bestSse;
        std::array<double, 5>* best;
        const std::atomic<bool>* cancel;
        const std::function<void(int, double)>* progress;
        nlopt::opt* opt;
    };
    if (!vars.empty() && s.maxRuns > 1) {
        const unsigned n = unsigned(vars.size());
        // BOBYQA needs two variables at least; one is fitted with a derivative-free bounded search.
        nlopt::opt opt(n >= 2 ? nlopt::LN_BOBYQA : nlopt::LN_SBPLX, n);
        std::vector<double> lower(n, s.low), upper(n, s.high), step(n, std::min(0.2, (s.high - s.low) / 4));
        std::vector<double> x(n);
        for (unsigned v = 0; v < n; ++v) {
            if (vars[v] == kMouldA) {
                // Bounds widened to take in the case's own A, which is the start.
                lower[v] = std::min(s.mouldALow, a0) / a0;
                upper[v] = std::max(s.mouldAHigh, a0) / a0;
                step[v] = std::min(0.2, (upper[v] - lower[v]) / 4);
                x[v] = 1;
            } else {
                x[v] = std::clamp(r.before[vars[v]], s.low, s.high);
            }
        }
        opt.set_lower_bounds(lower);
        opt.set_upper_bounds(upper);
        opt.set_initial_step(step);
        opt.set_xtol_abs(1e-3);
        opt.set_ftol_rel(1e-7);
        opt.set_maxeval(s.maxRuns - 1);
        Ctx ctx{&c, &readings, &vars, best, a0, &r, &bestSse, &best, cancel, &progress, &opt};
        opt.set_min_objective(
            [](unsigned nv, const double* x, double*, void* data) {
                auto* c = static_cast<Ctx*>(data);
                Case trial = *c->c;
                std::array<double, 5> k = c->base;
                for (unsigned v = 0; v < nv; ++v)
                    k[(*c->vars)[v]] = (*c->vars)[v] == kMouldA ? x[v] * c->a0 : x[v];
                for (int s = 0; s < 4; ++s)
                    trial.params.SprayFactor[s] = k[s];
                trial.params.MouldA = k[kMouldA];
                const std::vector<double> t = ModelAtReadings(trial, *c->readings);
                ++c->r->runs;
                double sse = 0;
                for (std::size_t i = 0; i < t.size(); ++i) {
                    const double d = t[i] - (*c->readings)[i].temperature;
                    sse += std::isfinite(d) ? d * d : 1e12;
                }
                if (sse < *c->bestSse) {
                    *c->bestSse = sse;
                    *c->best = k;
                }
                if (*c->progress)
                    (*c->progress)(c->r->runs, std::sqrt(*c->bestSse / double(c->readings->size())));
                if (c->cancel && c->cancel->load()) c->opt->force_stop();
                return sse;
            },
            &ctx);
        double f = 0;
        try {
            opt.optimize(x, f);
        } catch (const std::exception&) {
            // A forced stop or a round-off limit: the best multipliers so far stand.
        }
    }
    for (int k = 0; k < 4; ++k)
        r.calibrated.params.SprayFactor[k] = r.multipliers[k] = best[k];
    r.calibrated.params.MouldA = r.mouldAAfter = best[kMouldA];
    if (r.mouldAFitted) {
        const double b = c.params.MouldB * 1e6;
        const double q0 = MouldFluxIntegral(a0 * 1e6, b, mouldTime);
        r.mouldHeatChange =
            q0 > 0 ? (MouldFluxIntegral(r.mouldAAfter * 1e6, b, mouldTime) / q0 - 1) * 100 : NAN;
    }
    const std::vector<double> after = ModelAtReadings(r.calibrated, readings);
    ++r.runs;
    r.residualsAfter = Residuals(after, readings);
    r.rmsAfter = Rms(r.residualsAfter);
    r.ok = true;
    if (cancel && cancel->load())
        r.message = r.mouldAFitted
                        ? "подбор прерван; показаны лучшие множители и A кристаллизатора, найденные до этого"
                        : "подбор прерван; показаны лучшие множители, найденные до этого";
    for (int k = 0; k < 4; ++k)
        if (!r.fitted[k])
            r.message += std::string(r.message.empty() ? "" : "; ") + "секция " + std::to_string(k + 1) +
                         (r.dry[k] ? ": нет воды (расход 0), множитель не менялся"
                                   : ": нет измерений в ней и после нее, множитель не менялся");
    return r;
}

std::string CalibrationJson(const CalibrationResult& r, const std::vector<Measurement>& readings) {
    std::string s = "{\"multipliers\": [";
    for (int k = 0; k < 4; ++k) {
        if (k) s += ", ";
        AppendCsvNumber(s, r.multipliers[k]);
    }
    auto number = [](double v) {
        std::string t;
        AppendCsvNumber(t, v);
        return t.empty() ? std::string("null") : t;
    };
    s += "], ";
    if (r.mouldAFitted)
        s += "\"mouldA\": {\"before\": " + number(r.mouldABefore) + ", \"after\": " + number(r.mouldAAfter) +
             "}, \"mouldHeatChange\": " + number(r.mouldHeatChange) + ", ";
    s += "\"rmsBefore\": " + number(r.rmsBefore) + ", \"rmsAfter\": " + number(r.rmsAfter) +
         ", \"runs\": " + std::to_string(r.runs) + ", \"readings\": [";
    for (std::size_t k = 0; k < readings.size(); ++k) {
        s += k ? ",\n    " : "\n    ";
        s += "{\"z_m\": " + number(readings[k].z) + ", \"point\": \"" + MeasuredPointKey(readings[k].point) +
             "\", \"T_C\": " + number(readings[k].temperature) +
             ", \"before\": " + number(k < r.residualsBefore.size() ? r.residualsBefore[k] : NAN) +
             ", \"after\": " + number(k < r.residualsAfter.size() ? r.residualsAfter[k] : NAN) + "}";
    }
    s += "]}";
    return s;
}

} // namespace korvel
