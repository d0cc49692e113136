#include "BatchOptions.h"

#include "results/ResultsExport.h"

#include "cases/CaseBatch.h"
#include "cases/Overrides.h"
#include "study/Study.h"
#include <charconv>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace korvel {

namespace {
// A decimal number with a dot, read the same whatever the locale; an optional leading '+'. Refuses
// text with anything after the number and values beyond the range of a double.
bool ParseNumber(const std::string& text, double& value) {
    const char* b = text.data();
    const char* e = b + text.size();
    if (b != e && *b == '+') ++b;
    if (b == e || *b == '+') return false;
    const auto r = std::from_chars(b, e, value);
    return r.ec == std::errc() && r.ptr == e;
}

// An argument that is the value of an option: neither empty nor looking like an option itself.
bool OptionValueOk(const std::string& option, const std::string& v, std::string& error) {
    if (v.empty()) {
        error = option + ": пустое значение; укажите имя";
        return false;
    }
    if (v[0] == '-') {
        error = option + ": нужно имя, а не «" + v +
                "», похожее на параметр (имя, которое начинается с «-», запишите как ./" + v + ")";
        return false;
    }
    return true;
}

bool ParseCount(const std::string& text, long long& value) {
    double v = 0;
    if (!ParseNumber(text, v) || v < 0 || v != std::floor(v) || v > 1e15) return false;
    value = static_cast<long long>(v);
    return true;
}
} // namespace

