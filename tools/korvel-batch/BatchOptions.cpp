#include "BatchOptions.h"

#include "study/Study.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>

namespace korvel {

namespace {
using DoubleField = double CastingData::*;

const std::map<std::string, DoubleField>& DataFields() {
    static const std::map<std::string, DoubleField> fields = {
        {"C", &CastingData::C},
        {"Mn", &CastingData::Mn},
        {"Si", &CastingData::Si},
        {"S", &CastingData::S},
        {"P", &CastingData::P},
        {"Cr", &CastingData::Cr},
        {"Ni", &CastingData::Ni},
        {"Cu", &CastingData::Cu},
        {"Al", &CastingData::Al},
        {"V", &CastingData::V},
        {"Mg", &CastingData::Mg},
        {"H2", &CastingData::H2},
        {"T0", &CastingData::T0},
        {"Vlit", &CastingData::Vlit},
        {"Q1", &CastingData::Q1},
        {"Q2", &CastingData::Q2},
        {"Q3", &CastingData::Q3},
        {"Q4", &CastingData::Q4},
        {"Nn1", &CastingData::Nn1},
        {"Nn2", &CastingData::Nn2},
        {"Nn3", &CastingData::Nn3},
        {"Nn4", &CastingData::Nn4},
        {"Rkorvel", &CastingData::Rkorvel},
        {"Lkrist", &CastingData::Lkrist},
        {"Lzvo", &CastingData::Lzvo},
        {"Lend1", &CastingData::Lend1},
        {"Lend2", &CastingData::Lend2},
        {"Lend3", &CastingData::Lend3},
        {"Lend4", &CastingData::Lend4},
        {"HalfX", &CastingData::HalfX},
        {"HalfY", &CastingData::HalfY},
        {"TauEnd", &CastingData::TauEnd},
    };
    return fields;
}

bool ParseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && errno != ERANGE;
}

bool ParseCount(const std::string& text, long long& value) {
    double v = 0;
    if (!ParseNumber(text, v) || v < 0 || v != std::floor(v) || v > 1e15) return false;
    value = static_cast<long long>(v);
    return true;
}
} // namespace

std::vector<std::string> OverrideKeys() {
    std::vector<std::string> keys;
    for (const auto& [k, f] : DataFields())
        keys.push_back(k);
    for (const char* k : {"Dt", "L", "M", "SideFlag"})
        keys.emplace_back(k);
    return keys;
}

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
            if (!next(o.json)) return false;
        } else if (a == "--csv") {
            if (!next(o.csvDir)) return false;
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
        } else if (a == "--out") {
            if (!next(o.out)) return false;
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
    if (!o.sweeps.empty() && (!o.json.empty() || !o.csvDir.empty())) {
        error = "--sweep не сочетается с --json и --csv: строки серии пишутся в CSV (--out FILE)";
        return false;
    }
    if (o.sweeps.empty() && (o.jobs != 0 || o.partN != 1 || !o.out.empty())) {
        error = "--jobs, --part и --out задаются только вместе с --sweep";
        return false;
    }
    return true;
}

bool ApplyOverrides(const BatchOptions& o, Model& m, std::string& error) {
    m = Model{};
    if (!o.builtin) AcceptDataWindow(DataWindowStartValues(), m.data);
    for (const auto& [key, value] : o.overrides) {
        if (const auto it = DataFields().find(key); it != DataFields().end()) {
            m.data.*(it->second) = value;
        } else if (key == "Dt") {
            m.params.Dt = value;
        } else if (key == "L" || key == "M" || key == "SideFlag") {
            if (value != std::floor(value) || std::fabs(value) > 1e9) {
                error = key + ": нужно целое число, а не " + std::to_string(value);
                return false;
            }
            const auto v = static_cast<std::int32_t>(value);
            (key == "L" ? m.params.L : key == "M" ? m.params.M : m.params.SideFlag) = v;
        } else {
            error = "неизвестный параметр «" + key + "»";
            return false;
        }
    }
    return true;
}

} // namespace korvel
