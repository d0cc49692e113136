#include "TestModels.h"
#include "model/RunInit.h"
#include "model/SteelProperties.h"
#include "model/segregation/FlowField.h"
#include "model/segregation/SoluteTransport.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace korvel;

namespace {
using test_models::Initialised;
void SetFs(Model& m, int i, int j, double fs) {
    m.state.MSol[i][j] = fs * kRoSolid * m.state.SCell;
}

// A mushy node inside the flow field's gate: half solid, inside the mean freezing range, cooling.
void MakeMushy(Model& m, int i, int j, double rate = 1) {
    SetFs(m, i, j, 0.5);
    m.state.Tem[i][j] = 1480;
    m.state.TemOld[i][j] = 1480 + rate * m.params.Dt;
}
} // namespace

TEST(FlowField, ArmSpacingsAtOneAndTenKelvinPerSecond) {
    for (auto [rate, a, b] : {std::tuple{1.0, 8.5e-6, 1.241e-5}, std::tuple{10.0, 2.9068e-06, 6.3646e-06}}) {
        Model m = Initialised();
        MakeMushy(m, 3, 4, rate);
        FlowField(m, 1);
        EXPECT_NEAR(m.state.ArmSpacing2[3][4], a, 5e-10) << "rate " << rate;
        EXPECT_NEAR(m.state.ArmSpacing1[3][4], b, 5e-10) << "rate " << rate;
        EXPECT_EQ(m.state.ArmSpacing2[3][5], m.state.Hx) << "a node outside the gate keeps its spacing";
    }
}

TEST(FlowField, GateCentreAndSymmetryPlanesCarryNoFlow) {
    Model m = Initialised();
    for (int i = 1; i <= 10; ++i)
        for (int j = 1; j <= 10; ++j)
            MakeMushy(m, i, j);
    m.state.Tem[2][7] = m.state.TemOld[2][7]; // no temperature change
    SetFs(m, 3, 7, 0.1);                      // too liquid
    SetFs(m, 4, 7, 0.85);                     // coherent
    m.state.SLiq[5][7] = 0.18;                // sulphur at its limit
    FlowField(m, 1);
    const ModelState& s = m.state;
    EXPECT_EQ(s.FlowU[10][10], 0);
    EXPECT_EQ(s.FlowV[10][10], 0);
    for (int j = 1; j <= 10; ++j)
        EXPECT_EQ(s.FlowU[10][j], 0) << "row L, j " << j;
    for (int i = 1; i <= 10; ++i)
        EXPECT_EQ(s.FlowV[i][10], 0) << "column M, i " << i;
    for (int i : {2, 3, 4, 5}) {
        EXPECT_EQ(s.FlowU[i][7], 0) << i;
        EXPECT_EQ(s.FlowV[i][7], 0) << i;
    }
    EXPECT_NE(s.FlowU[6][7], 0);
    EXPECT_NE(s.FlowV[6][7], 0);
    // The same liquid sulphur does not stop the carbon flow: its limit is on carbon.
    FlowField(m, 2);
    EXPECT_NE(s.FlowU[5][7], 0);
}

TEST(FlowField, ShortMushyZoneCountsAsOneSpacing) {
    // A single mushy node with liquid towards the centre and solid towards the surface.
    Model m = Initialised();
    MakeMushy(m, 5, 5);
    for (int q = 1; q <= 4; ++q)
        SetFs(m, q, q, 0.9);
    FlowField(m, 1);
    const ModelState& s = m.state;
    // p1 = (4, 4), p2 = (6, 6): d = 2·√2·Hx and φ = 45°, so dX = dY = 2·Hx.
    const double k3 = s.AreaK1 * s.AreaK1 * s.AreaK1;
    const double expectedU =
        std::cos(std::atan(1.0)) * s.FlowDrive / (std::cos(std::atan(1.0)) * std::sqrt(8.0) * s.Hx) / k3;
    EXPECT_NEAR(s.FlowU[5][5], expectedU, std::fabs(expectedU) * 1e-12);
    // Alone in a liquid section the extent shrinks to one spacing.
    Model n = Initialised();
    MakeMushy(n, 10, 5);
    FlowField(n, 1);
    const double k3n = n.state.AreaK2 * n.state.AreaK2 * n.state.AreaK2;
    // i = L: dY = (p2.j - p1.j) · Hy with p1 = (L, 1) and p2 = (L, 6), raised to at least Hy.
    EXPECT_NEAR(n.state.FlowV[10][5], n.state.FlowDrive / (5 * n.state.Hy) / k3n, 1e-20);
}

