#include "EnthalpyStep.h"

#include "BoundaryConditions.h"
#include "LineSweeps.h"
#include "Model.h"
#include "PhysicalBoundary.h"
#include "SteelProperties.h"
#include "StepCache.h"
#include "TimeStep.h"
#include "segregation/CellSolidification.h"
#include "segregation/FlowField.h"
#include "segregation/SoluteRedistribution.h"
#include "segregation/SoluteTransport.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace korvel {

namespace {
constexpr double kCpBreak = 1300;         // the solid's specific heat is a polynomial up to here, then 840
constexpr double kCpSlope = 0.192;        // J/(kg·K²)
constexpr double kMinRange = 1e-3;        // K: narrowest freezing range the lever rule is given
constexpr double kNewtonTolerance = 1e-4; // K
constexpr int kNewtonMax = 60;
constexpr double kArcFactor = 0.9998991284675515;
constexpr double kArcDegrees = 57.29;
constexpr double kCentreOpen = 0.2;
constexpr double kMouldFlowStart = 0.2;
constexpr double kMW = 1e6;
// Emissivity and ambient inside and beyond the secondary-cooling zone, as the original air law has them.
constexpr double kEpsSecondary = 0.5, kTenvSecondary = 50;
constexpr double kEpsBeyond = 0.95, kTenvBeyond = 15;
constexpr double kKFaceShort = 1.3, kKFaceLong = 0.7;

// Conductivity of the physical model: the solid's below 1200 °C, the liquid's 26 above (the mushy mix
// of the two is 26 there as well). Lam with the step's alloying terms: the same bits.
double Conductivity(const Model& m, double c, double t) {
    return LamOf(m.cache.terms, c, t);
}

// The surface condition of one face during one step: a fixed flux qFixed (W/m², the mould's, already the
// step's mean) plus a transfer u·(Ts - tSink) for the part of the step spent beyond the mould, weighted
// by that part's share.
struct SurfaceLaw {
    double qFixed = 0;
    double weight = 0; // share of the step beyond the mould
    int zone = 0;      // 0 mould only; 1..4 spray section; 5 air
    double w = 0;      // water flux of the spray section, l/(m²·s)
    SprayTerms spray;  // its spray law at that flux
    AirTerms air;      // radiation and natural convection (none under the sprays)
    double eps = 0, tenv = 0, kface = 0;
    bool endInMould = true; // whether the step ends in the mould
    double qEnd = 0;        // the mould's flux at the end of the step, W/m²
};

// Transfer coefficient and sink temperature beyond the mould at surface temperature ts.
void Transfer(const Model& m, const SurfaceLaw& law, double ts, double& h, double& sink) {
    const double radiationAndAir = law.air.Of(ts);
    if (law.zone >= 1 && law.zone <= 4 && law.w > 0) {
        // A calibrated section's multiplier scales its spray coefficient, as in the original model.
        const double hs = law.spray.Coefficient(ts) * m.params.SprayFactor[law.zone - 1];
        h = hs + radiationAndAir;
        sink = h > 0 ? (hs * m.params.SprayWaterT + radiationAndAir * law.tenv) / h : law.tenv;
    } else {
        h = radiationAndAir;
        sink = law.tenv;
    }
}

SurfaceLaw LawOfStep(const Model& m) {
    const CastingData& d = m.data;
    const ModelParams& p = m.params;
    SurfaceLaw law;
    const double v = d.Vlit / 60;
    const double t0 = m.state.Tau, t1 = m.state.Tau + p.Dt;
    const double tm = v > 0 ? d.Lkrist / v : 0; // time at the mould's exit
    const double a = p.MouldA * kMW, b = p.MouldB * kMW;
    if (t0 < tm) {
        const double end = std::min(t1, tm);
        law.qFixed = (MouldFluxIntegral(a, b, end) - MouldFluxIntegral(a, b, t0)) / p.Dt;
    }
    law.weight = t1 > tm ? (t1 - std::max(t0, tm)) / p.Dt : 0;
    law.endInMould = t1 <= tm;
    if (law.endInMould) law.qEnd = MouldFlux(a, b, t1);
    if (law.weight <= 0) return law;
    const double z = v * (std::max(t0, tm) + t1) / 2; // middle of the part beyond the mould
    law.kface = p.SideFlag == 1 ? kKFaceShort : kKFaceLong;
    if (z <= d.Lkrist + d.Lzvo) {
        law.eps = kEpsSecondary;
        law.tenv = kTenvSecondary;
    } else {
        law.eps = kEpsBeyond;
        law.tenv = kTenvBeyond;
    }
    const double ends[5] = {d.Lkrist, d.Lend1, d.Lend2, d.Lend3, d.Lend4};
    const double flows[4] = {d.Q1, d.Q2, d.Q3, d.Q4};
    law.zone = 5;
    for (int k = 0; k < 4; ++k) {
        if (z > ends[k] && z <= ends[k + 1]) {
            law.zone = k + 1;
            law.w = SprayWaterFlux(flows[k], ends[k + 1] - ends[k], d.HalfX, d.HalfY);
            law.spray = MakeSprayTerms(p.Spray, law.w, p.SprayWaterT);
        }
    }
    law.air = MakeAirTerms(law.tenv, law.eps, law.zone >= 1 && law.zone <= 4 && law.w > 0 ? 0 : law.kface);
    return law;
}

// One line of n cells (1 on the surface, n on the symmetry plane), spacing h, along which the node
// at position k is node(k). Solves the implicit conduction of the step on the enthalpy and writes H and
// Tem back; returns the heat that left through the surface, J per m² of surface.
template <class Node>
double SolveEnthalpyLine(Model& m, int n, double h, const SurfaceLaw& law, double cornerFactor,
                         double& surface, Node&& node) {
    PhysicalState& ph = m.phys;
    const double dt = m.params.Dt;
    // Every entry is written (1..n) before it is read.
    std::array<double, kMaxNodes + 2> hOld, hCur, tCur, tNew, cap, lam, half, g, sa, sb, sc, sf, alfa, beta,
        cMean;
    const EnthalpyCurve& curve = ph.steel;
    for (int k = 1; k <= n; ++k) {
        const auto [i, j] = node(k);
        hOld[k] = ph.H[i][j];
        hCur[k] = hOld[k];
        tCur[k] = m.state.Tem[i][j];
        cMean[k] = m.state.CMean[i][j];
    }
    const double qFixed = law.qFixed * cornerFactor;
    double ts = surface; // surface temperature the transfer is evaluated at
    double qOut = 0;
    for (int it = 0; it < kNewtonMax; ++it) {
        for (int k = 1; k <= n; ++k) {
            lam[k] = Conductivity(m, cMean[k], tCur[k]);
            cap[k] = curve.Capacity(tCur[k]);
            half[k] = h / (2 * lam[k]); // resistance of half a cell
        }
        for (int k = 1; k < n; ++k)
            g[k] = 1 / (half[k] + half[k + 1]); // conductance between k and k + 1
        double u = 0, sink = 0;
        if (law.weight > 0) {
            double hc = 0;
            Transfer(m, law, ts, hc, sink);
            u = hc > 0 ? law.weight / (1 / hc + half[1]) : 0;
        }
        for (int k = 1; k <= n; ++k) {
            const double left = k > 1 ? g[k - 1] : 0;
            const double right = k < n ? g[k] : 0;
            sa[k] = -left;
            sc[k] = -right;
            sb[k] = h * cap[k] / dt + left + right;
            sf[k] = h * (hOld[k] - hCur[k] + cap[k] * tCur[k]) / dt;
        }
        sb[1] += u;
        sf[1] += u * sink - qFixed;
        // Thomas algorithm.
        alfa[1] = -sc[1] / sb[1];
        beta[1] = sf[1] / sb[1];
        for (int k = 2; k <= n; ++k) {
            const double den = sb[k] + sa[k] * alfa[k - 1];
            alfa[k] = -sc[k] / den;
            beta[k] = (sf[k] - sa[k] * beta[k - 1]) / den;
        }
        tNew[n] = beta[n];
        for (int k = n - 1; k >= 1; --k)
            tNew[k] = alfa[k] * tNew[k + 1] + beta[k];
        // Every update of H is the flux balance with these temperatures: the step conserves energy
        // whatever the iteration count.
        double change = 0;
        for (int k = 1; k <= n; ++k) {
            hCur[k] += cap[k] * (tNew[k] - tCur[k]);
            const double t = curve.T(hCur[k]);
            change = std::max(change, std::fabs(t - tNew[k]));
            tCur[k] = t;
        }
        qOut = qFixed + u * (tNew[1] - sink);
        ts = tNew[1] - qOut * h / (2 * lam[1]);
        if (change < kNewtonTolerance) break;
    }
    // The surface temperature at the end of the step: under the flux of that moment (not the step's
    // mean, which differs where the step leaves the mould).
    const double lam1 = Conductivity(m, cMean[1], tCur[1]);
    if (law.endInMould) {
        ts = tCur[1] - law.qEnd * cornerFactor * h / (2 * lam1);
    } else {
        SurfaceLaw after = law;
        after.weight = 1;
        for (int k = 0; k < 4; ++k) {
            double hc = 0, sink = 0;
            Transfer(m, after, ts, hc, sink);
            const double uEnd = hc > 0 ? 1 / (1 / hc + h / (2 * lam1)) : 0;
            ts = tCur[1] - uEnd * (tCur[1] - sink) * h / (2 * lam1);
        }
    }
    for (int k = 1; k <= n; ++k) {
        const auto [i, j] = node(k);
        ph.H[i][j] = hCur[k];
        m.state.Tem[i][j] = tCur[k];
    }
    surface = ts;
    return qOut * dt;
}

struct IJ {
    int i, j;
};

void SweepX(Model& m, const SurfaceLaw& law) {
    ModelState& s = m.state;
    PhysicalState& ph = m.phys;
    const int L = m.params.L, M = m.params.M;
    for (int j = 1; j <= M; ++j) {
        const double f = CornerFactor((j - 1) * s.Hy, j * s.Hy);
        const double q = SolveEnthalpyLine(m, L, s.Hx, law, f, ph.surfX[j], [j](int k) { return IJ{k, j}; });
        ph.heatOut += q * s.Hy;
        ph.mouldHeatX += law.qFixed * f * m.params.Dt * s.Hy;
    }
}

void SweepY(Model& m, const SurfaceLaw& law) {
    ModelState& s = m.state;
    PhysicalState& ph = m.phys;
    const int L = m.params.L, M = m.params.M;
    for (int i = 1; i <= L; ++i) {
        const double f = CornerFactor((i - 1) * s.Hx, i * s.Hx);
        const double q = SolveEnthalpyLine(m, M, s.Hy, law, f, ph.surfY[i], [i](int k) { return IJ{i, k}; });
        ph.heatOut += q * s.Hx;
        ph.mouldHeatY += law.qFixed * f * m.params.Dt * s.Hx;
    }
}

// Solid mass from the enthalpy, and the solutes redistributed by the sub-models as the text's
// solidification step does it. A cell that becomes fully solid keeps all its solute in the solid; one that
// melts through keeps it all in the liquid.
void SolidFromEnthalpy(Model& m) {
    ModelState& s = m.state;
    const double full = kRoSolid * s.SCell;
    for (int i = 1; i <= m.params.L; ++i) {
        for (int j = 1; j <= m.params.M; ++j) {
            const double fs = m.phys.steel.Fs(s.Tem[i][j]);
            const double before = s.MSol[i][j];
            const double after = fs * full;
            if (after == before) continue;
            s.KDistC = CarbonPartition(s.CLiq[i][j]);
            s.KDistS = SulphurPartition(s.SLiq[i][j]);
            s.MSolOld[i][j] = before;
            s.MSol[i][j] = after;
            if (fs >= 1) {
                s.CSol[i][j] = s.CMean[i][j];
                s.SSol[i][j] = s.SMean[i][j];
            } else if (fs <= 0) {
                s.CLiq[i][j] = s.CMean[i][j];
                s.SLiq[i][j] = s.SMean[i][j];
                s.MSolOld[i][j] = 0;
            } else {
                RedistributeSolute(m, i, j, s.SSol[i][j], s.SMean[i][j], s.SLiq[i][j], s.KDistS, kDeltaDS);
                RedistributeSolute(m, i, j, s.CSol[i][j], s.CMean[i][j], s.CLiq[i][j], s.KDistC, kDeltaDC);
            }
        }
    }
}

// The explicit transport by the interdendritic flow has no step limit of its own: where the flow is fast
// for the cell size and the step it would overshoot and grow without bound. Its result is kept within
// the range of the liquid concentrations of the node and its four neighbours before the transport (a
// limiter of the flux-corrected kind); the solute balance that follows restores the totals.
void LimitTransport(const Model& m, const NodeField& before, NodeField& after) {
    const int L = m.params.L, M = m.params.M;
    for (int i = 1; i <= L; ++i) {
        for (int j = 1; j <= M; ++j) {
            double lo = before[i][j], hi = lo;
            const int ni[4] = {i - 1, i + 1, i, i};
            const int nj[4] = {j, j, j - 1, j + 1};
            for (int k = 0; k < 4; ++k) {
                if (ni[k] < 1 || ni[k] > L || nj[k] < 1 || nj[k] > M) continue;
                lo = std::min(lo, before[ni[k]][nj[k]]);
                hi = std::max(hi, before[ni[k]][nj[k]]);
            }
            after[i][j] = std::clamp(after[i][j], lo, hi);
        }
    }
}

} // namespace

