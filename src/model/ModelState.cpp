#include "Model.h"

#include <algorithm>

namespace korvel {

void SizeState(Model& m) {
    const CastingData& d = m.data;
    const ModelParams& p = m.params;
    ModelState& s = m.state;

    s.Hx = d.HalfX / p.L;
    s.Hy = d.HalfY / p.M;
    s.SCell = s.Hx * s.Hy;
    s.RoLiq = 6980 + 0.0008 * (1600 - d.T0);
    s.DEkv = 8 * d.HalfX * d.HalfY / (d.HalfX + d.HalfY);
    s.AreaK1 = s.SCell * 8296.27 + 3.36;
    s.AreaK2 = s.SCell * 8296.27 + 3.36;
    s.RoLiqK = 1.1e-6 * s.RoLiq;

    const int rows = p.L + 1;
    const int cols = p.M + 1;
    for (NodeField* f :
         {&s.Tem, &s.TemOld, &s.MSol, &s.MSolOld, &s.CLiq, &s.CSol, &s.CMean, &s.SLiq, &s.SSol, &s.SMean,
          &s.CLiqNew, &s.SLiqNew, &s.ArmSpacing1, &s.ArmSpacing2, &s.FlowU, &s.FlowV}) {
        f->Resize(rows, cols);
    }
    const std::size_t n = static_cast<std::size_t>(std::max(p.L, p.M)) + 1;
    for (LineArray* a : {&s.LineTem, &s.LineMSol, &s.LineCLiq, &s.LineSLiq, &s.LineCSol, &s.LineSSol,
                         &s.LineCMean, &s.LineSMean, &s.SysA, &s.SysB, &s.SysC, &s.SysF, &s.SysAlfa,
                         &s.SysBeta, &s.AlfaX, &s.AlfaY, &s.LamX, &s.LamY}) {
        a->assign(n, 0.0);
    }
}

void SetCastingSpeed(Model& m, double vlit) {
    if (vlit == m.data.Vlit) return;
    ModelState& s = m.state;
    s.ZBase = m.Z();
    s.TauBase = s.Tau;
    s.SpeedChanged = true;
    m.data.Vlit = vlit;
}

} // namespace korvel
