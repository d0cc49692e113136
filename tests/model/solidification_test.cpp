#include "TestModels.h"
#include "model/RunInit.h"
#include "model/SteelProperties.h"
#include "model/segregation/CellSolidification.h"
#include "model/segregation/SoluteRedistribution.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace korvel;

namespace {
using test_models::Initialised;
} // namespace

TEST(Redistribution, PartitionSwitchVelocitiesAndEffectiveCoefficients) {
    const double kS = 0.175 * std::exp(0.515 * std::log(0.04)) + 0.0767;
    EXPECT_NEAR(kS, 0.11005, 5e-6);
    EXPECT_NEAR(SwitchVelocity(kS, kDeltaDS), 4.0970e-05, 5e-9);
    EXPECT_NEAR(EffectivePartition(kS, 1e-5, kDeltaDS), 0.5264, 5e-5);
    const double kC = 0.042 * 0.2 + 0.24;
    EXPECT_NEAR(kC, 0.2484, 1e-12);
    EXPECT_NEAR(SwitchVelocity(kC, kDeltaDC), 6.1646e-05, 5e-9);
    EXPECT_NEAR(EffectivePartition(kC, 1e-5, kDeltaDC), 0.5481, 5e-5);
    EXPECT_EQ(EffectivePartition(kC, 7e-5, kDeltaDC), 1);
    EXPECT_DOUBLE_EQ(EffectivePartition(kC, 0, kDeltaDC), kC);
    // Outside (0, 1) the coefficient is clamped and no logarithm is taken.
    EXPECT_EQ(EffectivePartition(1.7, 1e-5, kDeltaDC), 1);
    EXPECT_EQ(EffectivePartition(-0.2, 1e-5, kDeltaDC), 0);
    EXPECT_EQ(EffectivePartition(0, 1e-5, kDeltaDC), 0);
}

TEST(Redistribution, NoGrowthKeepsTheSolidAndRebalancesTheLiquid) {
    Model m = Initialised();
    ModelState& s = m.state;
    s.MSol[2][2] = s.MSolOld[2][2] = 0.1 * kRoSolid * s.SCell;
    double cs = 0.1, cl = 0.3;
    const double cm = 0.2;
    RedistributeSolute(m, 2, 2, cs, cm, cl, 0.2484, kDeltaDC);
    EXPECT_DOUBLE_EQ(cs, 0.1);
    const double ro = Ro(m, 2, 2);
    const double q = 0.1 * s.MSolOld[2][2];
    EXPECT_DOUBLE_EQ(cl, (ro * cm * s.SCell - q) / (ro * s.SCell - s.MSol[2][2]));
}

TEST(Redistribution, FirstSolidAboveTheLimitAndFullCells) {
    Model m = Initialised();
    ModelState& s = m.state;
    s.KDistS = 0.11;
    s.MSol[1][1] = 0.01 * kRoSolid * s.SCell;
    double cs = 0, cl = 0.2; // sulphur at or above its 0.18 % limit
    RedistributeSolute(m, 1, 1, cs, 0.2, cl, 0.11, kDeltaDS);
    EXPECT_DOUBLE_EQ(cs, 0.2) << "the new solid takes the liquid's full concentration";
    // A cell that reaches full solid keeps its concentrations.
    s.MSol[1][1] = kRoSolid * s.SCell;
    cs = 0.05;
    cl = 0.07;
    RedistributeSolute(m, 1, 1, cs, 0.06, cl, 0.11, kDeltaDS);
    EXPECT_EQ(cs, 0.05);
    EXPECT_EQ(cl, 0.07);
    // A carbon call whose coefficient does not exceed KDistS uses the 0.18 limit.
    s.KDistS = 0.3;
    s.MSol[1][1] = 0.01 * kRoSolid * s.SCell;
    cs = 0;
    cl = 0.2;
    RedistributeSolute(m, 1, 1, cs, 0.2, cl, 0.2484, kDeltaDC);
    EXPECT_DOUBLE_EQ(cs, 0.2);
}