double EnthalpyCurve::Sensible(double t) const {
    if (t <= kCpBreak) return (kCpSlope / 2 * t + a) * t;
    return hs1300 + kCpLiquid * (t - kCpBreak);
}
double EnthalpyCurve::Fs(double t) const {
    if (t <= ts) return 1;
    if (t >= tl) return 0;
    return (tl - t) / (tl - ts);
}
double EnthalpyCurve::H(double t) const {
    return kEnthalpyDensity * (Sensible(t) + (1 - Fs(t)) * lf);
}
double EnthalpyCurve::Capacity(double t) const {
    const double cp = t <= kCpBreak ? a + kCpSlope * t : kCpLiquid;
    const double latent = (t > ts && t < tl) ? latentPerK : 0;
    return kEnthalpyDensity * (cp + latent);
}
double EnthalpyCurve::T(double h) const {
    // H is continuous and increasing; on each stretch between the breakpoints H/ρ is the quadratic
    // MakeEnthalpyCurve formed.
    const double y = h / kEnthalpyDensity;
    int k = 0;
    while (k < 3 && y > yBr[k])
        ++k;
    if (c2[k] == 0) return (y - c0[k]) / c1[k];
    const double disc = c1[k] * c1[k] - 4 * c2[k] * (c0[k] - y);
    return (-c1[k] + std::sqrt(std::max(0.0, disc))) / (2 * c2[k]);
}

