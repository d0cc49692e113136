#include "Study.h"

#include "cases/FieldRanges.h"
#include "cases/NumberText.h"
#include "cases/PrintableText.h"
#include "results/DerivedResults.h"
#include "results/MachineProfile.h"
#include "results/StepCheck.h"
#include "run/HeadlessRun.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace korvel {

namespace {

// A finite number with a decimal point, whatever the locale, with at most one sign; nothing else may follow.
bool ReadNumber(std::string_view text, double& v) {
    double value = 0;
    if (!ParseDecimal(text, value) || !std::isfinite(value)) return false;
    v = value;
    return true;
}

// The fewest decimals (up to 15) with which v is written exactly as the nearest double reads it
// back; -1 when none is enough.
int DecimalsOf(double v) {
    char buf[64];
    for (int d = 0; d <= 15; ++d) {
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, d);
        if (r.ec != std::errc()) return -1;
        double back = 0;
        std::from_chars(buf, r.ptr, back);
        if (back == v) return d;
    }
    return -1;
}

double RoundToDecimals(double v, int d) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, d);
    if (r.ec != std::errc()) return v;
    double back = v;
    std::from_chars(buf, r.ptr, back);
    return back;
}

std::vector<std::string_view> Split(std::string_view text, char sep) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = text.find(sep);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) break;
        text.remove_prefix(at + 1);
    }
    return parts;
}

} // namespace

bool RangeValues(double from, double to, double step, std::vector<double>& values, std::string& error) {
    values.clear();
    if (!std::isfinite(from) || !std::isfinite(to) || !std::isfinite(step)) {
        error = "начало, конец и шаг должны быть числами";
        return false;
    }
    if (from == to) {
        values.push_back(from);
        return true;
    }
    if (step == 0) {
        error = "шаг не должен быть равен нулю";
        return false;
    }
    const double n = (to - from) / step;
    if (n < 0) {
        error = "шаг ведет от начала в сторону, противоположную концу";
        return false;
    }
    if (!(n < double(kMaxStudyValues))) {
        error = "слишком много значений (не более " + std::to_string(kMaxStudyValues) + ")";
        return false;
    }
    // A quotient a hair below a whole number still reaches TO.
    const auto count = static_cast<std::size_t>(std::floor(n + 1e-9)) + 1;
    const int df = DecimalsOf(from), ds = DecimalsOf(step);
    const int d = (df < 0 || ds < 0) ? -1 : std::max(df, ds);
    values.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        const double v = from + double(k) * step;
        values.push_back(d >= 0 ? RoundToDecimals(v, d) : v);
    }
    return true;
}

bool ParseStudyInput(std::string_view text, StudyInput& out, std::string& error) {
    const std::string form =
        "ожидается KEY=FROM:TO:STEP или KEY=v1,v2,..., а не «" + PrintableText(text) + "»";
    const auto eq = text.find('=');
    if (eq == std::string_view::npos || eq == 0 || eq + 1 >= text.size()) {
        error = form;
        return false;
    }
    const std::string key = PrintableText(text.substr(0, eq));
    const std::string_view rawKey = text.substr(0, eq);
    const std::string_view rest = text.substr(eq + 1);
    const CaseField* field = FindCaseField(rawKey);
    if (!field) {
        error = "неизвестный параметр «" + key + "»; допустимы:";
        for (const CaseField& f : CaseFields())
            error += std::string(" ") + f.key;
        return false;
    }
    StudyInput in;
    in.field = field;
    if (rest.find(':') != std::string_view::npos) {
        const auto parts = Split(rest, ':');
        double v[3] = {};
        if (parts.size() != 3) {
            error = key + ": " + form;
            return false;
        }
        const char* names[3] = {"начало", "конец", "шаг"};
        for (int k = 0; k < 3; ++k) {
            if (!ReadNumber(parts[k], v[k])) {
                error = key + ": " + names[k] + " «" + PrintableText(parts[k]) + "» не является числом";
                return false;
            }
        }
        std::string why;
        if (!RangeValues(v[0], v[1], v[2], in.values, why)) {
            error = key + "=" + PrintableText(rest) + ": " + why;
            return false;
        }
    } else {
        for (std::string_view item : Split(rest, ',')) {
            double v = 0;
            if (!ReadNumber(item, v)) {
                error = key + ": значение «" + PrintableText(item) + "» не является числом";
                return false;
            }
            in.values.push_back(v);
        }
        if (in.values.size() > kMaxStudyValues) {
            error = key + ": слишком много значений (не более " + std::to_string(kMaxStudyValues) + ")";
            return false;
        }
    }
    if (std::string why = CheckStudyInputValues(in); !why.empty()) {
        error = std::move(why);
        return false;
    }
    out = std::move(in);
    return true;
}

