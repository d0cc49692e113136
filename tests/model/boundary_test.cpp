#include "TestModels.h"
#include "model/BoundaryConditions.h"
#include "model/RunInit.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace korvel;

namespace {
using test_models::Initialised;
// Puts the slice at distance z from the meniscus.
void At(Model& m, double z) {
    m.state.Tau = z * 60 / m.data.Vlit;
}
} // namespace

TEST(SurfaceBoundary, SpraySectionOneCoefficients) {
    Model m = Initialised();
    At(m, 1.0);
    SurfaceCoefficientsAtStepEnd(m);
    EXPECT_NEAR(m.state.AlfaSec, 664.44, 1e-9);
    EXPECT_NEAR(m.state.AlfaX[1], std::sqrt(0.1) * 664.44 / 2, 1e-9);
    EXPECT_NEAR(m.state.AlfaX[10], 664.44, 1e-9);
    EXPECT_NEAR(m.state.AlfaY[1], std::sqrt(0.1) * 664.44 / 2, 1e-9);
    EXPECT_NEAR(m.state.AlfaY[10], 664.44, 1e-9);
    EXPECT_EQ(m.state.KFace, 1.3);
}

TEST(SurfaceBoundary, NoWaterAndNoNozzlesLeaveTheBareCoefficient) {
    EXPECT_DOUBLE_EQ(SprayCoefficient(0, 8), 293.19);
    EXPECT_DOUBLE_EQ(SprayCoefficient(2.2, 0), 293.19);
    Model m = Initialised();
    m.data.Nn3 = 0;
    At(m, 3.0); // section 3
    SurfaceCoefficientsAtStepEnd(m);
    EXPECT_DOUBLE_EQ(m.state.AlfaSec, 293.19);
    EXPECT_TRUE(std::isfinite(m.state.AlfaX[5]));
}

TEST(SurfaceBoundary, SectionEndsBelongToTheSectionBefore) {
    Model m = Initialised();
    m.data.Vlit = 60; // z = Tau
    m.state.Tau = m.data.Lend1;
    ASSERT_EQ(m.Z(), m.data.Lend1);
    SurfaceCoefficientsAtStepEnd(m);
    EXPECT_NEAR(m.state.AlfaSec, 664.44, 1e-9);
    m.state.Tau = std::nextafter(m.data.Lend1, 2.0);
    SurfaceCoefficientsAtStepEnd(m);
    EXPECT_NEAR(m.state.AlfaSec, 1.35 * 2970 / 12 + 293.19, 1e-9);
}

TEST(SurfaceBoundary, MouldExitDrawsTheSurfaceTo1101) {
    Model m = Initialised();
    m.state.Tau = 32; // z = 0.8 = Lkrist exactly
    ASSERT_EQ(m.Z(), m.data.Lkrist);
    for (int j = 1; j <= 10; ++j)
        m.state.LamX[j] = 26;
    for (int i = 1; i <= 10; ++i)
        m.state.LamY[i] = 26;
    SurfaceCoefficientsAtStepEnd(m);
    EXPECT_DOUBLE_EQ(m.state.Tem[1][5], 1101);
    EXPECT_DOUBLE_EQ(m.state.Tem[5][1], 1101);
    // The coefficient follows from the node just drawn: (1515 - 1101) / (1101 - 160) / Hx * 26.
    EXPECT_NEAR(m.state.AlfaX[5], 414.0 / 941.0 / 0.008 * 26, 1e-9);
    // The corner is drawn by the first surface, then its neighbour (2, 1) by the second.
    EXPECT_NEAR(m.state.AlfaX[1], (1515.0 - 1101) / 941 / 0.008 * 26 / 2, 1e-9);
    EXPECT_NEAR(m.state.AlfaY[2], (1515.0 - 1101) / 941 / 0.008 * 26, 1e-9);
    EXPECT_NEAR(m.state.AlfaY[1], (1101.0 - 1101) / 941 / 0.008 * 26 / 2, 1e-9)
        << "(1,2) was drawn before row 1";
}

TEST(SurfaceBoundary, MouldLeavesACoolSurfaceButRecomputesItsCoefficient) {
    Model m = Initialised();
    At(m, 0.4);
    m.state.Tem[1][3] = 1050;
    m.state.Tem[2][3] = 1300;
    m.state.LamX[3] = 30;
    SurfaceCoefficientsAtStepEnd(m);
    EXPECT_EQ(m.state.Tem[1][3], 1050);
    EXPECT_NEAR(m.state.AlfaX[3], 250.0 / 890.0 / 0.008 * 30, 1e-9);
    // Halfway down the mould a hot node is drawn to 1100 + 415^0.5.
    EXPECT_NEAR(m.state.Tem[1][5], 1100 + std::sqrt(415.0), 1e-9);
}

TEST(SurfaceBoundary, BeyondTheZoneUsesTheAmbientOfTheStepStart) {
    Model m = Initialised();
    At(m, 7.0); // inside the secondary-cooling zone (0.8 .. 7.08)
    ZoneScalarsAtStepStart(m);
    EXPECT_EQ(m.state.Tenv, 50);
    EXPECT_EQ(m.state.EpsSurf, 0.5);
    At(m, 7.1); // the step ends beyond it
    for (int j = 1; j <= 10; ++j)
        m.state.Tem[1][j] = 900 + j;
    SurfaceCoefficientsAtStepEnd(m);
    const double T = 905, eps = 1 / (1 / 0.5 + 0.25);
    const double a = T + 273, b = 323;
    const double expected =
        (0.06 * T + 10) * 1.3 + 5.67e-8 * eps * (a * a * a * a - b * b * b * b) / (T - 50);
    EXPECT_NEAR(m.state.AlfaX[5], expected, 1e-9);
    EXPECT_NE(m.state.AlfaX[5], m.state.AlfaX[6]) << "each node follows its own temperature";
    ZoneScalarsAtStepStart(m);
    EXPECT_EQ(m.state.Tenv, 15);
    EXPECT_EQ(m.state.EpsSurf, 0.95);
}

TEST(SurfaceBoundary, LongRadiusFace) {
    Model m = Initialised();
    m.params.SideFlag = -1;
    At(m, 0.3);
    SurfaceCoefficientsAtStepEnd(m);
    EXPECT_EQ(m.state.KFace, 0.7);
}