EnthalpyCurve MakeEnthalpyCurve(const Model& m, double c, double s) {
    EnthalpyCurve e;
    e.ts = Tsol(m.data, c, s);
    e.tl = Tliq(m.data, c, s);
    if (e.tl - e.ts < kMinRange) e.tl = e.ts + kMinRange;
    e.a = 487.955 - 103 * c + 130 * c * c;
    e.lf = Lat(m.data, c);
    e.hs1300 = (kCpSlope / 2 * kCpBreak + e.a) * kCpBreak;
    e.latentPerK = e.lf / (e.tl - e.ts);
    std::array<double, 3> br = {e.ts, e.tl, kCpBreak};
    std::sort(br.begin(), br.end());
    for (int k = 0; k < 3; ++k) {
        e.br[k] = br[k];
        e.yBr[k] = e.H(br[k]) / kEnthalpyDensity;
    }
    for (int k = 0; k <= 3; ++k) {
        const double lo = k > 0 ? br[k - 1] : -1e9;
        const double hi = k < 3 ? br[k] : 1e9;
        const double probe = k == 0 ? br[0] - 1 : (k == 3 ? br[2] + 1 : (lo + hi) / 2);
        e.c2[k] = probe <= kCpBreak ? kCpSlope / 2 : 0;
        e.c1[k] = (probe <= kCpBreak ? e.a : kCpLiquid) + ((probe > e.ts && probe < e.tl) ? e.latentPerK : 0);
        const double ref = k == 0 ? br[0] : lo;
        e.c0[k] = e.H(ref) / kEnthalpyDensity - (e.c2[k] * ref * ref + e.c1[k] * ref);
    }
    return e;
}

