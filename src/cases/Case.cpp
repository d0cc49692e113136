#include "Case.h"

#include <cmath>

namespace korvel {

namespace {

using W = DataWindowValues;
using P = CaseField::Param;

const std::vector<CaseField> kFields = {
    {"DlomX", "мм", "Заготовка X", &W::DlomX},
    {"DlomY", "мм", "Заготовка Y", &W::DlomY},
    {"Vp", "мин", "Время процесса", &W::Vp},
    {"C", "%", "C", &W::C},
    {"Mn", "%", "Mn", &W::Mn},
    {"Si", "%", "Si", &W::Si},
    {"S", "%", "S", &W::S},
    {"P", "%", "P", &W::P},
    {"Cr", "%", "Cr", &W::Cr},
    {"Ni", "%", "Ni", &W::Ni},
    {"Cu", "%", "Cu", &W::Cu},
    {"Al", "%", "Al", &W::Al},
    {"V", "%", "V", &W::V},
    {"Mg", "%", "Mg", &W::Mg},
    {"H2", "%", "H2", &W::H2},
    {"T0", "°C", "Температура разливки", &W::T0},
    {"Vlit", "м/мин", "Скорость разливки", &W::Vlit},
    {"Q1", "м3/ч", "Расход воды, секция 1", &W::Q1},
    {"Q2", "м3/ч", "Расход воды, секция 2", &W::Q2},
    {"Q3", "м3/ч", "Расход воды, секция 3", &W::Q3},
    {"Q4", "м3/ч", "Расход воды, секция 4", &W::Q4},
    {"Nn1", "шт", "Форсунки, секция 1", &W::Nn1},
    {"Nn2", "шт", "Форсунки, секция 2", &W::Nn2},
    {"Nn3", "шт", "Форсунки, секция 3", &W::Nn3},
    {"Nn4", "шт", "Форсунки, секция 4", &W::Nn4},
    {"Rkorvel", "м", "Радиус машины", &W::Rkorvel},
    {"Lkrist", "м", "Длина кристаллизатора", &W::Lkrist},
    {"Lzvo", "м", "Зона вторичного охлаждения", &W::Lzvo},
    {"l1", "м", "Длина секции 1", &W::l1},
    {"l2", "м", "Длина секции 2", &W::l2},
    {"l3", "м", "Длина секции 3", &W::l3},
    {"l4", "м", "Длина секции 4", &W::l4},
    {"Dt", "с", "Шаг по времени", nullptr, P::Dt},
    {"L", "", "Узлы по X", nullptr, P::L},
    {"M", "", "Узлы по Y", nullptr, P::M},
    {"SideFlag", "", "Сторона (+1 или -1)", nullptr, P::SideFlag},
    {"Boundary", "", "Граничные условия (0 исходные, 1 физические)", nullptr, P::Boundary, true},
    {"MouldA", "МВт/м2", "Кристаллизатор: A", nullptr, P::MouldA, true},
    {"MouldB", "МВт/(м2·с^0,5)", "Кристаллизатор: B", nullptr, P::MouldB, true},
    {"MouldWater", "м3/ч", "Расход воды кристаллизатора", nullptr, P::MouldWater, true},
    {"SprayWaterT", "°C", "Температура воды ЗВО", nullptr, P::SprayWaterT, true},
    {"Spray", "", "Формула ЗВО (0 Nozaki, 1 Bolle-Moureau, 2 Sasaki)", nullptr, P::Spray, true},
    {"Kspray1", "", "Поправка теплоотдачи, секция 1", nullptr, P::Spray1, true},
    {"Kspray2", "", "Поправка теплоотдачи, секция 2", nullptr, P::Spray2, true},
    {"Kspray3", "", "Поправка теплоотдачи, секция 3", nullptr, P::Spray3, true},
    {"Kspray4", "", "Поправка теплоотдачи, секция 4", nullptr, P::Spray4, true},
};

} // namespace

const std::vector<CaseField>& CaseFields() {
    return kFields;
}

const CaseField* FindCaseField(std::string_view key) {
    for (const CaseField& f : kFields)
        if (key == f.key) return &f;
    return nullptr;
}

bool CaseFieldOptional(const CaseField& f) {
    return f.optional;
}

bool CaseFieldIsSprayFactor(const CaseField& f) {
    return f.param >= P::Spray1;
}

double GetCaseValue(const Case& c, const CaseField& f) {
    if (f.window) return c.window.*f.window;
    if (f.param >= P::Spray1) return c.params.SprayFactor[int(f.param) - int(P::Spray1)];
    switch (f.param) {
    case P::Dt:
        return c.params.Dt;
    case P::L:
        return c.params.L;
    case P::M:
        return c.params.M;
    case P::SideFlag:
        return c.params.SideFlag;
    case P::Boundary:
        return static_cast<double>(c.params.Boundary);
    case P::MouldA:
        return c.params.MouldA;
    case P::MouldB:
        return c.params.MouldB;
    case P::MouldWater:
        return c.params.MouldWater;
    case P::SprayWaterT:
        return c.params.SprayWaterT;
    case P::Spray:
        return static_cast<double>(c.params.Spray);
    default:
        break;
    }
    return 0;
}

void SetCaseValue(Case& c, const CaseField& f, double v) {
    if (f.window) {
        c.window.*f.window = v;
        return;
    }
    if (f.param >= P::Spray1) {
        c.params.SprayFactor[int(f.param) - int(P::Spray1)] = v;
        return;
    }
    switch (f.param) {
    case P::Dt:
        c.params.Dt = v;
        break;
    case P::L:
        c.params.L = static_cast<std::int32_t>(v);
        break;
    case P::M:
        c.params.M = static_cast<std::int32_t>(v);
        break;
    case P::SideFlag:
        c.params.SideFlag = static_cast<std::int32_t>(v);
        break;
    case P::Boundary:
        c.params.Boundary = static_cast<BoundaryModel>(static_cast<std::int32_t>(v));
        break;
    case P::MouldA:
        c.params.MouldA = v;
        break;
    case P::MouldB:
        c.params.MouldB = v;
        break;
    case P::MouldWater:
        c.params.MouldWater = v;
        break;
    case P::SprayWaterT:
        c.params.SprayWaterT = v;
        break;
    case P::Spray:
        c.params.Spray = static_cast<SprayLaw>(static_cast<std::int32_t>(v));
        break;
    default:
        break;
    }
}

std::string BoundaryFieldCheck(const CaseField& f, double v) {
    const std::string name = std::string("поле «") + f.key + "»";
    switch (f.param) {
    case P::Boundary:
        if (v != 0 && v != 1) return name + " должно быть 0 (исходные) или 1 (физические)";
        return {};
    case P::Spray:
        if (v != std::floor(v) || v < 0 || v >= kSprayLawCount)
            return name + " должно быть 0, 1 или 2 (номер формулы)";
        return {};
    case P::MouldA:
        if (!(v > 0 && v <= 20)) return name + " должно быть больше 0 и не больше 20 МВт/м2";
        return {};
    case P::MouldB:
        if (!(v >= 0 && v <= 10)) return name + " должно быть от 0 до 10 МВт/(м2·с^0,5)";
        return {};
    case P::MouldWater:
        if (!(v > 0 && v <= 10000)) return name + " должно быть больше 0 и не больше 10000 м3/ч";
        return {};
    case P::SprayWaterT:
        if (!(v >= 0 && v < 100)) return name + " должно быть от 0 до 100 °C";
        return {};
    default:
        return {};
    }
}

void ApplyCase(const Case& c, Model& m) {
    AcceptDataWindow(c.window, m.data);
    m.params = c.params;
}

} // namespace korvel
