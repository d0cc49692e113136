#include "StepCheck.h"

#include <algorithm>
#include <charconv>

namespace korvel {

namespace {

// Shortest text with at most `decimals` decimals, with a decimal point.
std::string Num(double v, int decimals) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string s(buf, r.ptr);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s;
}

// A step the parameters dialog takes: v rounded down to 0.1 s, or to two significant digits below that.
double RoundDown(double v) {
    if (!(v > 0) || !std::isfinite(v)) return v;
    double unit = 0.1;
    while (v < unit && unit > 1e-9)
        unit /= 10;
    if (unit < 0.1) unit /= 10; // two significant digits below 0.1 s
    return std::floor(v / unit + 1e-9) * unit;
}

// "шаг", "шага" or "шагов" after the number as written.
std::string Steps(const std::string& n) {
    if (n.find('.') != std::string::npos) return n + " шага";
    const int last = n.back() - '0', tens = n.size() > 1 ? n[n.size() - 2] - '0' : 0;
    if (tens == 1 || last == 0 || last >= 5) return n + " шагов";
    return n + (last == 1 ? " шаг" : " шага");
}

int NodesFor(double half) {
    const double n = std::ceil(half * 1000 / kMaxCellMm - 1e-9);
    return int(std::clamp(n, double(kMinNodes), double(kMaxNodes)));
}

} // namespace

StepCheck CheckStep(const CastingData& d, const ModelParams& p) {
    StepCheck c;
    const double perStep = d.Vlit / 60 * p.Dt; // m the slice moves in one step
    if (d.Lkrist > 0 && perStep > 0 && std::isfinite(perStep)) {
        c.mouldSteps = d.Lkrist / perStep;
        c.maxDt = RoundDown(d.Lkrist / (d.Vlit / 60) / kMinMouldSteps);
        c.stepTooLong = c.mouldSteps < kMinMouldSteps - 1e-9;
    }
    if (p.L > 0 && p.M > 0) {
        c.cellMm = std::max(d.HalfX / p.L, d.HalfY / p.M) * 1000;
        c.nodesX = std::max(p.L, NodesFor(d.HalfX));
        c.nodesY = std::max(p.M, NodesFor(d.HalfY));
        c.gridTooCoarse = c.cellMm > kMaxCellMm + 1e-9;
    }
    if (c.stepTooLong) {
        c.message = "Шаг расчета " + Num(p.Dt, 6) + " с слишком велик: кристаллизатор (" + Num(d.Lkrist, 3) +
                    " м при скорости разливки " + Num(d.Vlit, 3) + " м/мин, " +
                    Num(d.Lkrist / (d.Vlit / 60), 1) + " с) слиток проходит за " +
                    Steps(Num(c.mouldSteps, 1)) + ", а для верного расчета нужно не менее " +
                    Num(kMinMouldSteps, 0) +
                    " шагов. Корочка, металлургическая длина и разогрев поверхности будут искажены. "
                    "Выберите шаг расчета не более " +
                    Num(c.maxDt, 3) + " с.";
    }
    if (c.gridTooCoarse) {
        if (!c.message.empty()) c.message += ' ';
        c.message += "Сетка " + std::to_string(p.L) + " x " + std::to_string(p.M) +
                     " слишком груба для заготовки " + Num(d.HalfX * 2000, 1) + " x " +
                     Num(d.HalfY * 2000, 1) + " мм: ячейка толщиной " + Num(c.cellMm, 1) +
                     " мм, а корочка на выходе из кристаллизатора (около 10–20 мм) должна занимать несколько "
                     "ячеек. Выберите не менее " +
                     std::to_string(c.nodesX) + " узлов по оси X и " + std::to_string(c.nodesY) +
                     " по оси Y.";
    }
    return c;
}

} // namespace korvel