TEST(Solidification, WorkedLiquidNodeCooledFrom1510To1505) {
    Model m = Initialised();
    ModelState& s = m.state;
    ASSERT_DOUBLE_EQ(s.SCell, 6.4e-05);
    s.TemOld[3][3] = 1510;
    s.Tem[3][3] = 1505;
    EXPECT_NEAR(FrozenMass(m, 3, 3), 6.112686e-03, 5e-10);
    SolidifyCell(m, 3, 3);
    EXPECT_NEAR(s.MSol[3][3], 6.112686e-03, 5e-10);
    EXPECT_NEAR(m.Fs(3, 3), 0.012245, 5e-7);
    EXPECT_NEAR(s.KDistC, 0.2484, 1e-12);
    EXPECT_NEAR(s.KDistS, 0.11005, 5e-6);
    // Growth 1.95919e-04 m/s is above both switch velocities: the solid takes the liquid's contents.
    const double v = s.MSol[3][3] / (s.SCell * 0.5 * kRoSolid) * (s.Hx + s.Hy) / 2;
    EXPECT_NEAR(v, 1.95919e-04, 5e-10);
    EXPECT_DOUBLE_EQ(s.CSol[3][3], 0.2);
    EXPECT_DOUBLE_EQ(s.SSol[3][3], 0.04);
    EXPECT_NEAR(s.CLiq[3][3], 0.2, 1e-12);
    EXPECT_NEAR(s.SLiq[3][3], 0.04, 1e-12);
    EXPECT_NEAR(s.Tem[3][3], 1509.5235, 5e-5);
}

TEST(Solidification, GateLeavesNodesOutsideTheFreezingRangeAlone) {
    Model m = Initialised();
    ModelState& s = m.state;
    const CastingData& d = m.data;
    const double tl = Tliq(d, 0.2, 0.04), ts = Tsol(d, 0.2, 0.04);
    for (double t : {tl + 0.01, ts, ts - 5}) {
        s.Tem[2][2] = t;
        s.TemOld[2][2] = t + 3;
        s.MSolOld[2][2] = 0.123;
        SolidifyCell(m, 2, 2);
        EXPECT_EQ(s.Tem[2][2], t);
        EXPECT_EQ(s.MSol[2][2], 0);
        EXPECT_EQ(s.MSolOld[2][2], 0.123);
    }
    // Colder than the solidus of the mean composition, though inside the liquid's range.
    s.Tem[2][2] = 1450;
    s.CMean[2][2] = 0.05; // raises the mean solidus above 1450
    SolidifyCell(m, 2, 2);
    EXPECT_EQ(s.Tem[2][2], 1450);
    EXPECT_EQ(s.MSolOld[2][2], 0.123);
}

TEST(Solidification, UnchangedTemperatureTakesTheCoolingBranch) {
    Model m = Initialised();
    ModelState& s = m.state;
    s.Tem[4][4] = s.TemOld[4][4] = 1500;
    EXPECT_EQ(FrozenMass(m, 4, 4), 0);
    SolidifyCell(m, 4, 4);
    EXPECT_EQ(s.MSol[4][4], 0);
    EXPECT_NEAR(s.Tem[4][4], Tliq(m.data, 0.2, 0.04), 1e-9) << "reset to the cell temperature of a liquid";
}

TEST(Solidification, OvershootClampsToFullSolidAndCoolsTheCell) {
    Model m = Initialised();
    ModelState& s = m.state;
    const double full = kRoSolid * s.SCell;
    s.MSol[5][5] = 0.99 * full;
    s.CSol[5][5] = 0.2;
    s.SSol[5][5] = 0.04;
    s.TemOld[5][5] = 1500;
    s.Tem[5][5] = 1460;
    const double gained = FrozenMass(m, 5, 5);
    ASSERT_GT(s.MSol[5][5] + gained, full);
    SolidifyCell(m, 5, 5);
    EXPECT_EQ(s.MSol[5][5], full);
    const double fs = (0.99 * full + gained) / full;
    EXPECT_LT(s.Tem[5][5], 1460 * 1.0);
    EXPECT_GT(2 - fs, 0);
}

TEST(Solidification, ReheatedNodeMeltsBackToLiquid) {
    Model m = Initialised();
    ModelState& s = m.state;
    s.MSol[6][6] = 1e-6;
    s.TemOld[6][6] = 1440;
    s.Tem[6][6] = 1500;
    // With no solid composition yet the melted mass uses carbon- and sulphur-free steel.
    const double fs = 1e-6 / (kRoSolid * s.SCell);
    const double cs = Cps(0, 1470);
    const double cmix = cs * fs + 840 * (1 - fs);
    const double den = std::fabs(840 * Tliq(m.data, 0, 0) - cs * Tsol(m.data, 0, 0)) + Lat(m.data, 0);
    EXPECT_NEAR(MeltedMass(m, 6, 6), 60 * cmix / den * kRoSolid * s.SCell, 1e-15);
    ASSERT_GT(MeltedMass(m, 6, 6), 1e-6);
    SolidifyCell(m, 6, 6);
    EXPECT_EQ(s.MSol[6][6], 0);
    EXPECT_EQ(s.MSolOld[6][6], 0);
}
