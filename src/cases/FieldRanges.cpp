#include "FieldRanges.h"

#include "model/SteelProperties.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace korvel {

namespace {

constexpr bool kOpen = true, kClosed = false, kWhole = true, kReal = false;

const std::vector<FieldRange> kRanges = {
    {"DlomX", "Заготовка, X", "мм", 50, 500, kClosed, kReal,
     "billet and bloom sections of continuous casters, 80 to 400 mm, with a margin"},
    {"DlomY", "Заготовка, Y", "мм", 50, 500, kClosed, kReal,
     "billet and bloom sections of continuous casters, 80 to 400 mm, with a margin"},
    {"Vp", "Время процесса", "мин", 0, 180, kClosed, kReal,
     "the slice leaves the longest machines (about 40 m) within 3 hours at the lowest speed used; 0 shows "
     "the initial state only"},
    {"C", "C", "%", 0, 2, kClosed, kReal, "steel ends at 2.14 % carbon (iron-carbon diagram)"},
    {"Mn", "Mn", "%", 0, 15, kClosed, kReal, "austenitic manganese steel has 11 to 14 % Mn"},
    {"Si", "Si", "%", 0, 5, kClosed, kReal, "electrical steels have up to 4.5 % Si"},
    {"S", "S", "%", 0, 1, kClosed, kReal,
     "free-cutting steels have up to 0.4 % S; 1 % for segregation studies"},
    {"P", "P", "%", 0, 0.5, kClosed, kReal, "rephosphorised steels have up to 0.15 % P, with a margin"},
    {"Cr", "Cr", "%", 0, 30, kClosed, kReal, "ferritic stainless steels have up to 30 % Cr"},
    {"Ni", "Ni", "%", 0, 40, kClosed, kReal, "iron-nickel alloys (Invar) have 36 % Ni"},
    {"Cu", "Cu", "%", 0, 3, kClosed, kReal, "copper-bearing steels have up to 2 % Cu"},
    {"Al", "Al", "%", 0, 2, kClosed, kReal, "nitriding steels have up to 1.5 % Al"},
    {"V", "V", "%", 0, 5, kClosed, kReal, "high-speed tool steels have up to 5 % V"},
    {"Mg", "Mg", "%", 0, 0.1, kClosed, kReal, "magnesium treatment leaves hundredths of a per cent"},
    {"H2", "H2", "%", 0, 0.01, kClosed, kReal,
     "hydrogen dissolves in liquid iron up to about 0.0027 % at 1 atm (Sieverts' law), with a margin"},
    {"T0", "Температура разливки", "°C", 1300, 1700, kClosed, kReal,
     "liquidus of steels (about 1350 to 1535 °C) plus the superheat of a tundish; also above the solidus"},
    {"Vlit", "Скорость разливки", "м/мин", 0.1, 10, kClosed, kReal,
     "blooms are cast from 0.3 m/min, high-speed billets up to 6 m/min, with a margin"},
    {"Q1", "Расход воды на первую секцию", "м3/ч", 0, 100, kClosed, kReal,
     "water of a spray section of one strand, a few to some tens of m3/h"},
    {"Q2", "Расход воды на вторую секцию", "м3/ч", 0, 100, kClosed, kReal,
     "water of a spray section of one strand, a few to some tens of m3/h"},
    {"Q3", "Расход воды на третью секцию", "м3/ч", 0, 100, kClosed, kReal,
     "water of a spray section of one strand, a few to some tens of m3/h"},
    {"Q4", "Расход воды на четвертую секцию", "м3/ч", 0, 100, kClosed, kReal,
     "water of a spray section of one strand, a few to some tens of m3/h"},
    {"Nn1", "Количество форсунок первой секции", "шт", 0, 1000, kClosed, kWhole,
     "a count; at least 1 where the section has water"},
    {"Nn2", "Количество форсунок второй секции", "шт", 0, 1000, kClosed, kWhole,
     "a count; at least 1 where the section has water"},
    {"Nn3", "Количество форсунок третьей секции", "шт", 0, 1000, kClosed, kWhole,
     "a count; at least 1 where the section has water"},
    {"Nn4", "Количество форсунок четвертой секции", "шт", 0, 1000, kClosed, kWhole,
     "a count; at least 1 where the section has water"},
    {"Rkorvel", "Радиус Korvel", "м", 1, 50, kClosed, kReal,
     "radial casters have radii of 4 to 17 m, with a margin"},
    {"Lkrist", "Длина кристаллизатора", "м", 0, 2, kOpen, kReal,
     "billet and bloom moulds are 0.7 to 1.2 m long"},
    {"Lzvo", "Зона вторичного охлаждения", "м", 0, 60, kOpen, kReal,
     "secondary cooling of the longest machines, some tens of metres"},
    {"l1", "Длина 1-й секции ЗВО", "м", 0, 60, kOpen, kReal,
     "a section lies within the secondary cooling zone"},
    {"l2", "Длина 2-й секции ЗВО", "м", 0, 60, kOpen, kReal,
     "a section lies within the secondary cooling zone"},
    {"l3", "Длина 3-й секции ЗВО", "м", 0, 60, kOpen, kReal,
     "a section lies within the secondary cooling zone"},
    {"l4", "Длина 4-й секции ЗВО", "м", 0, 60, kOpen, kReal,
     "a section lies within the secondary cooling zone"},
    {"Dt", "Шаг расчета", "с", 0, 60, kOpen, kReal,
     "a step of a minute already smears the mould (half a minute at 1.5 m/min)"},
    {"L", "Количество узлов по оси X", "", kMinNodes, kMaxNodes, kClosed, kWhole, "the model's arrays"},
    {"M", "Количество узлов по оси Y", "", kMinNodes, kMaxNodes, kClosed, kWhole, "the model's arrays"},
    {"SideFlag", "Сторона сечения (SideFlag)", "", -1, 1, kClosed, kWhole,
     "+1 on the short radius, -1 on the long radius; 0 is refused"},
    {"Boundary", "Граничные условия", "", 0, 1, kClosed, kWhole, "0 the original model, 1 the physical one"},
    {"MouldA", "Кристаллизатор: A", "МВт/м2", 0, 20, kOpen, kReal,
     "published billet-mould laws have A of 2-5 MW/m2; 20 leaves room for any mould"},
    {"MouldB", "Кристаллизатор: B", "МВт/(м2·с^0,5)", 0, 10, kClosed, kReal,
     "0 is a constant flux; published laws have B below 1"},
    {"MouldWater", "Расход воды кристаллизатора", "м3/ч", 0, 10000, kOpen, kReal,
     "a billet mould takes 100-200 m3/h; the water's rise needs a flow above 0"},
    {"SprayWaterT", "Температура воды ЗВО", "°C", 0, 99, kClosed, kReal, "liquid water at the nozzles"},
    {"Spray", "Формула ЗВО", "", 0, 2, kClosed, kWhole, "the three spray correlations"},
    {"Kspray1", "Поправка теплоотдачи, секция 1", "", 0, 10, kOpen, kReal,
     "a calibration multiplier: above 0, at most ten times the law"},
    {"Kspray2", "Поправка теплоотдачи, секция 2", "", 0, 10, kOpen, kReal,
     "a calibration multiplier: above 0, at most ten times the law"},
    {"Kspray3", "Поправка теплоотдачи, секция 3", "", 0, 10, kOpen, kReal,
     "a calibration multiplier: above 0, at most ten times the law"},
    {"Kspray4", "Поправка теплоотдачи, секция 4", "", 0, 10, kOpen, kReal,
     "a calibration multiplier: above 0, at most ten times the law"},
    {"HalfX", "Половина заготовки по X", "м", 0.025, 0.25, kClosed, kReal, "DlomX / 2000"},
    {"HalfY", "Половина заготовки по Y", "м", 0.025, 0.25, kClosed, kReal, "DlomY / 2000"},
    {"TauEnd", "Время процесса", "с", 0, 10800, kClosed, kReal, "Vp × 60"},
    {"Lend1", "Конец 1-й секции ЗВО от мениска", "м", 0, 250, kOpen, kReal, "Lkrist + l1"},
    {"Lend2", "Конец 2-й секции ЗВО от мениска", "м", 0, 250, kOpen, kReal, "Lend1 + l2"},
    {"Lend3", "Конец 3-й секции ЗВО от мениска", "м", 0, 250, kOpen, kReal, "Lend2 + l3"},
    {"Lend4", "Конец 4-й секции ЗВО от мениска", "м", 0, 250, kOpen, kReal, "Lend3 + l4"},
};

// The sum of the alloying elements stays below this: the steel is iron first.
constexpr double kMaxAlloySum = 50;

std::string DefaultName(const FieldRange& r) {
    if (std::string_view(r.caption) == r.key) return r.key;
    return std::string("«") + r.caption + "» (" + r.key + ")";
}

std::string NameOf(const FieldRange& r, const FieldNamer& name) {
    return name ? name(r) : DefaultName(r);
}

std::string WithUnit(double v, const char* unit) {
    std::string s = NumberForMessage(v);
    if (*unit) s += std::string(" ") + unit;
    return s;
}

const FieldRange& Range(std::string_view key) {
    return *FindFieldRange(key);
}

} // namespace