TEST(FlowField, SolidNeighbourOnTheSurfaceSideBlocksOutflow) {
    Model m = Initialised();
    MakeMushy(m, 5, 5);
    SetFs(m, 4, 5, 0.9);
    SetFs(m, 5, 4, 0.9);
    m.data.H2 = 0;
    // Drive the flow outwards: a ferrostatic pressure far above the capillary pressure.
    m.state.HDepth = 1e6;
    SetFs(m, 10, 10, 0.5);
    FlowField(m, 1);
    ASSERT_LT(m.state.FlowDrive, 0);
    EXPECT_EQ(m.state.FlowU[5][5], 0);
    EXPECT_EQ(m.state.FlowV[5][5], 0);
    // Without the solid neighbours the same node flows outwards.
    SetFs(m, 4, 5, 0.5);
    SetFs(m, 5, 4, 0.5);
    MakeMushy(m, 4, 5);
    MakeMushy(m, 5, 4);
    FlowField(m, 1);
    EXPECT_LT(m.state.FlowU[5][5], 0);
}

TEST(FlowField, GasPoreTest) {
    Model m = Initialised();
    MakeMushy(m, 3, 3);
    m.data.H2 = 0;
    m.state.FlowDrive = 1;
    GasPoreTest(m, 3, 3);
    EXPECT_EQ(m.state.FlowDrive, 1) << "without hydrogen no pore opens";
    m.data.H2 = 1;
    GasPoreTest(m, 3, 3);
    EXPECT_EQ(m.state.FlowDrive, 0);
    FlowField(m, 1);
    EXPECT_EQ(m.state.FlowU[3][3], 0);
    EXPECT_EQ(m.state.FlowV[3][3], 0);
}

TEST(FlowField, FerroPressureBranches) {
    Model m = Initialised();
    m.state.HDepth = 2;
    FerroPressure(m);
    EXPECT_DOUBLE_EQ(m.state.PFerro, std::sin(M_PI * 2 / 14 / 180) * 1 * m.state.RoLiq * 2 * 9.81);
    m.params.SideFlag = -1;
    FerroPressure(m);
    EXPECT_LT(m.state.PFerro, 0);
    SetFs(m, 10, 10, 0.1);
    SetFs(m, 1, 1, 0.3);
    FerroPressure(m);
    const double mean = (0.1 + 0.3) / 100;
    EXPECT_NEAR(m.state.PFerro, 9.81 * 2 * 7800 / mean, 1e-6);
}

TEST(Transport, ZeroFlowAndSurfaceNodesStayUnchanged) {
    Model m = Initialised();
    for (int i = 1; i <= 10; ++i)
        for (int j = 1; j <= 10; ++j)
            m.state.CLiq[i][j] = 0.2 + 0.001 * i * j;
    TransportC(m);
    for (int i = 1; i <= 10; ++i)
        for (int j = 1; j <= 10; ++j)
            EXPECT_EQ(m.state.CLiqNew[i][j], m.state.CLiq[i][j]);

    // With flow everywhere, the surface row and column still keep their concentrations.
    for (int i = 1; i <= 10; ++i)
        for (int j = 1; j <= 10; ++j)
            MakeMushy(m, i, j);
    TransportS(m);
    for (int k = 1; k <= 10; ++k) {
        EXPECT_EQ(m.state.SLiqNew[1][k], m.state.SLiq[1][k]);
        EXPECT_EQ(m.state.SLiqNew[k][1], m.state.SLiq[k][1]);
    }
}

TEST(Transport, CoherentAndColdNodesAreNotUpdated) {
    Model m = Initialised();
    for (int i = 1; i <= 10; ++i)
        for (int j = 1; j <= 10; ++j) {
            MakeMushy(m, i, j);
            m.state.SLiq[i][j] = 0.03 + 0.001 * i;
            m.state.CLiq[i][j] = 0.2 + 0.01 * j;
        }
    SetFs(m, 5, 5, 0.85);
    m.state.Tem[6][6] = Tsol(m.data, 0.2, 0.04); // at the mean solidus: no carbon transport
    TransportC(m);
    TransportS(m);
    EXPECT_EQ(m.state.SLiqNew[5][5], m.state.SLiq[5][5]);
    EXPECT_EQ(m.state.CLiqNew[5][5], m.state.CLiq[5][5]);
    EXPECT_EQ(m.state.CLiqNew[6][6], m.state.CLiq[6][6]);
    EXPECT_NE(m.state.SLiqNew[6][6], m.state.SLiq[6][6]) << "sulphur has no temperature condition";
    for (int i = 1; i <= 10; ++i)
        for (int j = 1; j <= 10; ++j)
            EXPECT_GE(m.state.SLiqNew[i][j], 0);
}
