#include "TimeStep.h"

#include "BoundaryConditions.h"
#include "SteelProperties.h"
#include "segregation/CellSolidification.h"
#include "segregation/ConductionLine.h"
#include "segregation/DiffusionLine.h"
#include "segregation/FlowField.h"
#include "segregation/SoluteTransport.h"

#include <cmath>
#include <utility>

namespace korvel {

namespace {
// The slice's angle on the machine's arc is taken as 57.29 · z / R degrees; 57.29 · π / 180:
constexpr double kArcFactor = 0.9998991284675515;
constexpr double kArcDegrees = 57.29;
// Solid fraction of the centre above which the slice's depth no longer drives the liquid.
constexpr double kCentreOpen = 0.2;
// The mould's flow term of the pool exchange applies between 0.2 m and the equivalent diameter.
constexpr double kMouldFlowStart = 0.2;

// Copies the heat inputs of node (i, j) to position k of the line arrays.
void CopyHeatLine(ModelState& s, int k, int i, int j) {
    s.LineTem[k] = s.Tem[i][j];
    s.LineMSol[k] = s.MSol[i][j];
    s.LineSLiq[k] = s.SLiq[i][j];
    s.LineCLiq[k] = s.CLiq[i][j];
    s.LineCSol[k] = s.CSol[i][j];
    s.LineSSol[k] = s.SSol[i][j];
}

// Copies the diffusion inputs of node (i, j) to position k: the liquid's solute per cell volume.
void CopyDiffusionLine(Model& m, int k, int i, int j) {
    ModelState& s = m.state;
    const double liquid = 1 - m.Fs(i, j);
    s.LineTem[k] = s.Tem[i][j];
    s.LineSLiq[k] = liquid * s.SLiq[i][j];
    s.LineCLiq[k] = liquid * s.CLiq[i][j];
    s.LineSMean[k] = s.SMean[i][j];
    s.LineCMean[k] = s.CMean[i][j];
}

// Back-substitutes a diffusion line into the liquid concentration of its nodes; fully solid nodes
// keep theirs. node(k) gives the (i, j) of position k.
template <class Node> void SolveDiffusionLine(Model& m, int n, NodeField& liq, Node node) {
    SolveLine(m.state, n, [&](int k, double u) {
        const auto [i, j] = node(k);
        const double liquid = 1 - m.Fs(i, j);
        if (liquid > 0) liq[i][j] = u / liquid;
    });
}

} // namespace

// The sulphur (resp. carbon) balance: the section must hold L · M times the nominal content; the
// difference is spread over the liquid nodes above their liquidus.
void BalanceSolute(Model& m, const NodeField& mean, NodeField& liq, double nominal) {
    ModelState& s = m.state;
    const int L = m.params.L;
    const int M = m.params.M;
    double sum = 0;
    for (int i = 1; i <= L; ++i)
        for (int j = 1; j <= M; ++j)
            sum += mean[i][j];
    const double total = L * M * nominal;
    if (total == sum) return;
    const double add = (total - sum) / L / M;
    for (int i = 1; i <= L; ++i) {
        for (int j = 1; j <= M; ++j) {
            if (s.MSol[i][j] == 0 && s.Tem[i][j] > Tliq(m.data, s.CMean[i][j], s.SMean[i][j]))
                liq[i][j] += add;
        }
    }
}
void UpdateCellMeans(Model& m) {
    ModelState& s = m.state;
    for (int i = 1; i <= m.params.L; ++i) {
        for (int j = 1; j <= m.params.M; ++j) {
            const double ro = Ro(m, i, j);
            const double msol = s.MSol[i][j];
            s.SMean[i][j] = ((ro * s.SCell - msol) * s.SLiq[i][j] + s.SSol[i][j] * msol) / ro / s.SCell;
            s.CMean[i][j] = ((ro * s.SCell - msol) * s.CLiq[i][j] + s.CSol[i][j] * msol) / ro / s.SCell;
        }
    }
}

void TimeStep(Model& m) {
    ModelState& s = m.state;
    const CastingData& d = m.data;
    const int L = m.params.L;
    const int M = m.params.M;
    const double Dt = m.params.Dt;

    // 1.
    for (int i = 1; i <= L; ++i)
        for (int j = 1; j <= M; ++j)
            s.TemOld[i][j] = s.Tem[i][j];

    // 2. Ambient of the zone the slice is in at the start of the step.
    ZoneScalarsAtStepStart(m);

    // 3.
    const double z = m.Z();
    s.MouldK = (kMouldFlowStart < z && z < s.DEkv) ? (z - kMouldFlowStart) * 0.5 / s.DEkv : 0;

    // 4. Heat along X, column by column.
    s.SweepX = 1;
    for (int j = 1; j <= M; ++j) {
        for (int i = 1; i <= L; ++i)
            CopyHeatLine(s, i, i, j);
        SweepBuild(m, L, s.LamX[j], s.Hx, s.Hy, Dt, s.AlfaX[j]);
        SolveLine(s, L, [&](int i, double u) { s.Tem[i][j] = u; });
    }

    // 5. Heat along Y, row by row, from the temperatures the X sweeps left.
    s.SweepX = 0;
    for (int i = 1; i <= L; ++i) {
        for (int j = 1; j <= M; ++j)
            CopyHeatLine(s, j, i, j);
        SweepBuild(m, M, s.LamY[i], s.Hy, s.Hx, Dt, s.AlfaY[i]);
        SolveLine(s, M, [&](int j, double u) { s.Tem[i][j] = u; });
    }

    // 6. Depth of the slice below the meniscus while the centre is still open.
    if (m.Fs(L, M) <= kCentreOpen) {
        s.HDepth =
            kArcDegrees * z / d.Rkorvel >= 90 ? d.Rkorvel : d.Rkorvel * std::sin(kArcFactor * z / d.Rkorvel);
    } else {
        s.HDepth = 0;
    }

    // 7. Solidification, then the ferrostatic pressure of the new solid.
    for (int i = 1; i <= L; ++i)
        for (int j = 1; j <= M; ++j)
            SolidifyCell(m, i, j);
    FerroPressure(m);

    // 8., 9. Transport by the interdendritic flow.
    TransportC(m);
    TransportS(m);
    for (int i = 1; i <= L; ++i) {
        for (int j = 1; j <= M; ++j) {
            s.CLiq[i][j] = s.CLiqNew[i][j];
            s.SLiq[i][j] = s.SLiqNew[i][j];
        }
    }

    // 10., 11. Mass balance of sulphur, then carbon.
    BalanceSolute(m, s.SMean, s.SLiq, d.S);
    BalanceSolute(m, s.CMean, s.CLiq, d.C);

    // 12.
    UpdateCellMeans(m);

    // 13. Diffusion in the liquid, along X then along Y.
    for (int j = 1; j <= M; ++j) {
        for (int i = 1; i <= L; ++i)
            CopyDiffusionLine(m, i, i, j);
        auto node = [j](int k) { return std::pair{k, j}; };
        DiffusionSweepS(m, L, s.Hx);
        SolveDiffusionLine(m, L, s.SLiq, node);
        DiffusionSweepC(m, L, s.Hx);
        SolveDiffusionLine(m, L, s.CLiq, node);
    }
    for (int i = 1; i <= L; ++i) {
        for (int j = 1; j <= M; ++j)
            CopyDiffusionLine(m, j, i, j);
        auto node = [i](int k) { return std::pair{i, k}; };
        DiffusionSweepS(m, M, s.Hy);
        SolveDiffusionLine(m, M, s.SLiq, node);
        DiffusionSweepC(m, M, s.Hy);
        SolveDiffusionLine(m, M, s.CLiq, node);
    }

    // 14.
    UpdateCellMeans(m);

    // 15.
    s.Tau = s.Tau + Dt;

    // 16. Surface coefficients for the next step from the new position.
    SurfaceCoefficientsAtStepEnd(m);
}

} // namespace korvel
