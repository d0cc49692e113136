#include "run/HeadlessRun.h"
#include "model/RunInit.h"
#include "model/SteelProperties.h"
#include "model/TimeStep.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using namespace korvel;

namespace {
Model Initialised(int L = 10, int M = 10) {
    Model m;
    AcceptDataWindow(DataWindowStartValues(), m.data);
    m.params.L = L;
    m.params.M = M;
    SizeState(m);
    InitialiseRun(m);
    return m;
}
double TotalSolid(const Model& m) {
    double sum = 0;
    for (int i = 1; i <= m.params.L; ++i)
        for (int j = 1; j <= m.params.M; ++j)
            sum += m.state.MSol[i][j];
    return sum;
}
bool AllFinite(const Model& m) {
    for (const NodeField* f : {&m.state.Tem, &m.state.MSol, &m.state.CLiq, &m.state.SLiq, &m.state.CSol,
                               &m.state.SSol, &m.state.CMean, &m.state.SMean, &m.state.FlowU, &m.state.FlowV})
        for (double v : f->Data())
            if (!std::isfinite(v)) return false;
    return true;
}
} // namespace

TEST(TimeStep, FirstStepKeepsTheFieldUniformUntilTheMouldRule) {
    Model m = Initialised();
    TimeStep(m);
    const ModelState& s = m.state;
    EXPECT_EQ(s.Tau, 0.5);
    // No surface loss in the first step: the interior is still at the pouring temperature.
    for (int i = 2; i <= 10; ++i)
        for (int j = 2; j <= 10; ++j)
            EXPECT_NEAR(s.Tem[i][j], 1515, 1e-9) << i << "," << j;
    // Only the mould rule at the end of the step lowers the surface rows.
    const double z = 1.5 / 60 * 0.5;
    const double drawn = 1100 + std::exp(std::log(415.0) * (0.8 - z) / 0.8);
    EXPECT_DOUBLE_EQ(s.Tem[1][5], drawn);
    EXPECT_DOUBLE_EQ(s.Tem[5][1], drawn);
    EXPECT_GT(s.AlfaX[5], 0);
    EXPECT_EQ(TotalSolid(m), 0);
}

TEST(TimeStep, DepthVanishesOnceTheCentreIsMoreThanAFifthSolid) {
    Model m = Initialised();
    m.state.Tau = 200;
    m.state.MSol[10][10] = 0.21 * kRoSolid * m.state.SCell;
    m.state.MSolOld[10][10] = m.state.MSol[10][10];
    TimeStep(m);
    EXPECT_EQ(m.state.HDepth, 0);
    EXPECT_EQ(m.state.PFerro, 0);
    Model n = Initialised();
    n.state.Tau = 40; // z = 1 m
    TimeStep(n);
    EXPECT_NEAR(n.state.HDepth, 14 * std::sin(0.9998991284675515 * 1.0 / 14), 1e-12);
    Model far = Initialised();
    far.data.Rkorvel = 0.5;
    far.state.Tau = 40; // 57.29 · 1 / 0.5 degrees is past 90
    TimeStep(far);
    EXPECT_EQ(far.state.HDepth, 0.5);
}

TEST(TimeStep, MassBalanceCorrectsOnlyLiquidNodesAboveTheirLiquidus) {
    Model m = Initialised(4, 4);
    ModelState& s = m.state;
    const NodeField untouched = s.SLiq;
    BalanceSolute(m, s.SMean, s.SLiq, m.data.S);
    EXPECT_EQ(s.SLiq.Data(), untouched.Data()) << "exact totals change nothing";

    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j)
            s.Tem[i][j] = 1400; // below every liquidus
    s.SMean[2][2] = 0.024;      // the section lacks 0.016 % of sulphur
    s.Tem[3][3] = 1530;         // hot and liquid: corrected
    s.Tem[3][2] = 1530;
    s.MSol[3][2] = 1e-9; // hot but holding solid: not corrected
    BalanceSolute(m, s.SMean, s.SLiq, m.data.S);
    for (int i = 1; i <= 4; ++i) {
        for (int j = 1; j <= 4; ++j) {
            const double expected = (i == 3 && j == 3) ? 0.04 + 0.016 / 16 : 0.04;
            EXPECT_NEAR(s.SLiq[i][j], expected, 1e-15) << i << "," << j;
        }
    }
}

TEST(TimeStep, GridsWithUnequalSidesStayInsideTheirArrays) {
    for (auto [L, M] : {std::pair{20, 6}, std::pair{6, 20}, std::pair{4, 100}}) {
        Model m;
        AcceptDataWindow(DataWindowStartValues(), m.data);
        m.params.L = L;
        m.params.M = M;
        m.data.TauEnd = 300;
        const RunOutcome out = RunHeadless(m, [](const Model&, bool) {});
        EXPECT_EQ(out.end, RunEnd::Finished);
        EXPECT_EQ(out.steps, 600);
        EXPECT_TRUE(AllFinite(m)) << L << " x " << M;
        EXPECT_GT(TotalSolid(m), 0);
    }
}

