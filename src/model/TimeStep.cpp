#include "TimeStep.h"

#include "PropertyMemo.h"

#include "BoundaryConditions.h"
#include "LineSweeps.h"
#include "SteelProperties.h"
#include "segregation/CellSolidification.h"
#include "segregation/ConductionLine.h"
#include "segregation/DiffusionLine.h"
#include "segregation/FlowField.h"
#include "segregation/SoluteTransport.h"

#include <cmath>

namespace korvel {

namespace {
// The slice's angle on the machine's arc is taken as 57.29 · z / R degrees; 57.29 · π / 180:
constexpr double kArcFactor = 0.9998991284675515;
constexpr double kArcDegrees = 57.29;
// Solid fraction of the centre above which the slice's depth no longer drives the liquid.
constexpr double kCentreOpen = 0.2;
// The mould's flow term of the pool exchange applies between 0.2 m and the equivalent diameter.
constexpr double kMouldFlowStart = 0.2;

// The cell means of one row j = 1..M with the densities in hand.
void MeansOfRow(int M, double SCell, const double* __restrict density, const double* __restrict msolRow,
                const double* __restrict sliq, const double* __restrict ssol, const double* __restrict cliq,
                const double* __restrict csol, double* __restrict smean, double* __restrict cmean) {
    for (int j = 1; j <= M; ++j) {
        const double ro = density[j];
        const double msol = msolRow[j];
        smean[j] = ((ro * SCell - msol) * sliq[j] + ssol[j] * msol) / ro / SCell;
        cmean[j] = ((ro * SCell - msol) * cliq[j] + csol[j] * msol) / ro / SCell;
    }
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
            if (s.MSol[i][j] == 0 && s.Tem[i][j] > MeanTliq(m, i, j)) liq[i][j] += add;
        }
    }
}
void UpdateCellMeans(Model& m) {
    ModelState& s = m.state;
    for (int i = 1; i <= m.params.L; ++i) {
        if (m.cache.active) {
            // In a step the densities come from the step's field.
            MeansOfRow(m.params.M, s.SCell, m.cache.density[i], s.MSol[i], s.SLiq[i], s.SSol[i], s.CLiq[i],
                       s.CSol[i], s.SMean[i], s.CMean[i]);
        } else {
            for (int j = 1; j <= m.params.M; ++j) {
                const double ro = Ro(m, i, j);
                const double msol = s.MSol[i][j];
                s.SMean[i][j] = ((ro * s.SCell - msol) * s.SLiq[i][j] + s.SSol[i][j] * msol) / ro / s.SCell;
                s.CMean[i][j] = ((ro * s.SCell - msol) * s.CLiq[i][j] + s.CSol[i][j] * msol) / ro / s.SCell;
            }
        }
    }
}

void TimeStep(Model& m) {
    if (m.params.Boundary == BoundaryModel::Physical) {
        PhysicalTimeStep(m);
        return;
    }
    ModelState& s = m.state;
    const CastingData& d = m.data;
    const int L = m.params.L;
    const int M = m.params.M;
    const double Dt = m.params.Dt;
    // The step's caches (StepCache): checked against the casting data, then used until the step ends.
    BeginStep(m);
    RefreshSolidFraction(m);
    RefreshFreezingRanges(m);

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
    HeatSweepsAlongX(m);

    // 5. Heat along Y, row by row, from the temperatures the X sweeps left.
    s.SweepX = 0;
    HeatSweepsAlongY(m);

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
    RefreshSolidFraction(m);
    RefreshDensity(m);
    FerroPressure(m);

    // 8., 9. Transport by the interdendritic flow.
    m.cache.flowShared = true;
    TransportC(m);
    TransportS(m);
    m.cache.flowShared = false;
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
    MarkDiffusingNodes(m);
    DiffusionSweepsAlongX(m);
    DiffusionSweepsAlongY(m);

    // 14.
    UpdateCellMeans(m);

    // 15.
    s.Tau = s.Tau + Dt;

    // 16. Surface coefficients for the next step from the new position.
    SurfaceCoefficientsAtStepEnd(m);
    EndStep(m);
}

} // namespace korvel
