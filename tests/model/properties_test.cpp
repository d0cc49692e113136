#include "model/RunInit.h"
#include "model/SteelProperties.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace {
Model SizedDefault() {
    Model m;
    SizeState(m);
    return m;
}
} // namespace

TEST(SteelProperties, DefaultSteelLiquidusAndSolidus) {
    const CastingData d;
    EXPECT_NEAR(Tliq(d, d.C, d.S), 1510.465, 1e-9);
    EXPECT_NEAR(Tsol(d, d.C, d.S), 1433.5735, 1e-9);
    EXPECT_NEAR(Lat(d, d.C), 278409.30, 0.005);
}

TEST(SteelProperties, ConductivityAndHeatSwitchStrictlyAbove) {
    const CastingData d;
    // At the switch temperature the polynomial applies, just above it the liquid constant.
    const double lam1200 =
        45.79 - 0.0555 * 1200 - 6.323 * 0.2 + 75.586 * 0.5 + 0.000024 * 1200 * 1200 - 83 * 0.25;
    EXPECT_NEAR(Lam(d, 0.2, 1200), lam1200, 1e-9);
    EXPECT_EQ(Lam(d, 0.2, 1200.0000001), 26);
    EXPECT_NEAR(Cps(0.2, 1300), 0.192 * 1300 + 487.955 - 103 * 0.2 + 130 * 0.04, 1e-9);
    EXPECT_EQ(Cps(0.2, 1300.0000001), 840);
}

TEST(SteelProperties, MixtureDensityBetweenLiquidAndSolid) {
    Model m = SizedDefault();
    EXPECT_DOUBLE_EQ(Ro(m, 1, 1), m.state.RoLiq);
    m.state.MSol[1][1] = kRoSolid * m.state.SCell;
    EXPECT_DOUBLE_EQ(Ro(m, 1, 1), 7800);
}

TEST(ModelState, SizingDerivesGeometryAndZeroesEveryArray) {
    Model m;
    m.params.L = 20;
    m.params.M = 6;
    SizeState(m);
    const ModelState& s = m.state;
    EXPECT_DOUBLE_EQ(s.Hx, 0.08 / 20);
    EXPECT_DOUBLE_EQ(s.Hy, 0.08 / 6);
    EXPECT_DOUBLE_EQ(s.SCell, s.Hx * s.Hy);
    EXPECT_DOUBLE_EQ(s.DEkv, 8 * 0.08 * 0.08 / 0.16);
    EXPECT_DOUBLE_EQ(s.RoLiq, 6980 + 0.0008 * 85);
    EXPECT_EQ(s.Tem.Rows(), 21);
    EXPECT_EQ(s.Tem.Cols(), 7);
    EXPECT_EQ(s.SysA.size(), 21u);
    for (double v : s.Tem.Data())
        EXPECT_EQ(v, 0);
}

TEST(RunInitialisation, UniformLiquidWithNominalTotals) {
    Model m = SizedDefault();
    m.state.Tem[3][4] = 999; // left over from an earlier run
    m.state.MSol[3][4] = 1;
    InitialiseRun(m);
    double sumS = 0, sumC = 0;
    for (int i = 1; i <= m.params.L; ++i) {
        for (int j = 1; j <= m.params.M; ++j) {
            EXPECT_EQ(m.state.Tem[i][j], 1515);
            EXPECT_EQ(m.state.MSol[i][j], 0);
            EXPECT_EQ(m.state.ArmSpacing1[i][j], m.state.Hx);
            sumS += m.state.SMean[i][j];
            sumC += m.state.CMean[i][j];
        }
    }
    EXPECT_NEAR(sumS, 100 * 0.04, 1e-12);
    EXPECT_NEAR(sumC, 100 * 0.2, 1e-12);
    // Row and column 0 stay 0.
    for (int j = 0; j <= m.params.M; ++j)
        EXPECT_EQ(m.state.Tem[0][j], 0);
    for (int i = 0; i <= m.params.L; ++i)
        EXPECT_EQ(m.state.Tem[i][0], 0);
}

TEST(DataWindow, StartValuesAcceptToTheModelsUnits) {
    CastingData d;
    AcceptDataWindow(DataWindowStartValues(), d);
    EXPECT_DOUBLE_EQ(d.HalfX, 0.08);
    EXPECT_DOUBLE_EQ(d.HalfY, 0.08);
    EXPECT_DOUBLE_EQ(d.TauEnd, 600);
    EXPECT_NEAR(d.Lend1, 1.2, 1e-12);
    EXPECT_NEAR(d.Lend2, 2.15, 1e-12);
    EXPECT_NEAR(d.Lend3, 3.97, 1e-12);
    EXPECT_NEAR(d.Lend4, 7.08, 1e-12);
    EXPECT_NEAR(d.Lend4, d.Lkrist + d.Lzvo, 1e-12);
    EXPECT_EQ(d.Cr, 0.35);
    EXPECT_EQ(d.H2, 0.002);
}

TEST(DataWindow, RestoreOfBuiltinDefaultsAndRoundTrip) {
    const DataWindowValues w = RestoreDataWindow(CastingData{});
    EXPECT_EQ(w.Cr, 0.25);
    EXPECT_EQ(w.Q1, 2.2);
    EXPECT_EQ(w.Q2, 2.97);
    EXPECT_EQ(w.Q4, 1.43);
    EXPECT_NEAR(w.l1, 0.6, 1e-12);
    EXPECT_NEAR(w.l2, 0.95, 1e-12);
    EXPECT_NEAR(w.l3, 1.82, 1e-12);
    EXPECT_NEAR(w.l4, 3.11, 1e-12);
    EXPECT_EQ(w.DlomX, 160);
    EXPECT_EQ(w.Vp, 10);

    CastingData d;
    const DataWindowValues start = DataWindowStartValues();
    AcceptDataWindow(start, d);
    const DataWindowValues back = RestoreDataWindow(d);
    const double* a = &start.DlomX;
    const double* b = &back.DlomX;
    for (std::size_t k = 0; k < sizeof(DataWindowValues) / sizeof(double); ++k)
        EXPECT_NEAR(a[k], b[k], 1e-12) << "field " << k;
}