TEST(WholeRun, DefaultRunEndsAt600sWith121HandOvers) {
    Model m;
    AcceptDataWindow(DataWindowStartValues(), m.data);
    std::vector<double> taus;
    std::vector<double> centre;
    std::vector<double> solid;
    int starts = 0;
    const RunOutcome out = RunHeadless(m, [&](const Model& s, bool first) {
        if (first) {
            ++starts;
            return;
        }
        taus.push_back(s.state.Tau);
        centre.push_back(s.state.Tem[10][10]);
        solid.push_back(TotalSolid(s));
    });
    EXPECT_EQ(out.steps, 1200);
    EXPECT_EQ(m.state.Tau, 600);
    EXPECT_EQ(starts, 1);
    ASSERT_EQ(taus.size(), 121u);
    EXPECT_EQ(taus[0], 5);
    EXPECT_EQ(taus[119], 600);
    EXPECT_EQ(taus[120], 600);
    EXPECT_TRUE(AllFinite(m));
    // The section freezes and its centre cools.
    EXPECT_GT(solid.back(), solid[10]);
    EXPECT_GT(solid[60], solid[10]);
    EXPECT_LT(centre.back(), centre.front());
    EXPECT_LT(centre.back(), Tsol(m.data, m.data.C, m.data.S));
    // The surface has frozen (by temperature: a surface node keeps only a trace of solid mass).
    EXPECT_LT(m.state.Tem[1][1], 1000);
}

TEST(WholeRun, FastFerrostaticPressureIsBitwiseTheStraightforwardOne) {
    auto run = [](bool reference) {
        Model m;
        AcceptDataWindow(DataWindowStartValues(), m.data);
        m.params.L = 12;
        m.params.M = 8;
        m.ReferenceFerroPressure = reference;
        RunHeadless(m, [](const Model&, bool) {});
        return m;
    };
    const Model fast = run(false);
    const Model slow = run(true);
    for (auto field : {&ModelState::Tem, &ModelState::MSol, &ModelState::CLiq, &ModelState::SLiq,
                       &ModelState::CMean, &ModelState::SMean, &ModelState::FlowU, &ModelState::FlowV,
                       &ModelState::ArmSpacing1, &ModelState::ArmSpacing2}) {
        const auto& a = (fast.state.*field).Data();
        const auto& b = (slow.state.*field).Data();
        ASSERT_EQ(a.size(), b.size());
        EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(double)), 0);
    }
    EXPECT_EQ(fast.state.PFerro, slow.state.PFerro);
    EXPECT_EQ(fast.state.FlowDrive, slow.state.FlowDrive);
}

TEST(HeadlessRun, DurationAtOrBelowZeroRunsNoStep) {
    for (double tauEnd : {0.0, -5.0}) {
        Model m;
        m.data.TauEnd = tauEnd;
        int shows = 0;
        const RunOutcome out = RunHeadless(m, [&](const Model&, bool) { ++shows; });
        EXPECT_EQ(out.steps, 0);
        EXPECT_EQ(shows, 2) << "the start and the final hand-over";
    }
}

TEST(HeadlessRun, HandOversForARunThatIsNotAMultipleOfTen) {
    Model m;
    m.data.TauEnd = 23 * 0.5;
    int shows = 0;
    const RunOutcome out = RunHeadless(m, [&](const Model&, bool) { ++shows; });
    EXPECT_EQ(out.steps, 23);
    EXPECT_EQ(shows, 1 + 2 + 1);
}

TEST(HeadlessRun, InputThatWouldMakeTheFormulasUndefinedIsRefused) {
    const CastingData ok;
    const ModelParams p;
    EXPECT_EQ(CheckRunInput(ok, p), "");
    CastingData d = ok;
    d.HalfX = 0;
    EXPECT_NE(CheckRunInput(d, p).find("X"), std::string::npos);
    d = ok;
    d.Vlit = -1;
    EXPECT_NE(CheckRunInput(d, p).find("Скорость разливки"), std::string::npos);
    d = ok;
    d.T0 = NAN;
    EXPECT_NE(CheckRunInput(d, p).find("Температура разливки"), std::string::npos);
    ModelParams q = p;
    q.Dt = 0;
    EXPECT_NE(CheckRunInput(ok, q).find("Шаг расчета"), std::string::npos);
    q = p;
    q.M = 101;
    EXPECT_NE(CheckRunInput(ok, q).find("оси Y"), std::string::npos);
}
