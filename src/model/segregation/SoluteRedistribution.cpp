#include "SoluteRedistribution.h"

#include "../PropertyMemo.h"

#include "../SteelProperties.h"

#include <algorithm>
#include <cmath>

namespace korvel {

namespace {
// Concentration limits of the liquid above which the new solid takes the liquid's full concentration.
constexpr double kSulphurLimit = 0.18;
double CarbonLimit(double tem) {
    return 0.00254 * tem + 1.34;
}
} // namespace

double SwitchVelocity(double k0, double dD) {
    return std::log(0.999 * (1 - k0) / (0.001 * k0)) / dD;
}

double EffectivePartition(double k0, double v, double dD) {
    // Outside (0, 1) the relation has no meaning (and its logarithm no argument): take the coefficient
    // as it is, clamped into [0, 1].
    if (!(k0 > 0 && k0 < 1)) return std::clamp(k0, 0.0, 1.0);
    if (SwitchVelocity(k0, dD) < v) return 1;
    return k0 / (k0 + (1 - k0) / std::exp(v * dD));
}

void RedistributeSolute(Model& m, int i, int j, double& Cs, double Cm, double& Cl, double k0, double dD) {
    ModelState& s = m.state;
    const double msol = s.MSol[i][j];
    const double msolOld = s.MSolOld[i][j];
    const double clim = k0 > s.KDistS ? CarbonLimit(s.Tem[i][j]) : kSulphurLimit;

    double q = 0;
    if (msolOld <= msol && 0 < msol && msol < kRoSolid * s.SCell) {
        // Growth: the new solid takes up solute with the effective coefficient of its velocity.
        const double v = (msol - msolOld) / (s.SCell * m.params.Dt * kRoSolid) * (s.Hx + s.Hy) / 2;
        const double keff = EffectivePartition(k0, v, dD);
        const double cadd = Cl < clim ? keff * Cl : Cl;
        q = Cs * msolOld + cadd * (msol - msolOld);
    } else if (msol < msolOld && msol > 0) {
        // Melting: the melted solid leaves at the concentration of the liquid.
        q = Cs * msolOld - Cl * (msolOld - msol);
    } else {
        return;
    }
    const double ro = MemoRo(m, i, j);
    Cl = (ro * Cm * s.SCell - q) / (ro * s.SCell - msol);
    Cs = q / msol;
}

} // namespace korvel
