// The physical boundary model: its laws, its energy balance, its agreement with an independent 1-D
// enthalpy solution, and its stability over the grids.

#include "PhysicalRuns.h"

#include "model/PhysicalBoundary.h"
#include "model/SteelProperties.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace korvel {
namespace {

using test_models::PhysicalCase;
using test_models::RunPhysical;

TEST(PhysicalBoundary, LawsAndEnthalpyCurve) {
    // Default boundary model is the original one.
    EXPECT_EQ(ModelParams{}.Boundary, BoundaryModel::Text);
    // Savage & Pritchard: q(0) = A, zero from (A/B)² = 64 s on, integral A·t - 2/3·B·t^1.5.
    EXPECT_DOUBLE_EQ(MouldFlux(2.68e6, 0.335e6, 0), 2.68e6);
    EXPECT_DOUBLE_EQ(MouldFlux(2.68e6, 0.335e6, 100), 0);
    EXPECT_NEAR(MouldFluxIntegral(2.68e6, 0.335e6, 36), 2.68e6 * 36 - 2.0 / 3 * 0.335e6 * 216, 1e-3);
    EXPECT_DOUBLE_EQ(MouldFluxIntegral(2.68e6, 0.335e6, 200), MouldFluxIntegral(2.68e6, 0.335e6, 64));
    // Corner: half the flux at the edge, full beyond the gap; the mean over the gap is 3/4.
    EXPECT_NEAR(CornerFactor(0, kCornerGapWidth), 0.75, 1e-12);
    EXPECT_DOUBLE_EQ(CornerFactor(0.02, 0.03), 1);
    // Nozaki at 1 l/(m²·s) and 30 °C water; Bolle & Moureau at 1 l/(m²·s).
    EXPECT_NEAR(SprayCoefficient(SprayLaw::Nozaki, 1, 30, 1000), 392.5 * 0.775, 1e-9);
    EXPECT_NEAR(SprayCoefficient(SprayLaw::BolleMoureau, 1, 30, 1000), 423, 1e-9);
    EXPECT_EQ(SprayCoefficient(SprayLaw::Sasaki, 0, 30, 1000), 0);
    // 2.2 m³/h over a 0.6 m section of a 160 mm square billet: 0.611 l/s over 0.384 m².
    EXPECT_NEAR(SprayWaterFlux(2.2, 0.6, 0.08, 0.08), 2.2 / 3.6 / 0.384, 1e-12);
    // 1 MJ per metre at 1.2 m/min is 20 kW; with 36 m³/h of water that is 20e3 / (4.186e6 · 0.01) K.
    EXPECT_NEAR(MouldWaterRise(1e6, 1.2, 36), 20e3 / 4.186e4, 1e-9);

    // The enthalpy relation: T(H(t)) = t on every stretch, full solid at and below the solidus.
    Model m;
    const EnthalpyCurve c = MakeEnthalpyCurve(m, m.data.C, m.data.S);
    for (double t :
         {20.0, 700.0, 1299.0, 1301.0, c.ts, c.ts + 0.5, (c.ts + c.tl) / 2, c.tl, c.tl + 3, 1600.0})
        EXPECT_NEAR(c.T(c.H(t)), t, 1e-7) << t;
    EXPECT_EQ(c.Fs(c.ts), 1);
    EXPECT_EQ(c.Fs(c.tl), 0);
    // Between the solidus and the liquidus the latent heat is released in full.
    EXPECT_NEAR(c.H(c.tl) - c.H(c.ts), kEnthalpyDensity * (c.Sensible(c.tl) - c.Sensible(c.ts) + c.lf), 1e-3);
}

// An independent 1-D enthalpy solution of the mid-face: explicit in time on a fine grid, the same flux
// law and steel properties, no splitting and no iteration. Returns the shell to the nominal solidus,
// mm, at time tEnd.
double Shell1D(const CastingData& d, double halfWidth, double tEnd) {
    const int n = 100;
    const double h = halfWidth / n, rho = 7800;
    const double ts = Tsol(d, d.C, d.S), tl = Tliq(d, d.C, d.S), lf = Lat(d, d.C);
    // Enthalpy per kg: the specific heat integrated in closed form (polynomial up to 1300 °C, 840 above).
    const double a = Cps(d.C, 0);
    auto enthalpy = [&](double t) {
        const double upTo = std::min(t, 1300.0);
        double e = a * upTo + 0.096 * upTo * upTo;
        if (t > 1300) e += 840 * (t - 1300);
        const double fs = t <= ts ? 1 : t >= tl ? 0 : (tl - t) / (tl - ts);
        return e + (1 - fs) * lf;
    };
    // Temperature from enthalpy by bisection.
    auto temperature = [&](double e) {
        double lo = 500, hi = 1700;
        for (int q = 0; q < 50; ++q) {
            const double mid = (lo + hi) / 2;
            (enthalpy(mid) < e ? lo : hi) = mid;
        }
        return (lo + hi) / 2;
    };
    std::vector<double> T(n + 1, d.T0), E(n + 1, enthalpy(d.T0));
    const double step = 0.2 * rho * 600 * h * h / 30;
    int steps = static_cast<int>(std::ceil(tEnd / step));
    const double dt = tEnd / steps;
    for (int s = 0; s < steps; ++s) {
        const double q =
            (MouldFluxIntegral(2.68e6, 0.335e6, (s + 1) * dt) - MouldFluxIntegral(2.68e6, 0.335e6, s * dt)) /
            dt;
        std::vector<double> flux(n + 2, 0); // flux[k]: into cell k from cell k - 1
        flux[1] = -q;
        for (int k = 2; k <= n; ++k) {
            const double l1 = Lam(d, d.C, T[k - 1]), l2 = Lam(d, d.C, T[k]);
            flux[k] = (T[k - 1] - T[k]) / (h / (2 * l1) + h / (2 * l2));
        }
        for (int k = 1; k <= n; ++k) {
            E[k] += (flux[k] - flux[k + 1]) * dt / (h * rho);
            T[k] = temperature(E[k]);
        }
    }
    std::vector<double> line(n + 1);
    for (int k = 1; k <= n; ++k)
        line[k] = T[k];
    return ThicknessAlong(line.data(), n, h, ts) * 1000;
}

TEST(PhysicalBoundary, ConservesEnergyAndAgreesWithPublishedPhysics) {
    // Default case on 40 × 40 to where the centre is solid through.
    const PhysicalCase c = test_models::DefaultCase(40, 0.5, 900);
    const test_models::PhysicalRun r = RunPhysical(c);
    ASSERT_TRUE(r.results.metallurgicalReached);
    EXPECT_LT(std::fabs(r.energyError), 1e-6) << r.energyError;
    EXPECT_EQ(r.mushyBelowSolidus, 0);

    // The mould's mean flux is the law's time average (times the corner's mean air-gap factor).
    const double tm = c.data.Lkrist / (c.data.Vlit / 60);
    const double law = MouldFluxIntegral(2.68e6, 0.335e6, tm) / tm;
    const double corner =
        (c.data.HalfX * CornerFactor(0, c.data.HalfX) + c.data.HalfY * CornerFactor(0, c.data.HalfY)) /
        (c.data.HalfX + c.data.HalfY);
    EXPECT_NEAR(r.mould.meanFlux / (law * corner), 1, 0.01) << r.mould.meanFlux << " vs " << law * corner;
    EXPECT_GT(r.mould.waterRise, 2);
    EXPECT_LT(r.mould.waterRise, 12);

    // Mid-face shell at the mould's exit against the 1-D solution.
    const double shell1d = Shell1D(c.data, c.data.HalfX, tm);
    EXPECT_NEAR(r.results.mouldExit.faceX / shell1d, 1, 0.15)
        << r.results.mouldExit.faceX << " vs " << shell1d;

    // The square-root law of solidification, ML = v·(D / 2K)²: K from the time to full solidity.
    const double kLength = c.data.HalfX * 1000 / std::sqrt(r.results.metallurgicalLength / c.data.Vlit);
    EXPECT_GE(kLength, 24) << kLength;
    EXPECT_LE(kLength, 32) << kLength;
}

TEST(PhysicalBoundary, StableOnEveryGridSample) {
    // A sample of the grids 4..100 (the whole range would take minutes) on both cases through the
    // mould and the first sprays, and two long steps.
    struct Grid {
        int L, M;
        double dt;
    };
    const Grid grids[] = {{4, 4, 0.5},   {5, 5, 0.5},     {7, 7, 0.5},   {11, 11, 0.5},
                          {17, 17, 0.5}, {29, 29, 0.5},   {53, 53, 0.5}, {4, 100, 0.5},
                          {100, 4, 0.5}, {100, 100, 0.5}, {80, 80, 5},   {10, 10, 20}};
    for (const bool small : {false, true}) {
        for (const Grid& g : grids) {
            PhysicalCase c =
                small ? test_models::SmallCase(g.L, g.dt, 60) : test_models::DefaultCase(g.L, g.dt, 60);
            c.params.M = g.M;
            const test_models::PhysicalRun r = RunPhysical(c);
            EXPECT_TRUE(r.completed) << (small ? "130 mm " : "160 mm ") << g.L << "x" << g.M << " Dt "
                                     << g.dt;
            EXPECT_LT(std::fabs(r.energyError), 1e-6) << g.L << "x" << g.M << " " << r.energyError;
        }
    }
}

} // namespace
} // namespace korvel