std::string CheckStudyInputValues(const StudyInput& in) {
    if (!in.field) return "изменяемый параметр не задан";
    const std::string key = in.field->key;
    if (in.values.empty()) return key + ": нет ни одного значения";
    for (double v : in.values) {
        if (!std::isfinite(v)) return key + ": значения должны быть числами";
        if (std::string bad = BoundaryFieldCheck(*in.field, v); !bad.empty()) return key + ": " + bad;
        if (in.field->param == CaseField::Param::L || in.field->param == CaseField::Param::M ||
            in.field->param == CaseField::Param::SideFlag) {
            // The model holds these as whole numbers: anything else cannot even be set.
            if (v != std::floor(v) || std::fabs(v) > 1e9) {
                const std::string why = CheckFieldValue(key, v, key);
                return why.empty() ? key + ": нужны целые значения, а не " + NumberForMessage(v) : why;
            }
            if (in.field->param == CaseField::Param::SideFlag && v != 1 && v != -1)
                return key + ": допустимы только значения 1 и -1";
        }
    }
    return {};
}

std::string CheckStudy(const Study& s) {
    if (s.inputs.empty()) return "не задан ни один изменяемый параметр";
    // Counted without overflow: beyond the limit the product is not needed.
    std::size_t runs = 1;
    for (std::size_t k = 0; k < s.inputs.size(); ++k) {
        const StudyInput& in = s.inputs[k];
        if (!in.field) return "изменяемый параметр не задан";
        if (in.values.empty())
            return std::string("у параметра «") + in.field->key + "» нет ни одного значения";
        for (std::size_t j = 0; j < k; ++j)
            if (s.inputs[j].field == in.field)
                return std::string("параметр «") + in.field->key + "» изменяется дважды";
        if (runs <= kMaxStudyRuns)
            runs = in.values.size() > kMaxStudyRuns ? kMaxStudyRuns + 1 : runs * in.values.size();
    }
    if (!s.combinations.empty()) {
        runs = s.combinations.size();
        for (const std::vector<double>& v : s.combinations)
            if (v.size() != s.inputs.size()) return "в сочетании значений не по одному значению на параметр";
    }
    if (runs > kMaxStudyRuns) {
        // The true count, as a number of powers of ten when it is too large to write out.
        double count = 1;
        for (const StudyInput& in : s.inputs)
            count *= double(in.values.size());
        if (!s.combinations.empty()) count = double(s.combinations.size());
        char buf[64];
        std::snprintf(buf, sizeof buf, count < 1e15 ? "%.0f" : "около %.3g", count);
        return std::string("слишком много расчетов: ") + buf + " (не более " + std::to_string(kMaxStudyRuns) +
               ")";
    }
    return {};
}

std::size_t StudyRunCount(const Study& s) {
    if (s.inputs.empty()) return 0;
    if (!s.combinations.empty()) return s.combinations.size();
    std::size_t n = 1;
    for (const StudyInput& in : s.inputs)
        n *= in.values.size();
    return n;
}