void InitialisePhysical(Model& m) {
    PhysicalState& ph = m.phys;
    const int L = m.params.L, M = m.params.M;
    ph = PhysicalState{};
    ph.H.Resize(L + 1, M + 1);
    ph.surfX.assign(static_cast<std::size_t>(M) + 1, m.data.T0);
    ph.surfY.assign(static_cast<std::size_t>(L) + 1, m.data.T0);
    ph.steel = MakeEnthalpyCurve(m, m.data.C, m.data.S);
    for (int i = 1; i <= L; ++i)
        for (int j = 1; j <= M; ++j)
            ph.H[i][j] = ph.steel.H(m.state.Tem[i][j]);
    ph.initialContent = SliceEnthalpy(m);
}

double SliceEnthalpy(const Model& m) {
    double sum = 0;
    for (int i = 1; i <= m.params.L; ++i)
        for (int j = 1; j <= m.params.M; ++j)
            sum += m.phys.H[i][j];
    return sum * m.state.SCell;
}

void PhysicalTimeStep(Model& m) {
    ModelState& s = m.state;
    PhysicalState& ph = m.phys;
    const CastingData& d = m.data;
    const int L = m.params.L;
    const int M = m.params.M;
    // A state initialised for the original model (or another grid) starts the physical one afresh.
    if (ph.H.Rows() != L + 1 || ph.H.Cols() != M + 1) InitialisePhysical(m);
    BeginStep(m);
    RefreshSolidFraction(m);
    RefreshMeanRanges(m);

    for (int i = 1; i <= L; ++i)
        for (int j = 1; j <= M; ++j)
            s.TemOld[i][j] = s.Tem[i][j];
    const double z = m.Z();
    s.MouldK = (kMouldFlowStart < z && z < s.DEkv) ? (z - kMouldFlowStart) * 0.5 / s.DEkv : 0;
    s.KFace = m.params.SideFlag == 1 ? kKFaceShort : kKFaceLong;

    // Conduction with the surface laws, X then Y on even steps and Y then X on odd ones, so that neither
    // face is favoured by the splitting.
    const SurfaceLaw law = LawOfStep(m);
    const double v = d.Vlit / 60;
    if (v > 0 && s.Tau < d.Lkrist / v) ph.mouldTime += std::min(m.params.Dt, d.Lkrist / v - s.Tau);
    if (ph.steps % 2 == 0) {
        s.SweepX = 1;
        SweepX(m, law);
        s.SweepX = 0;
        SweepY(m, law);
    } else {
        s.SweepX = 0;
        SweepY(m, law);
        s.SweepX = 1;
        SweepX(m, law);
        s.SweepX = 0;
    }

    if (m.Fs(L, M) <= kCentreOpen) {
        s.HDepth =
            kArcDegrees * z / d.Rkorvel >= 90 ? d.Rkorvel : d.Rkorvel * std::sin(kArcFactor * z / d.Rkorvel);
    } else {
        s.HDepth = 0;
    }

    // Solidification from the enthalpy, then the segregation sub-models as in the original step.
    SolidFromEnthalpy(m);
    RefreshSolidFraction(m);
    RefreshDensity(m);
    FerroPressure(m);
    m.cache.flowShared = true;
    TransportC(m);
    TransportS(m);
    m.cache.flowShared = false;
    LimitTransport(m, s.CLiq, s.CLiqNew);
    LimitTransport(m, s.SLiq, s.SLiqNew);
    for (int i = 1; i <= L; ++i) {
        for (int j = 1; j <= M; ++j) {
            s.CLiq[i][j] = s.CLiqNew[i][j];
            s.SLiq[i][j] = s.SLiqNew[i][j];
        }
    }
    BalanceSolute(m, s.SMean, s.SLiq, d.S);
    BalanceSolute(m, s.CMean, s.CLiq, d.C);
    UpdateCellMeans(m);
    MarkDiffusingNodes(m);
    DiffusionSweepsAlongX(m);
    DiffusionSweepsAlongY(m);
    UpdateCellMeans(m);

    s.Tau = s.Tau + m.params.Dt;
    ++ph.steps;
    EndStep(m);
}