bool ParseBatchArguments(const std::vector<std::string>& args, BatchOptions& o, std::string& error) {
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        auto next = [&](std::string& out) {
            if (k + 1 >= args.size()) {
                error = "после " + a + " нужно значение";
                return false;
            }
            out = args[++k];
            return true;
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--builtin") {
            o.builtin = true;
        } else if (a == "--steps") {
            std::string v;
            if (!next(v)) return false;
            if (!ParseCount(v, o.steps)) {
                error = "--steps: «" + v + "» не является целым неотрицательным числом";
                return false;
            }
        } else if (a == "--json") {
            if (!next(o.json) || !OptionValueOk(a, o.json, error)) return false;
        } else if (a == "--csv") {
            if (!next(o.csvDir) || !OptionValueOk(a, o.csvDir, error)) return false;
        } else if (a == "--case") {
            if (!next(o.caseFile) || !OptionValueOk(a, o.caseFile, error)) return false;
        } else if (a == "--save-case") {
            if (!next(o.saveCase) || !OptionValueOk(a, o.saveCase, error)) return false;
        } else if (a == "--limit") {
            std::string v;
            if (!next(v)) return false;
            const auto eq = v.find('=');
            double value = 0;
            if (eq == std::string::npos || !ParseNumber(v.substr(eq + 1), value)) {
                error = "--limit: нужно КРИТЕРИЙ=ЧИСЛО, а не «" + v + "»";
                return false;
            }
            if (const std::string why = SetQualityLimit(o.limits, v.substr(0, eq), value); !why.empty()) {
                error = "--limit: " + why;
                return false;
            }
            if (const std::string why = CheckQualityLimits(o.limits); !why.empty()) {
                error = "--limit: " + why;
                return false;
            }
        } else if (a == "--sweep") {
            std::string v;
            if (!next(v)) return false;
            StudyInput in;
            std::string why;
            if (!ParseStudyInput(v, in, why)) {
                error = "--sweep: " + why;
                return false;
            }
            o.sweeps.push_back(v);
        } else if (a == "--jobs") {
            std::string v;
            long long n = 0;
            if (!next(v)) return false;
            if (!ParseCount(v, n) || n < 1 || n > 1024) {
                error = "--jobs: «" + v + "» не является числом потоков от 1 до 1024";
                return false;
            }
            o.jobs = static_cast<int>(n);
        } else if (a == "--part") {
            std::string v, why;
            if (!next(v)) return false;
            if (!ParseStudyPart(v, o.partK, o.partN, why)) {
                error = "--part: " + why;
                return false;
            }
        } else if (a == "--schedule") {
            if (!next(o.schedule) || !OptionValueOk(a, o.schedule, error)) return false;
        } else if (a == "--launch" || a == "--duration") {
            std::string v;
            double value = 0;
            if (!next(v)) return false;
            if (!ParseNumber(v, value) || !std::isfinite(value) || !(value > 0)) {
                error = a + ": «" + v + "» не является положительным числом";
                return false;
            }
            (a == "--launch" ? o.launch : o.durationMin) = value;
            o.strandOptionGiven = true;
        } else if (a == "--pyrometers") {
            std::string v;
            if (!next(v)) return false;
            o.pyrometers.clear();
            for (std::size_t from = 0;;) {
                const std::size_t comma = v.find(',', from);
                const std::string cell =
                    v.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
                double z = 0;
                if (!ParseNumber(cell, z) || !std::isfinite(z) || z < 0) {
                    error =
                        "--pyrometers: «" + cell + "» не является расстоянием от мениска (м, не меньше нуля)";
                    return false;
                }
                o.pyrometers.push_back(z);
                if (comma == std::string::npos) break;
                from = comma + 1;
            }
            o.strandOptionGiven = true;
        } else if (a == "--convergence") {
            o.convergence = true;
        } else if (a == "--out") {
            if (!next(o.out) || !OptionValueOk(a, o.out, error)) return false;
        } else if (const auto eq = a.find('='); eq != std::string::npos && eq > 0) {
            const std::string key = a.substr(0, eq);
            double value = 0;
            if (!ParseNumber(a.substr(eq + 1), value)) {
                error = key + ": «" + a.substr(eq + 1) + "» не является числом";
                return false;
            }
            o.overrides.emplace_back(key, value);
        } else {
            error = "непонятный аргумент «" + a + "»";
            return false;
        }
    }
    if (std::string why = CheckOverrides(o.overrides); !why.empty()) {
        error = why;
        return false;
    }
    if (o.builtin && !o.caseFile.empty()) {
        error = "--builtin и --case нельзя задать вместе";
        return false;
    }
    if (!o.sweeps.empty() && (!o.json.empty() || !o.csvDir.empty())) {
        error = "--sweep не сочетается с --json и --csv: строки серии пишутся в CSV (--out FILE)";
        return false;
    }
    if (!o.schedule.empty()) {
        if (o.convergence || !o.sweeps.empty() || !o.csvDir.empty() || !o.saveCase.empty() || o.steps >= 0 ||
            o.partN != 1) {
            error =
                "--schedule не сочетается с --convergence, --sweep, --csv, --save-case, --steps и --part: "
                "ряды разливки пишутся в папку --out DIR";
            return false;
        }
        return true;
    }
    if (o.strandOptionGiven) {
        error = "--launch, --duration и --pyrometers задаются только вместе с --schedule";
        return false;
    }
    if (o.convergence && (!o.sweeps.empty() || !o.json.empty() || !o.csvDir.empty() || !o.saveCase.empty() ||
                          o.partN != 1 || o.steps >= 0)) {
        error =
            "--convergence не сочетается с --sweep, --part, --steps, --json, --csv и --save-case: расчеты "
            "идут до конца времени процесса (Vp или TauEnd), таблица выводится в stdout, CSV — в файл --out "
            "FILE";
        return false;
    }
    if (o.sweeps.empty() && !o.convergence && (o.jobs != 0 || o.partN != 1 || !o.out.empty())) {
        error = "--jobs, --part и --out задаются только вместе с --sweep (--jobs и --out — также с "
                "--convergence)";
        return false;
    }
    return true;
}

bool ApplyOverrides(const BatchOptions& o, Model& m, std::string& error) {
    m = Model{};
    if (!o.caseFile.empty()) {
        if (!ModelFromCaseFile(o.caseFile, m, error)) return false;
    } else if (!o.builtin) {
        AcceptDataWindow(DataWindowStartValues(), m.data);
    }
    return ApplyOverridesToModel(o.overrides, m, error);
}

} // namespace korvel