std::vector<double> StudyRunValues(const Study& s, std::size_t index) {
    if (!s.combinations.empty())
        return index < s.combinations.size() ? s.combinations[index] : std::vector<double>();
    std::vector<double> v(s.inputs.size());
    for (std::size_t k = s.inputs.size(); k-- > 0;) {
        const std::size_t n = s.inputs[k].values.size();
        v[k] = s.inputs[k].values[index % n];
        index /= n;
    }
    return v;
}

Case StudyRunCase(const Study& s, std::size_t index) {
    Case c = s.base;
    const std::vector<double> v = StudyRunValues(s, index);
    for (std::size_t k = 0; k < v.size(); ++k)
        SetCaseValue(c, *s.inputs[k].field, v[k]);
    return c;
}

StudySlice StudyPart(std::size_t runCount, int k, int n) {
    if (n < 1 || k < 1 || k > n) return {};
    return {runCount * std::size_t(k - 1) / std::size_t(n), runCount * std::size_t(k) / std::size_t(n)};
}

bool ParseStudyPart(std::string_view text, int& k, int& n, std::string& error) {
    const auto slash = text.find('/');
    // A whole number of digits only; a number too large for the type counts as "too large".
    enum class Read { Ok, Bad, TooLarge };
    auto readCount = [](std::string_view t, long long& v) {
        if (t.empty() || t.front() < '0' || t.front() > '9') return Read::Bad;
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
        if (end != t.data() + t.size()) return Read::Bad;
        if (ec == std::errc::result_out_of_range) return Read::TooLarge;
        return ec == std::errc() ? Read::Ok : Read::Bad;
    };
    long long kk = 0, nn = 0;
    const Read rk = slash == std::string_view::npos ? Read::Bad : readCount(text.substr(0, slash), kk);
    const Read rn = slash == std::string_view::npos ? Read::Bad : readCount(text.substr(slash + 1), nn);
    if (rk == Read::Bad || rn == Read::Bad) {
        error = "ожидается K/N (часть K из N), а не «" + PrintableText(text) + "»";
        return false;
    }
    const long long most = static_cast<long long>(kMaxStudyRuns);
    if (rn == Read::TooLarge || nn > most) {
        error = "в K/N число частей N должно быть от 1 до " + std::to_string(most) +
                " (не больше, чем может быть расчетов в серии), а задано «" + PrintableText(text) + "»";
        return false;
    }
    if (nn < 1 || rk == Read::TooLarge || kk < 1 || kk > nn) {
        error = "в K/N нужно 1 <= K <= N, а задано «" + PrintableText(text) + "»";
        return false;
    }
    k = static_cast<int>(kk);
    n = static_cast<int>(nn);
    return true;
}