std::string NumberForMessage(double v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    // A value computed from others (a section length as the difference of two ends) is shown to 12
    // digits rather than with its last-bit noise.
    if (r.ptr - buf > 15) r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 12);
    return std::string(buf, r.ptr);
}

const std::vector<FieldRange>& FieldRanges() {
    return kRanges;
}

const FieldRange* FindFieldRange(std::string_view key) {
    for (const FieldRange& r : kRanges)
        if (key == r.key) return &r;
    return nullptr;
}

std::string CheckFieldValue(const FieldRange& r, double v, std::string_view name) {
    const bool above = r.minOpen ? v > r.min : v >= r.min;
    if (!(above && v <= r.max)) {
        std::string range = NumberForMessage(r.min) + ".." + WithUnit(r.max, r.unit);
        if (r.minOpen) range += ", больше " + NumberForMessage(r.min);
        return std::string(name) + ": значение " + WithUnit(v, r.unit) + " вне диапазона " + range;
    }
    if (r.whole && v != std::floor(v))
        return std::string(name) + ": нужно целое число от " + NumberForMessage(r.min) + " до " +
               NumberForMessage(r.max) + ", а не " + NumberForMessage(v);
    if (std::string_view(r.key) == "SideFlag" && v == 0)
        return std::string(name) + ": допустимы только +1 (короткий радиус) и -1 (длинный радиус), а не 0";
    return {};
}