MouldHeat MouldHeatOf(const Model& m) {
    const PhysicalState& ph = m.phys;
    const CastingData& d = m.data;
    MouldHeat r;
    r.faceX = 2 * ph.mouldHeatX;
    r.faceY = 2 * ph.mouldHeatY;
    r.total = 2 * (r.faceX + r.faceY);
    const double perimeter = 4 * (d.HalfX + d.HalfY);
    r.meanFlux = ph.mouldTime > 0 ? r.total / (perimeter * ph.mouldTime) : 0;
    r.power = r.total * d.Vlit / 60;
    r.waterRise = MouldWaterRise(r.total, d.Vlit, m.params.MouldWater);
    return r;
}

double SurfaceMidFaceY(const Model& m) {
    const int L = m.params.L;
    if (m.params.Boundary == BoundaryModel::Physical && m.phys.surfY.size() > static_cast<std::size_t>(L))
        return m.phys.surfY[L];
    return m.state.Tem[L][1];
}
double SurfaceMidFaceX(const Model& m) {
    const int M = m.params.M;
    if (m.params.Boundary == BoundaryModel::Physical && m.phys.surfX.size() > static_cast<std::size_t>(M))
        return m.phys.surfX[M];
    return m.state.Tem[1][M];
}
double SurfaceCorner(const Model& m) {
    if (m.params.Boundary == BoundaryModel::Physical && m.phys.surfX.size() > 1)
        return (m.phys.surfX[1] + m.phys.surfY[1]) / 2;
    return m.state.Tem[1][1];
}

} // namespace korvel