StudyRow RunStudyCase(const Case& c, long long maxSteps, const std::function<void(double)>& progress,
                      const QualityLimits* judge) {
    StudyRow row;
    Model m;
    ApplyCase(c, m);
    // The values as the study gives them (the data window's units), then what the run itself refuses.
    row.message = CheckWindowRanges(c.window, &c.params);
    if (!row.message.empty()) row.message += ".";
    if (row.message.empty()) row.message = CheckRunInput(m.data, m.params);
    if (!row.message.empty()) {
        row.status = StudyRunStatus::Refused;
        return row;
    }
    if (const StepCheck check = CheckStep(m.data, m.params); !check.Ok()) {
        row.message = check.message;
        row.warned = true;
    }
    ResultsTracker tracker;
    MachineProfile profile;
    // The process time the run goes to: its duration, or where maxSteps stop it.
    double tauEnd = m.data.TauEnd;
    if (maxSteps >= 0) tauEnd = std::min(tauEnd, double(maxSteps) * m.params.Dt);
    const RunOutcome out = RunHeadless(
        m,
        [&](const Model& state, bool) {
            if (judge) RecordProfile(profile, state);
            if (progress) progress(tauEnd > 0 ? std::clamp(state.state.Tau / tauEnd, 0.0, 1.0) : 1.0);
        },
        maxSteps, &tracker);
    row.steps = out.steps;
    row.status = out.end == RunEnd::Finished   ? StudyRunStatus::Completed
                 : out.end == RunEnd::Stopped  ? StudyRunStatus::Stopped
                 : out.end == RunEnd::Unstable ? StudyRunStatus::Unstable
                                               : StudyRunStatus::NotFinite;
    if (row.status == StudyRunStatus::Unstable) {
        row.message = UnstableRunMessage(out.steps, m.Z(), m.params.Dt, AdvisedStep(m.params.Dt));
        return row;
    }
    if (row.status == StudyRunStatus::NotFinite) {
        // A temperature outside the physical range is an unstable run, not a field that stopped being a
        // number: the row says which, with the advice the single run gives (numbers with a decimal
        // point: the message goes into files).
        std::string z, dt;
        AppendCsvNumber(z, std::round(m.data.Vlit / 60 * m.state.Tau * 100) / 100);
        AppendCsvNumber(dt, m.params.Dt / 2);
        row.message = out.end == RunEnd::Unstable
                          ? "на шаге " + std::to_string(out.steps) + " (" + z +
                                " м от мениска) температура вышла за физически возможные пределы: расчет "
                                "численно неустойчив и остановлен; помогает шаг вдвое меньше (" +
                                dt + " с) или более грубая сетка"
                          : "после шага " + std::to_string(out.steps) +
                                " поле температур или концентраций перестало быть числом; расчет остановлен";
        return row;
    }
    row.figures = ComputeKeyFigures(m, tracker.Results(m), out.end == RunEnd::Finished);
    if (judge) row.verdict = JudgeQuality(row.figures, profile, m.data, *judge);
    return row;
}

StudyRunner::StudyRunner(Study study, StudySlice slice, int jobs)
    : study_(std::move(study)), slice_(slice), jobs_(std::max(1, jobs)) {
    const std::size_t total = StudyRunCount(study_);
    slice_.last = std::min(slice_.last, total);
    slice_.first = std::min(slice_.first, slice_.last);
    partial_ = std::make_unique<std::atomic<double>[]>(std::size_t(jobs_));
    for (int t = 0; t < jobs_; ++t)
        partial_[t].store(0);
}

double StudyRunner::DoneShare() const {
    const std::size_t n = slice_.last - slice_.first;
    if (n == 0) return 1;
    double done = double(finished_.load());
    for (int t = 0; t < jobs_; ++t)
        done += partial_[t].load();
    return std::clamp(done / double(n), 0.0, 1.0);
}

void StudyRunner::Run(const RowCallback& onRow) {
    const std::size_t n = slice_.last - slice_.first;
    {
        std::lock_guard lock(mutex_);
        next_ = 0;
        started_.store(0);
        finished_.store(0);
        for (int t = 0; t < jobs_; ++t)
            partial_[t].store(0);
        pending_.assign(n, StudyRow());
        ready_.assign(n, false);
        rows_.clear();
        rows_.reserve(n);
    }
    const int threads = static_cast<int>(std::min<std::size_t>(std::size_t(jobs_), n));
    // A background study never lowers the priority of the caller's own thread.
    if (threads <= 1 && !background_) {
        work(onRow, 0);
        return;
    }
    std::vector<std::thread> pool;
    pool.reserve(threads);
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([this, &onRow, t] { work(onRow, t); });
    for (std::thread& t : pool)
        t.join();
}