std::string CheckFieldValue(std::string_view key, double v, std::string_view name) {
    const FieldRange* r = FindFieldRange(key);
    return r ? CheckFieldValue(*r, v, name) : std::string();
}

std::string CheckOverrideRanges(const std::vector<std::pair<std::string, double>>& values) {
    for (const auto& [key, v] : values) {
        const FieldRange* r = FindFieldRange(key);
        if (!r) continue;
        if (std::string why = CheckFieldValue(*r, v, key + " («" + r->caption + "»)"); !why.empty())
            return why;
    }
    return {};
}

std::string CheckTogether(const CastingData& d, const FieldNamer& name) {
    const double alloy = d.C + d.Mn + d.Si + d.S + d.P + d.Cr + d.Ni + d.Cu + d.Al + d.V + d.Mg + d.H2;
    if (!(alloy <= kMaxAlloySum))
        return "Химический состав: сумма элементов " + NumberForMessage(alloy) + " % больше " +
               NumberForMessage(kMaxAlloySum) + " % (основа стали — железо)";
    const double sol = Tsol(d, d.C, d.S), liq = Tliq(d, d.C, d.S);
    if (!(liq > sol))
        return "Химический состав: по нему ликвидус стали (" + NumberForMessage(std::round(liq * 10) / 10) +
               " °C) не выше солидуса (" + NumberForMessage(std::round(sol * 10) / 10) +
               " °C); такой состав модель не описывает";
    if (!(d.T0 > sol))
        return NameOf(Range("T0"), name) + ": значение " + WithUnit(d.T0, "°C") +
               " не выше солидуса этой стали (" + NumberForMessage(std::round(sol * 10) / 10) +
               " °C); разливают жидкую сталь";
    const std::pair<double, double> sections[] = {{d.Q1, d.Nn1}, {d.Q2, d.Nn2}, {d.Q3, d.Nn3}, {d.Q4, d.Nn4}};
    const char* nozzles[] = {"Nn1", "Nn2", "Nn3", "Nn4"};
    for (int k = 0; k < 4; ++k) {
        if (sections[k].first > 0 && !(sections[k].second >= 1))
            return NameOf(Range(nozzles[k]), name) + ": у секции есть вода (" +
                   WithUnit(sections[k].first, "м3/ч") + "), нужна хотя бы одна форсунка";
    }
    return {};
}

