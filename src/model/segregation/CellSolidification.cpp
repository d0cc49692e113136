#include "CellSolidification.h"

#include "../PropertyMemo.h"

#include "../SteelProperties.h"
#include "SoluteRedistribution.h"

#include <cmath>

namespace korvel {

namespace {
// Heat capacities of one node for the step: of its solid at the solid's carbon and the step's mean
// temperature, and of the whole cell.
struct CellHeat {
    double fs, cs, cmix;
};

CellHeat HeatOf(const Model& m, int i, int j) {
    const ModelState& s = m.state;
    const double fs = s.MSol[i][j] / (kRoSolid * s.SCell);
    const double tm = (s.Tem[i][j] + s.TemOld[i][j]) / 2;
    const double cs = Cps(s.CSol[i][j], tm);
    return {fs, cs, cs * fs + kCpLiquid * (1 - fs)};
}

// Solid mass turned over by the step's temperature change for a phase of carbon c and sulphur s.
// `liquid` tells which phase's remembered solidus and liquidus apply.
double MassChange(const Model& m, int i, int j, double c, double s, bool liquid) {
    const ModelState& st = m.state;
    const CellHeat h = HeatOf(m, i, j);
    const double TL = MemoTliq(m, liquid ? Memo::Liquid : Memo::Solid, i, j, c, s);
    const double TS = MemoTsol(m, liquid ? Memo::Liquid : Memo::Solid, i, j, c, s);
    const double den = std::fabs(kCpLiquid * TL - h.cs * TS) + Lat(m.data, c);
    return std::fabs(st.Tem[i][j] - st.TemOld[i][j]) * h.cmix / den * kRoSolid * st.SCell;
}

} // namespace

// Equilibrium partition coefficients at the liquid's composition.
double CarbonPartition(double cliq) {
    return 0.042 * cliq + 0.24;
}
double SulphurPartition(double sliq) {
    // The power has no value for a liquid without sulphur: its term is then 0.
    const double power = sliq > 0 ? std::exp(0.515 * std::log(sliq)) : 0.0;
    return 0.175 * power + 0.0767;
}
double CellTemperature(const Model& m, int i, int j) {
    const ModelState& s = m.state;
    const CellHeat h = HeatOf(m, i, j);
    const double cl = s.CLiq[i][j];
    const double sl = s.SLiq[i][j];
    const double TL = MemoTliq(m, Memo::Liquid, i, j, cl, sl);
    const double TS = MemoTsol(m, Memo::Liquid, i, j, cl, sl);
    return (kCpLiquid * (1 - h.fs) * TL + h.cs * h.fs * TS) / h.cmix;
}

double FrozenMass(const Model& m, int i, int j) {
    return MassChange(m, i, j, m.state.CLiq[i][j], m.state.SLiq[i][j], true);
}

double MeltedMass(const Model& m, int i, int j) {
    return MassChange(m, i, j, m.state.CSol[i][j], m.state.SSol[i][j], false);
}

void SolidifyCell(Model& m, int i, int j) {
    ModelState& s = m.state;
    double& tem = s.Tem[i][j];

    // 1. Only inside the freezing range of the liquid and not below the solidus of the mean.
    // (In a step the node's solidus and liquidus come from the step's fields: nothing has changed the
    // node's compositions since the step began.)
    const bool cached = m.cache.active;
    const double liquidTs = cached ? m.cache.liquidTs[i][j] : Tsol(m.data, s.CLiq[i][j], s.SLiq[i][j]);
    const double liquidTL = cached ? m.cache.liquidTL[i][j] : Tliq(m.data, s.CLiq[i][j], s.SLiq[i][j]);
    if (!(liquidTs < tem && tem <= liquidTL && tem >= MeanTsol(m, i, j))) {
        return;
    }
    // 2. Partition coefficients of the node.
    s.KDistC = CarbonPartition(s.CLiq[i][j]);
    s.KDistS = SulphurPartition(s.SLiq[i][j]);
    // 3.
    s.MSolOld[i][j] = s.MSol[i][j];
    const double full = kRoSolid * s.SCell;

    if (tem <= s.TemOld[i][j]) {
        // 4. Cooling (or no change): freeze, redistribute sulphur then carbon, reset the temperature.
        s.MSol[i][j] = s.MSol[i][j] + FrozenMass(m, i, j);
        RedistributeSolute(m, i, j, s.SSol[i][j], s.SMean[i][j], s.SLiq[i][j], s.KDistS, kDeltaDS);
        RedistributeSolute(m, i, j, s.CSol[i][j], s.CMean[i][j], s.CLiq[i][j], s.KDistC, kDeltaDC);
        tem = CellTemperature(m, i, j);
        if (s.MSol[i][j] > full) {
            const double fs = s.MSol[i][j] / full;
            tem = tem * (2 - fs);
            s.MSol[i][j] = full;
        }
    } else {
        // 5. Reheating: melt back.
        s.MSol[i][j] = s.MSol[i][j] - MeltedMass(m, i, j);
        RedistributeSolute(m, i, j, s.SSol[i][j], s.SMean[i][j], s.SLiq[i][j], s.KDistS, kDeltaDS);
        RedistributeSolute(m, i, j, s.CSol[i][j], s.CMean[i][j], s.CLiq[i][j], s.KDistC, kDeltaDC);
        tem = CellTemperature(m, i, j);
        if (s.MSol[i][j] < 0) {
            s.MSol[i][j] = 0;
            s.MSolOld[i][j] = 0;
        }
    }
}

} // namespace korvel