void StudyRunner::work(const RowCallback& onRow, int slot) {
    const std::size_t n = slice_.last - slice_.first;
    // On Linux the nice value belongs to the thread; it changes when the runs go, never what they give.
    if (background_) ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
    for (;;) {
        std::size_t k = 0;
        {
            std::lock_guard lock(mutex_);
            if (cancel_.load() || next_ >= n) return;
            k = next_++;
            started_.fetch_add(1);
        }
        const std::size_t index = slice_.first + k;
        StudyRow row;
        try {
            row = RunStudyCase(
                StudyRunCase(study_, index), study_.maxSteps,
                [this, slot](double share) { partial_[slot].store(share); },
                study_.judge ? &*study_.judge : nullptr);
        } catch (const std::exception& e) {
            row = StudyRow();
            row.status = StudyRunStatus::Refused;
            row.message = std::string("расчет прерван: ") + e.what();
        }
        row.index = index;
        row.inputs = StudyRunValues(study_, index);
        std::lock_guard lock(mutex_);
        partial_[slot].store(0);
        finished_.fetch_add(1);
        pending_[k] = std::move(row);
        ready_[k] = true;
        // Deliver every row whose predecessors are all delivered: the rows leave in the runs' order
        // whichever thread finishes first.
        while (rows_.size() < n && ready_[rows_.size()]) {
            rows_.push_back(std::move(pending_[rows_.size()]));
            if (onRow) onRow(rows_.back(), rows_.size(), n);
        }
    }
}

const std::vector<StudyFigure>& StudyFigures() {
    static const std::vector<StudyFigure> figures = {
        {"metallurgicalLength", "Металлургическая длина, м",
         [](const KeyFigures& k) { return k.metallurgicalLength; }},
        {"mouldExitShell", "Корочка на выходе из кристаллизатора, мм",
         [](const KeyFigures& k) { return k.mouldExitShell; }},
        {"maxReheat", "Наибольший разогрев поверхности, К", [](const KeyFigures& k) { return k.maxReheat; }},
        {"centreCarbonRatio", "Углерод в центре / в расплаве",
         [](const KeyFigures& k) { return k.centreCarbonRatio; }},
        {"centreSulphurRatio", "Сера в центре / в расплаве",
         [](const KeyFigures& k) { return k.centreSulphurRatio; }},
        {"centreTemperature", "Температура в центре в конце, °C",
         [](const KeyFigures& k) { return k.centreTemperature; }},
        {"tau", "Время процесса, с", [](const KeyFigures& k) { return k.tau; }},
    };
    return figures;
}

const char* StudyStatusName(StudyRunStatus s) {
    switch (s) {
    case StudyRunStatus::Completed:
        return "completed";
    case StudyRunStatus::Stopped:
        return "stopped";
    case StudyRunStatus::NotFinite:
        return "not-finite";
    case StudyRunStatus::Refused:
        return "refused";
    case StudyRunStatus::Unstable:
        return "unstable";
    }
    return "";
}

std::string StudyCsvHeader(const Study& s) {
    std::string h = "run";
    for (const StudyInput& in : s.inputs)
        h += std::string(",") + in.field->key;
    h += ",status";
    for (const StudyFigure& f : StudyFigures())
        h += std::string(",") + f.key;
    h += ",steps,message\n";
    return h;
}

std::string StudyCsvLine(const StudyRow& row) {
    std::string line = std::to_string(row.index + 1);
    for (double v : row.inputs) {
        line += ',';
        AppendCsvNumber(line, v);
    }
    line += ',';
    line += StudyStatusName(row.status);
    const bool figures = row.status == StudyRunStatus::Completed || row.status == StudyRunStatus::Stopped;
    for (const StudyFigure& f : StudyFigures()) {
        line += ',';
        if (figures) AppendCsvNumber(line, f.get(row.figures));
    }
    line += ',';
    line += std::to_string(row.steps);
    line += ',';
    AppendCsvQuoted(line, row.message);
    line += '\n';
    return line;
}

std::string StudyCsv(const Study& s, const std::vector<StudyRow>& rows, bool header) {
    std::string text = header ? StudyCsvHeader(s) : std::string();
    for (const StudyRow& r : rows)
        text += StudyCsvLine(r);
    return text;
}

} // namespace korvel
