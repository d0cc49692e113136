#include "DiffusionLine.h"

#include "../SteelProperties.h"
#include "ConductionLine.h"

namespace korvel {

namespace {
// A node diffuses only while it is hotter than the solidus of its mean composition; elsewhere it is
// cut off from its neighbours. Each row takes its own node's coefficient for both links.
void DiffusionSweep(Model& m, int n, double h, double D, const LineArray& rhs) {
    ModelState& s = m.state;
    const double Dt = m.params.Dt;
    for (int k = 1; k <= n; ++k) {
        if (Tsol(m.data, s.LineCMean[k], s.LineSMean[k]) < s.LineTem[k]) {
            s.SysA[k] = -D * Dt / (h * h);
        } else {
            s.SysA[k] = 0;
        }
        s.SysC[k] = s.SysA[k];
        s.SysF[k] = rhs[k];
    }
    s.SysA[1] = 0;
    s.SysC[n] = 0;
    for (int k = 1; k <= n; ++k)
        s.SysB[k] = 1 - s.SysA[k] - s.SysC[k];
    ForwardEliminate(s, n);
}
} // namespace

void DiffusionSweepS(Model& m, int n, double h) {
    DiffusionSweep(m, n, h, kDiffusionS, m.state.LineSLiq);
}

void DiffusionSweepC(Model& m, int n, double h) {
    DiffusionSweep(m, n, h, kDiffusionC, m.state.LineCLiq);
}

} // namespace korvel