std::string CheckWindowRanges(const DataWindowValues& w, const ModelParams* p, const FieldNamer& name) {
    const std::pair<const char*, double> values[] = {
        {"DlomX", w.DlomX},     {"DlomY", w.DlomY},   {"Vp", w.Vp},     {"C", w.C},     {"Mn", w.Mn},
        {"Si", w.Si},           {"S", w.S},           {"P", w.P},       {"Cr", w.Cr},   {"Ni", w.Ni},
        {"Cu", w.Cu},           {"Al", w.Al},         {"V", w.V},       {"Mg", w.Mg},   {"H2", w.H2},
        {"T0", w.T0},           {"Vlit", w.Vlit},     {"Q1", w.Q1},     {"Q2", w.Q2},   {"Q3", w.Q3},
        {"Q4", w.Q4},           {"Nn1", w.Nn1},       {"Nn2", w.Nn2},   {"Nn3", w.Nn3}, {"Nn4", w.Nn4},
        {"Rkorvel", w.Rkorvel}, {"Lkrist", w.Lkrist}, {"Lzvo", w.Lzvo}, {"l1", w.l1},   {"l2", w.l2},
        {"l3", w.l3},           {"l4", w.l4}};
    for (const auto& [key, v] : values) {
        const FieldRange& r = Range(key);
        if (std::string why = CheckFieldValue(r, v, NameOf(r, name)); !why.empty()) return why;
    }
    if (p) {
        const std::pair<const char*, double> params[] = {{"Dt", p->Dt},
                                                         {"L", double(p->L)},
                                                         {"M", double(p->M)},
                                                         {"SideFlag", double(p->SideFlag)},
                                                         {"Boundary", double(p->Boundary)},
                                                         {"MouldA", p->MouldA},
                                                         {"MouldB", p->MouldB},
                                                         {"MouldWater", p->MouldWater},
                                                         {"SprayWaterT", p->SprayWaterT},
                                                         {"Spray", double(p->Spray)},
                                                         {"Kspray1", p->SprayFactor[0]},
                                                         {"Kspray2", p->SprayFactor[1]},
                                                         {"Kspray3", p->SprayFactor[2]},
                                                         {"Kspray4", p->SprayFactor[3]}};
        for (const auto& [key, v] : params) {
            const FieldRange& r = Range(key);
            if (std::string why = CheckFieldValue(r, v, NameOf(r, name)); !why.empty()) return why;
        }
    }
    CastingData d;
    AcceptDataWindow(w, d);
    return CheckTogether(d, name);
}

std::string CheckDataRanges(const CastingData& d, const ModelParams& p, const FieldNamer& name) {
    const std::pair<const char*, double> values[] = {{"HalfX", d.HalfX},
                                                     {"HalfY", d.HalfY},
                                                     {"TauEnd", d.TauEnd},
                                                     {"C", d.C},
                                                     {"Mn", d.Mn},
                                                     {"Si", d.Si},
                                                     {"S", d.S},
                                                     {"P", d.P},
                                                     {"Cr", d.Cr},
                                                     {"Ni", d.Ni},
                                                     {"Cu", d.Cu},
                                                     {"Al", d.Al},
                                                     {"V", d.V},
                                                     {"Mg", d.Mg},
                                                     {"H2", d.H2},
                                                     {"T0", d.T0},
                                                     {"Vlit", d.Vlit},
                                                     {"Q1", d.Q1},
                                                     {"Q2", d.Q2},
                                                     {"Q3", d.Q3},
                                                     {"Q4", d.Q4},
                                                     {"Nn1", d.Nn1},
                                                     {"Nn2", d.Nn2},
                                                     {"Nn3", d.Nn3},
                                                     {"Nn4", d.Nn4},
                                                     {"Rkorvel", d.Rkorvel},
                                                     {"Lkrist", d.Lkrist},
                                                     {"Lzvo", d.Lzvo},
                                                     {"Lend1", d.Lend1},
                                                     {"Lend2", d.Lend2},
                                                     {"Lend3", d.Lend3},
                                                     {"Lend4", d.Lend4},
                                                     {"l1", d.Lend1 - d.Lkrist},
                                                     {"l2", d.Lend2 - d.Lend1},
                                                     {"l3", d.Lend3 - d.Lend2},
                                                     {"l4", d.Lend4 - d.Lend3},
                                                     {"Dt", p.Dt},
                                                     {"L", double(p.L)},
                                                     {"M", double(p.M)},
                                                     {"SideFlag", double(p.SideFlag)},
                                                     {"Boundary", double(p.Boundary)},
                                                     {"MouldA", p.MouldA},
                                                     {"MouldB", p.MouldB},
                                                     {"MouldWater", p.MouldWater},
                                                     {"SprayWaterT", p.SprayWaterT},
                                                     {"Spray", double(p.Spray)},
                                                     {"Kspray1", p.SprayFactor[0]},
                                                     {"Kspray2", p.SprayFactor[1]},
                                                     {"Kspray3", p.SprayFactor[2]},
                                                     {"Kspray4", p.SprayFactor[3]}};
    for (const auto& [key, v] : values) {
        const FieldRange& r = Range(key);
        if (std::string why = CheckFieldValue(r, v, NameOf(r, name)); !why.empty()) return why;
    }
    return CheckTogether(d, name);
}

} // namespace korvel
