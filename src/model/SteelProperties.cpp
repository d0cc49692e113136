#include "SteelProperties.h"

namespace korvel {

namespace {
using Ext = long double;
}

double Tsol(const CastingData& d, double c, double s) {
    const Ext sum = 415.5L * c + 12.3L * d.Si + 6.8L * d.Mn + 124.5L * d.P + 183.9L * s + 4.3L * d.Ni +
                    1.4L * d.Cr + 4.1L * d.Al;
    return static_cast<double>(1536.0L - sum);
}

double Tliq(const CastingData& d, double c, double s) {
    const Ext sum = 88.0L * c + 8.0L * d.Si + 5.0L * d.Mn + 4.0L * d.Ni + 5.0L * d.Cu + 2.0L * d.Mg +
                    2.0L * d.V + 1.5L * d.Cr + 25.0L * s + 30.0L * d.P;
    return static_cast<double>(1537.0L - sum);
}

PropertyTerms MakePropertyTerms(const CastingData& d) {
    PropertyTerms t;
    const Ext sol[6] = {12.3L * d.Si, 6.8L * d.Mn, 124.5L * d.P, 4.3L * d.Ni, 1.4L * d.Cr, 4.1L * d.Al};
    const Ext liq[8] = {8.0L * d.Si, 5.0L * d.Mn, 4.0L * d.Ni, 5.0L * d.Cu,
                        2.0L * d.Mg, 2.0L * d.V,  1.5L * d.Cr, 30.0L * d.P};
    for (int k = 0; k < 6; ++k)
        t.sol[k] = sol[k];
    for (int k = 0; k < 8; ++k)
        t.liq[k] = liq[k];
    const Ext Mn = d.Mn;
    t.lamMn = 75.586L * Mn;
    t.lamMn2 = 83.0L * Mn * Mn;
    return t;
}

double Lat(const CastingData& d, double c) {
    const Ext C = c;
    const Ext Mn = d.Mn;
    return static_cast<double>(
        1000.0L * (253.38L - 58.06L * C + 136.93L * Mn - 3.78L * C * Mn - 0.08L * C * C - 125.77L * Mn * Mn));
}

double Lam(const CastingData& d, double c, double t) {
    if (t > 1200) return kLamLiquid;
    const Ext T = t;
    const Ext Mn = d.Mn;
    return static_cast<double>(45.79L - 0.0555L * T - 6.323L * c + 75.586L * Mn + 0.000024L * T * T -
                               83.0L * Mn * Mn);
}

double Cps(double c, double t) {
    if (t > 1300) return kCpLiquid;
    const Ext C = c;
    return static_cast<double>(0.192L * t + 487.955L - 103.0L * C + 130.0L * C * C);
}

double Ro(const Model& m, int i, int j) {
    const Ext fs = static_cast<Ext>(m.state.MSol[i][j]) / (static_cast<Ext>(kRoSolid) * m.state.SCell);
    return static_cast<double>((1.0L - fs) * m.state.RoLiq + static_cast<Ext>(kRoSolid) * fs);
}

} // namespace korvel
