#include "run/HeadlessRun.h"

#include "cases/FieldRanges.h"
#include "model/RunInit.h"
#include "model/TimeStep.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <utility>

namespace korvel {

std::string CheckBoundaryInput(const ModelParams& p) {
    if (p.Boundary != BoundaryModel::Text && p.Boundary != BoundaryModel::Physical)
        return "Граничные условия: допустимы только исходные (0) и физические (1).";
    if (p.Boundary != BoundaryModel::Physical) return {};
    if (!(p.MouldA > 0 && p.MouldA <= 20))
        return "Коэффициент A теплового потока кристаллизатора должен быть больше 0 и не больше 20 МВт/м2.";
    if (!(p.MouldB >= 0 && p.MouldB <= 10))
        return "Коэффициент B теплового потока кристаллизатора должен быть от 0 до 10 МВт/(м2·с^0,5).";
    if (!(p.MouldWater > 0 && p.MouldWater <= 10000))
        return "Расход воды кристаллизатора должен быть больше 0 и не больше 10000 м3/ч.";
    if (!(p.SprayWaterT >= 0 && p.SprayWaterT < 100))
        return "Температура воды ЗВО должна быть от 0 до 100 °C.";
    const int law = static_cast<int>(p.Spray);
    if (law < 0 || law >= kSprayLawCount) return "Формула теплоотдачи ЗВО задана неверно.";
    return {};
}

std::string CheckRunInput(const CastingData& d, const ModelParams& p) {
    const std::pair<const char*, double> all[] = {{"C", d.C},
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
                                                  {"Температура разливки", d.T0},
                                                  {"Скорость разливки", d.Vlit},
                                                  {"Расход воды на первую секцию", d.Q1},
                                                  {"Расход воды на вторую секцию", d.Q2},
                                                  {"Расход воды на третью секцию", d.Q3},
                                                  {"Расход воды на четвертую секцию", d.Q4},
                                                  {"Количество форсунок первой секции", d.Nn1},
                                                  {"Количество форсунок второй секции", d.Nn2},
                                                  {"Количество форсунок третьей секции", d.Nn3},
                                                  {"Количество форсунок четвертой секции", d.Nn4},
                                                  {"Радиус Korvel", d.Rkorvel},
                                                  {"Длина кристаллизатора", d.Lkrist},
                                                  {"Зона вторичного охлаждения", d.Lzvo},
                                                  {"Длина 1-й секции ЗВО", d.Lend1},
                                                  {"Длина 2-й секции ЗВО", d.Lend2},
                                                  {"Длина 3-й секции ЗВО", d.Lend3},
                                                  {"Длина 4-й секции ЗВО", d.Lend4},
                                                  {"Заготовка, X", d.HalfX},
                                                  {"Заготовка, Y", d.HalfY},
                                                  {"Время процесса", d.TauEnd},
                                                  {"Шаг расчета", p.Dt}};
    for (const auto& [name, value] : all) {
        if (!std::isfinite(value)) return std::string("Поле «") + name + "» должно содержать число.";
    }
    // Every value within what a billet caster and the model's formulas can have.
    if (std::string why = CheckDataRanges(d, p); !why.empty()) return why + ".";
    if (std::string why = CheckBoundaryInput(p); !why.empty()) return why;
    // The distance of the slice and the number of steps must stay numbers.
    if (!std::isfinite(d.Vlit / 60 * d.TauEnd))
        return "Скорость разливки и время процесса так велики, что расстояние от мениска не выражается "
               "числом.";
    if (PlannedSteps(d, p) < 0)
        return "Время процесса и шаг расчета дают слишком много шагов; увеличьте шаг расчета или "
               "уменьшите время процесса.";
    return {};
}

long long PlannedSteps(const CastingData& d, const ModelParams& p) {
    if (!(d.TauEnd > 0)) return 0;
    if (!(p.Dt > 0)) return -1;
    const double n = std::ceil(d.TauEnd / p.Dt);
    // Beyond 1e15 steps Tau += Dt may stop growing, and no such run could finish anyway.
    if (!(n <= 1e15)) return -1;
    return static_cast<long long>(n);
}

bool TemperaturesPhysical(const Model& m, NodeIndex* where) {
    const double top = m.data.T0 + kMaxOverheat;
    for (int i = 1; i <= m.params.L; ++i) {
        const double* t = m.state.Tem[i];
        for (int j = 1; j <= m.params.M; ++j) {
            if (!(t[j] >= kAbsoluteZero && t[j] <= top)) {
                if (where) *where = {i, j};
                return false;
            }
        }
    }
    return true;
}

std::string UnstableRunMessage(long long step, double z, double dt, double advisedDt) {
    if (!(advisedDt > 0)) advisedDt = dt / 2;
    char buf[640];
    std::snprintf(buf, sizeof buf,
                  "Расчет остановлен: на шаге %lld (расстояние от мениска %.2f м) расчет стал численно "
                  "неустойчивым — температура в слитке вышла за физически возможные пределы. "
                  "Помогает меньший шаг расчета, вдвое меньше текущего или менее (%g с вместо %g с), или "
                  "более грубая сетка (меньше узлов по осям X и Y).",
                  step, z, advisedDt, dt);
    return buf;
}

double AdvisedStep(double dt) {
    const double tenth = std::floor(dt / 2 * 10) / 10;
    return tenth > 0 ? tenth : dt / 2;
}

bool StateIsFinite(const Model& m) {
    const ModelState& s = m.state;
    for (int i = 1; i <= m.params.L; ++i) {
        for (int j = 1; j <= m.params.M; ++j) {
            if (!std::isfinite(s.Tem[i][j]) || !std::isfinite(s.CMean[i][j]) || !std::isfinite(s.SMean[i][j]))
                return false;
        }
    }
    return true;
}

RunOutcome RunHeadless(Model& m, const std::function<void(const Model&, bool first)>& show,
                       long long maxSteps, ResultsTracker* tracker) {
    SizeState(m);
    InitialiseRun(m);
    if (tracker) tracker->Start(m);
    show(m, true);
    RunOutcome out;
    int counter = 0;
    for (;;) {
        if (m.state.Tau >= m.data.TauEnd) break;
        if (maxSteps >= 0 && out.steps >= maxSteps) {
            out.end = RunEnd::Stopped;
            break;
        }
        ++counter;
        TimeStep(m);
        ++out.steps;
        if (!StateIsFinite(m)) {
            out.end = RunEnd::NotFinite;
            return out;
        }
        if (!TemperaturesPhysical(m)) {
            out.end = RunEnd::Unstable;
            return out;
        }
        if (tracker) tracker->Step(m);
        if (counter == 10) {
            show(m, false);
            counter = 0;
        }
    }
    show(m, false);
    return out;
}

} // namespace korvel
