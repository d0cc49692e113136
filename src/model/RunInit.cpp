#include "RunInit.h"

namespace korvel {

void InitialiseRun(Model& m) {
    const CastingData& d = m.data;
    ModelState& s = m.state;
    // What the previous run remembered may not hold for this one's data.
    m.cache.Clear();
    s.Tau = 0;
    // The run scalars that a step sets start from their program-start value, so that a run never
    // depends on how the previous one ended.
    s.SweepX = 0;
    s.KFace = 0;
    s.Tenv = 0;
    s.EpsSurf = 0;
    s.AlfaSec = 0;
    s.HDepth = 0;
    s.MouldK = 0;
    s.PFerro = 0;
    s.KDistC = 0;
    s.KDistS = 0;
    s.FlowDrive = 0;
    s.SpeedChanged = false;
    s.ZBase = 0;
    s.TauBase = 0;
    for (int i = 1; i <= m.params.L; ++i) {
        for (int j = 1; j <= m.params.M; ++j) {
            s.Tem[i][j] = d.T0;
            s.SLiq[i][j] = d.S;
            s.CLiq[i][j] = d.C;
            s.SMean[i][j] = d.S;
            s.CMean[i][j] = d.C;
            s.SSol[i][j] = 0;
            s.CSol[i][j] = 0;
            s.MSolOld[i][j] = 0;
            s.MSol[i][j] = 0;
            s.ArmSpacing1[i][j] = s.Hx;
            s.ArmSpacing2[i][j] = s.Hx;
        }
    }
}

} // namespace korvel
