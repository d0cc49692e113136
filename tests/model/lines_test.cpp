#include "TestModels.h"
#include "model/RunInit.h"
#include "model/SteelProperties.h"
#include "model/TimeStep.h"
#include "model/segregation/ConductionLine.h"
#include "model/segregation/DiffusionLine.h"

#include <gtest/gtest.h>
#include <vector>

using namespace korvel;

namespace {
using test_models::Initialised;
void FillLiquidLine(Model& m, int n, double t) {
    for (int k = 1; k <= n; ++k) {
        m.state.LineTem[k] = t;
        m.state.LineMSol[k] = 0;
        m.state.LineCLiq[k] = 0.2;
        m.state.LineSLiq[k] = 0.04;
        m.state.LineCSol[k] = 0;
        m.state.LineSSol[k] = 0;
    }
}
std::vector<double> Solve(const Model& m, int n) {
    std::vector<double> u(n + 1, 0);
    SolveLine(m.state, n, [&](int k, double v) { u[k] = v; });
    return u;
}
} // namespace

TEST(ConductionLine, UniformLiquidLineWithoutLossStaysUniform) {
    for (int n : {4, 6, 20}) {
        Model m = Initialised(n, 6);
        ModelState& s = m.state;
        FillLiquidLine(m, n, 1515);
        s.SysAlfa[1] = s.SysBeta[1] = 12345;
        double lamSurf = 0;
        SweepBuild(m, n, lamSurf, s.Hx, s.Hy, 0.5, 0);
        EXPECT_EQ(lamSurf, 26);
        EXPECT_EQ(s.SysF[1], 1515) << "no surface loss with a zero coefficient";
        EXPECT_EQ(s.SysA[1], 0);
        EXPECT_EQ(s.SysC[n], 0);
        EXPECT_EQ(s.SysAlfa[1], 12345) << "index 1 of the elimination is never written";
        EXPECT_DOUBLE_EQ(s.SysA[2], -26 * 0.5 / (840 * s.RoLiq * s.Hx * s.Hx));
        const auto u = Solve(m, n);
        for (int k = 1; k <= n; ++k)
            EXPECT_NEAR(u[k], 1515, 1e-9) << "n " << n << " k " << k;
    }
}

TEST(ConductionLine, SurfaceLossAndPhaseProperties) {
    Model m = Initialised();
    ModelState& s = m.state;
    FillLiquidLine(m, 10, 1515);
    s.LineTem[1] = 1000; // below the solidus of carbon-free solid: solid properties
    s.Tenv = 50;
    double lamSurf = 0;
    SweepBuild(m, 10, lamSurf, s.Hx, s.Hy, 0.5, 500);
    const double c1 = 0.192 * 1000 + 487.955;
    EXPECT_DOUBLE_EQ(lamSurf, Lam(m.data, 0, 1000));
    EXPECT_NEAR(s.SysF[1], 1000 - 950 * 500 * s.Hy * 0.5 / (c1 * 7800 * s.SCell), 1e-9);
    const auto u = Solve(m, 10);
    EXPECT_LT(s.SysF[1], 1000);
    EXPECT_LT(u[1], u[2]) << "the surface is the coldest node";
    for (int k = 2; k <= 10; ++k)
        EXPECT_LE(u[k], 1515 + 1e-9);
}

TEST(ConductionLine, PoolTransferCoefficientIsFiniteAndPositive) {
    Model m = Initialised();
    const double h = PoolTransferCoefficient(m, 0.05, 1500, 1500);
    EXPECT_GT(h, 0);
    m.state.Tau = 2; // z = 0.05 m: below the mould's flow term
    m.state.SweepX = 0;
    EXPECT_GT(PoolTransferCoefficient(m, 0.05, 1500, 1510), 0);
}

TEST(DiffusionLine, NodesAtOrBelowTheirMeanSolidusAreCutOff) {
    Model m = Initialised();
    ModelState& s = m.state;
    for (int k = 1; k <= 10; ++k) {
        s.LineTem[k] = 1400; // below the mean solidus
        s.LineCMean[k] = 0.2;
        s.LineSMean[k] = 0.04;
        s.LineSLiq[k] = 0.01 * k;
    }
    DiffusionSweepS(m, 10, s.Hx);
    for (int k = 1; k <= 10; ++k) {
        EXPECT_EQ(s.SysA[k], 0);
        EXPECT_EQ(s.SysB[k], 1);
    }
    auto u = Solve(m, 10);
    for (int k = 1; k <= 10; ++k)
        EXPECT_DOUBLE_EQ(u[k], 0.01 * k);

    // A hot node links to a cold neighbour with its own coefficient; the cold row stays unlinked.
    s.LineTem[5] = 1500;
    DiffusionSweepC(m, 10, s.Hx);
    EXPECT_DOUBLE_EQ(s.SysA[5], -kDiffusionC * 0.5 / (s.Hx * s.Hx));
    EXPECT_EQ(s.SysA[4], 0);
    EXPECT_EQ(s.SysA[6], 0);
}

TEST(DiffusionLine, ZeroGradientLineIsUnchanged) {
    Model m = Initialised(4, 4);
    ModelState& s = m.state;
    for (int k = 1; k <= 4; ++k) {
        s.LineTem[k] = 1500;
        s.LineCMean[k] = 0.2;
        s.LineSMean[k] = 0.04;
        s.LineSLiq[k] = 0.04;
    }
    DiffusionSweepS(m, 4, s.Hx);
    const auto u = Solve(m, 4);
    for (int k = 1; k <= 4; ++k)
        EXPECT_NEAR(u[k], 0.04, 1e-15);
}
