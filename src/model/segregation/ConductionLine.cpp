#include "ConductionLine.h"

#include "../SteelProperties.h"

#include <cmath>

namespace korvel {

void ForwardEliminate(ModelState& s, int n) {
    s.SysAlfa[2] = -s.SysC[1] / s.SysB[1];
    s.SysBeta[2] = s.SysF[1] / s.SysB[1];
    for (int k = 2; k <= n - 1; ++k) {
        const double den = s.SysA[k] * s.SysAlfa[k] + s.SysB[k];
        s.SysAlfa[k + 1] = -s.SysC[k] / den;
        s.SysBeta[k + 1] = (s.SysF[k] - s.SysA[k] * s.SysBeta[k]) / den;
    }
}

void SweepBuild(Model& m, int n, double& LamSurf, double hAlong, double hAcross, double Dt, double Alfa) {
    ModelState& s = m.state;
    const CastingData& d = m.data;
    double c1 = 0, ro1 = 0;

    // Properties of each node (solid, mushy or liquid; a later test overrides an earlier one) and the
    // links of its own row.
    for (int k = 1; k <= n; ++k) {
        const double T = s.LineTem[k];
        const double fs = s.LineMSol[k] / (kRoSolid * s.SCell);
        const double Ts = Tsol(d, s.LineCSol[k], s.LineSSol[k]);
        const double TL = Tliq(d, s.LineCLiq[k], s.LineSLiq[k]);
        double c = 0, lam = 0, ro = 0;
        if (Ts <= T && T <= TL) {
            c = Cps(s.LineCSol[k], T) * fs + kCpLiquid * (1 - fs);
            lam = Lam(d, s.LineCSol[k], T) * fs + kLamLiquid * (1 - fs);
            ro = (1 - fs) * s.RoLiq + kRoSolid * fs;
        }
        if (T < Ts) {
            c = Cps(s.LineCSol[k], T);
            lam = Lam(d, s.LineCSol[k], T);
            ro = kRoSolid;
        }
        if (T > TL) {
            c = kCpLiquid;
            lam = kLamLiquid;
            ro = s.RoLiq;
        }
        s.SysA[k] = -lam * Dt / (c * ro * (hAlong * hAlong));
        s.SysC[k] = s.SysA[k];
        s.SysF[k] = T;
        if (k == 1) {
            c1 = c;
            ro1 = ro;
            LamSurf = lam;
        }
    }

    // The exchange with the liquid pool would apply at a front node below the centre; the front is
    // sought from the centre outwards as the first node whose solid fraction is not negative, which is
    // always the centre node itself, so the pool exchange never enters the line.

    // No flux through the surface link nor through the plane of symmetry; the surface loses heat
    // explicitly.
    s.SysA[1] = 0;
    s.SysC[n] = 0;
    const double T1 = s.LineTem[1];
    s.SysF[1] = T1 - (T1 - s.Tenv) * Alfa * hAcross * Dt / (c1 * ro1 * s.SCell);

    for (int k = 1; k <= n; ++k)
        s.SysB[k] = 1 - s.SysA[k] - s.SysC[k];

    ForwardEliminate(s, n);
}

double PoolTransferCoefficient(const Model& m, double W, double T1, double T2) {
    const ModelState& s = m.state;
    const double beta = 1 / ((T1 + T2) / 2 + 273);
    const double Pr = kNuLiquid / (kLamLiquid / kCpLiquid / s.RoLiq);
    if (T2 == T1) T2 = T1 + 1;
    const double Gr = kGravity * beta * std::fabs(T2 - T1) * W * W * W / (kNuLiquid * kNuLiquid);
    const double z = m.Z();
    double Cn = 0.8;
    if (s.SweepX != 1) {
        const double phi = z / m.data.Rkorvel;
        Cn = m.params.SideFlag == 1 ? 0.8 - 0.26 * phi : 0.8 - 0.53 * phi;
    }
    const double Nu = Cn * std::pow(Gr * Pr, 0.25);
    double h = Nu * kLamLiquid / W;
    if (0.2 < z && z < s.DEkv) {
        const double Re = s.MouldK / kNuLiquid;
        const double Nuf = 0.662 * std::pow(Re, 0.5) * std::pow(Pr, 1.0 / 3.0);
        h = std::pow(Nu * Nu + Nuf * Nuf, 0.5) * kLamLiquid / W;
    }
    return h;
}

} // namespace korvel
