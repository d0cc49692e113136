#include "Overrides.h"

#include "PrintableText.h"
#include "results/ResultsExport.h"

#include <cmath>
#include <map>

namespace korvel {

namespace {

// The model's keys whose quantity a case key gives under another name and unit.
struct Alias {
    const char* model;
    const char* window;
};
constexpr Alias kAliases[] = {{"HalfX", "DlomX"}, {"HalfY", "DlomY"}, {"TauEnd", "Vp"}, {"Lend1", "l1"},
                              {"Lend2", "l2"},    {"Lend3", "l3"},    {"Lend4", "l4"}};

const CastingDataField* FindModelField(const std::string& key) {
    for (const CastingDataField& f : CastingDataFields())
        if (key == f.key) return &f;
    return nullptr;
}

bool IsSectionEnd(const std::string& k) {
    return k.size() == 5 && k.compare(0, 4, "Lend") == 0;
}
bool IsSectionLength(const std::string& k) {
    return k.size() == 2 && k[0] == 'l';
}

// The name of the quantity a key sets: a model key's alias is the case key.
std::string Quantity(const std::string& key) {
    for (const Alias& a : kAliases)
        if (key == a.model) return a.window;
    return key;
}

std::string Number(double v) {
    return FormatNumber(v, 17);
}

bool WholeParameter(const std::string& key, double value, std::string& error) {
    if (!std::isfinite(value) || value != std::floor(value) || std::fabs(value) > 1e9) {
        error = key + ": нужно целое число, а не " + Number(value);
        return false;
    }
    if (key == "SideFlag" && value != 1 && value != -1) {
        error =
            "SideFlag: допустимы только +1 (короткий радиус) и -1 (длинный радиус), а не " + Number(value);
        return false;
    }
    return true;
}

} // namespace

std::string CheckOverrides(const Overrides& o) {
    std::map<std::string, std::string> seen; // quantity -> the key that gave it
    bool ends = false, lengths = false;
    for (const auto& [key, value] : o) {
        if (!FindModelField(key) && !FindCaseField(key))
            return "неизвестный параметр «" + PrintableText(key) + "» (korvel-batch --help — список)";
        // The same key again replaces its value; the same quantity under its other name is refused.
        const auto [at, fresh] = seen.emplace(Quantity(key), key);
        if (!fresh && at->second != key)
            return "«" + at->second + "» и «" + key + "» задают одну величину; задайте одно из двух";
        ends = ends || IsSectionEnd(key);
        lengths = lengths || IsSectionLength(key);
    }
    if (ends && lengths)
        return "концы секций Lend1..Lend4 и длины секций l1..l4 задают одно и то же; задайте что-то одно";
    return {};
}

bool ApplyOverridesToModel(const Overrides& o, Model& m, std::string& error) {
    if (error = CheckOverrides(o); !error.empty()) return false;
    for (const auto& [key, value] : o) {
        if (const CastingDataField* f = FindModelField(key)) {
            m.data.*(f->member) = value;
            continue;
        }
        const CaseField* f = FindCaseField(key);
        if (!f->window) {
            if (f->param == CaseField::Param::Dt) {
                m.params.Dt = value;
            } else {
                if (!WholeParameter(key, value, error)) return false;
                Case c;
                c.params = m.params;
                SetCaseValue(c, *f, value);
                m.params = c.params;
            }
            continue;
        }
        // A window field the model keeps under another unit, taken as "Принять" takes it.
        if (key == "DlomX") {
            m.data.HalfX = value / 2000;
        } else if (key == "DlomY") {
            m.data.HalfY = value / 2000;
        } else if (key == "Vp") {
            m.data.TauEnd = value * 60;
        } else {
            // A section length moves its end and the ends after it (which keep their lengths); the
            // ends before it stay.
            double CastingData::*const ends[] = {&CastingData::Lend1, &CastingData::Lend2,
                                                 &CastingData::Lend3, &CastingData::Lend4};
            const int k = key[1] - '1';
            double lengths[4];
            for (int j = 0; j < 4; ++j)
                lengths[j] = m.data.*ends[j] - (j == 0 ? m.data.Lkrist : m.data.*ends[j - 1]);
            lengths[k] = value;
            for (int j = k; j < 4; ++j)
                m.data.*ends[j] = (j == 0 ? m.data.Lkrist : m.data.*ends[j - 1]) + lengths[j];
        }
    }
    return true;
}

bool ApplyOverridesToCase(const Overrides& o, Case& c, std::string& error) {
    if (error = CheckOverrides(o); !error.empty()) return false;
    for (const auto& [key, value] : o) {
        if (const CaseField* f = FindCaseField(key)) {
            if (!f->window && f->param != CaseField::Param::Dt && !WholeParameter(key, value, error))
                return false;
            SetCaseValue(c, *f, value);
            continue;
        }
        // A model key: its quantity in the window's unit.
        DataWindowValues& w = c.window;
        if (key == "HalfX")
            w.DlomX = value * 2000;
        else if (key == "HalfY")
            w.DlomY = value * 2000;
        else if (key == "TauEnd")
            w.Vp = value / 60;
        else if (IsSectionEnd(key)) {
            const int k = key[4] - '0';
            double* lengths[] = {&w.l1, &w.l2, &w.l3, &w.l4};
            double before = w.Lkrist;
            for (int j = 1; j < k; ++j)
                before += *lengths[j - 1];
            *lengths[k - 1] = value - before;
        } else {
            error = "«" + key + "» не задается в серии расчетов";
            return false;
        }
    }
    return true;
}

std::string OverrideKeysHelp() {
    return R"(  Ключ                      Единица   Что задает
  C Mn Si S P Cr Ni Cu Al V Mg H2   %  химический состав
  T0                        °C        температура разливки
  Vlit                      м/мин     скорость разливки
  Q1..Q4                    м3/ч      расход воды секций 1..4
  Nn1..Nn4                  шт        число форсунок секций 1..4
  Rkorvel Lkrist Lzvo       м         радиус машины, длина кристаллизатора, длина ЗВО
  DlomX DlomY  или  HalfX HalfY       размер заготовки: полный в мм или половина в м
  Vp  или  TauEnd           мин / с   время процесса
  l1..l4  или  Lend1..Lend4 м         длины секций или их концы от мениска
  Dt                        с         шаг по времени
  L M                       узлы      число узлов сетки, 4..100
  SideFlag                  +1/-1     сторона сечения: короткий / длинный радиус
  Одну величину задают одним из ее имен (HalfX и DlomX вместе — ошибка).
)";
}

} // namespace korvel
