// The convergence check: its grids, its error estimate on values of a known order, and on a small case
// the runs equal to the same cases run alone and a criterion that flips between the grids flagged.
#include "results/MachineProfile.h"
#include "run/HeadlessRun.h"
#include "study/ConvergenceCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace korvel;

namespace {

// An 8 x 8 grid (coarse 4 x 4, fine 16 x 16) and one minute of process time: past the mould.
Case SmallCase() {
    Case c;
    c.params.L = c.params.M = 8;
    c.window.Vp = 1;
    return c;
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// One case run alone, as the batch runner runs it: key figures and the verdict on its profile.
struct Alone {
    KeyFigures figures;
    std::vector<CriterionResult> verdict;
};
Alone RunAlone(const Case& c, const QualityLimits& limits) {
    Model m;
    ApplyCase(c, m);
    ResultsTracker tracker;
    MachineProfile profile;
    const RunOutcome out = RunHeadless(
        m, [&](const Model& s, bool) { RecordProfile(profile, s); }, -1, &tracker);
    Alone a;
    a.figures = ComputeKeyFigures(m, tracker.Results(m), out.end == RunEnd::Finished);
    a.verdict = JudgeQuality(a.figures, profile, m.data, limits);
    return a;
}

ConvergenceReport Check(const Case& c, const QualityLimits& limits) {
    ConvergenceCheck check(c, limits, 4);
    return check.Run();
}

} // namespace

TEST(ConvergencePlan, HalfAndDoubleTheNodesWithinTheRange) {
    ModelParams p;
    p.L = 10;
    p.M = 7;
    p.Dt = 0.5;
    ConvergencePlan plan = PlanConvergence(p);
    EXPECT_EQ(plan.params[kRunCoarse].L, 5);
    EXPECT_EQ(plan.params[kRunCoarse].M, 4);
    EXPECT_EQ(plan.params[kRunFine].L, 20);
    EXPECT_EQ(plan.params[kRunFine].M, 14);
    EXPECT_EQ(plan.params[kRunHalfStep].L, 10);
    EXPECT_EQ(plan.params[kRunHalfStep].Dt, 0.25);
    EXPECT_EQ(plan.studyRun, (std::array<int, 4>{0, 1, 2, 3}));
    // At the ends of the range the missing grid is the case's own run, not a second run of it.
    p.L = p.M = 100;
    plan = PlanConvergence(p);
    EXPECT_EQ(plan.params[kRunCoarse].L, 50);
    EXPECT_EQ(plan.studyRun, (std::array<int, 4>{0, 1, 0, 2}));
    p.L = p.M = 4;
    plan = PlanConvergence(p);
    EXPECT_EQ(plan.studyRun, (std::array<int, 4>{0, 0, 1, 2}));
    QualityLimits limits;
    Case c;
    c.params = p;
    EXPECT_EQ(StudyRunCount(ConvergenceStudy(c, limits, plan)), 3u);
}

TEST(ConvergenceEstimate, RichardsonRecoversAKnownOrder) {
    // f(h) = 10 + 3 h^2 with h = 1/n on 5, 10 and 20 nodes per side: order 2, error 3/100 of the middle.
    auto f2 = [](double n) { return 10 + 3 / (n * n); };
    double error = 0, order = 0;
    GridEstimate how = GridEstimate::None;
    EstimateGridError(f2(5), f2(10), f2(20), 25, 100, 400, error, order, how);
    EXPECT_EQ(how, GridEstimate::Richardson);
    EXPECT_NEAR(order, 2, 1e-9) << order;
    EXPECT_NEAR(error, 0.03, 1e-12) << error;
    // Unequal ratios (7 nodes: coarse 4, fine 14) and order 1.5: the iteration finds it.
    auto f15 = [](double n) { return 10 - 3 * std::pow(n, -1.5); };
    EstimateGridError(f15(4), f15(7), f15(14), 16, 49, 196, error, order, how);
    EXPECT_EQ(how, GridEstimate::Richardson);
    EXPECT_NEAR(order, 1.5, 1e-6) << order;
    EXPECT_NEAR(error, -3 * std::pow(7.0, -1.5), 1e-9) << error;
    // Oscillating values: the largest difference to a neighbour, as the case's value minus it.
    EstimateGridError(1, 2, 1.5, 25, 100, 400, error, order, how);
    EXPECT_EQ(how, GridEstimate::LargestDifference);
    EXPECT_EQ(error, 1);
    EXPECT_TRUE(std::isnan(order));
    // Differences that grow on refinement are no convergence either.
    EstimateGridError(1, 1.1, 1.5, 25, 100, 400, error, order, how);
    EXPECT_EQ(how, GridEstimate::LargestDifference);
    EXPECT_NEAR(error, -0.4, 1e-12);
    // Two grids only (no finer one within the range), and a missing value.
    EstimateGridError(4, 3, 3, 2500, 10000, 10000, error, order, how);
    EXPECT_EQ(how, GridEstimate::LargestDifference);
    EXPECT_EQ(error, -1);
    EstimateGridError(NAN, 3, 2, 25, 100, 400, error, order, how);
    EXPECT_EQ(how, GridEstimate::None);
    EXPECT_TRUE(std::isnan(error));
}

TEST(ConvergenceCheckRuns, EveryRunIsTheCaseAloneAndFlipsAreFlagged) {
    const Case c = SmallCase();
    QualityLimits limits;
    const ConvergenceReport r = Check(c, limits);
    ASSERT_TRUE(r.complete);
    for (int k = 0; k < kConvergenceRuns; ++k) {
        Case alone = c;
        alone.params = r.plan.params[k];
        const Alone a = RunAlone(alone, limits);
        const KeyFigures& got = r.rows[k].figures;
        for (const StudyFigure& f : StudyFigures())
            EXPECT_TRUE(SameBits(f.get(got), f.get(a.figures)))
                << RunCaption(alone.params) << " " << f.key << ": " << f.get(got) << " vs "
                << f.get(a.figures);
        ASSERT_EQ(r.rows[k].verdict.size(), a.verdict.size());
        for (std::size_t v = 0; v < a.verdict.size(); ++v)
            EXPECT_EQ(r.rows[k].verdict[v].state, a.verdict[v].state) << CriterionKey(a.verdict[v].criterion);
    }
    // The estimates as defined, from the table's own values.
    ASSERT_EQ(r.figures.size(), StudyFigures().size() - 1);
    for (const FigureConvergence& f : r.figures) {
        const double b = f.values[kRunBase], co = f.values[kRunCoarse], fi = f.values[kRunFine];
        EXPECT_TRUE(SameBits(f.stepDifference, b - f.values[kRunHalfStep])) << f.figure->key;
        if (f.estimate == GridEstimate::Richardson) {
            const double rp = std::pow(2.0, std::max(f.order, 0.5)); // ratio 2 on 4, 8, 16 nodes
            EXPECT_NEAR(f.gridError, (b - fi) * rp / (rp - 1), 1e-9 * (1 + std::fabs(b))) << f.figure->key;
            EXPECT_NEAR(f.order, std::log((co - b) / (b - fi)) / std::log(2.0), 1e-9) << f.figure->key;
        } else if (f.estimate == GridEstimate::LargestDifference) {
            EXPECT_EQ(std::fabs(f.gridError), std::max(std::fabs(b - fi), std::fabs(co - b)))
                << f.figure->key;
        }
    }
    // A mould-exit shell limit between the grids' shells: the criterion depends on the grid.
    const FigureConvergence& shell = r.figures[1];
    ASSERT_STREQ(shell.figure->key, "mouldExitShell");
    const double lo = std::min({shell.values[0], shell.values[1], shell.values[2]});
    const double hi = std::max({shell.values[0], shell.values[1], shell.values[2]});
    ASSERT_LT(lo, hi) << "the grids give the same shell";
    limits.mouldExitShell = (lo + hi) / 2;
    const ConvergenceReport flipped = Check(c, limits);
    ASSERT_FALSE(flipped.criteria.empty());
    const CriterionConvergence& cc = flipped.criteria[0];
    ASSERT_EQ(cc.base.criterion, Criterion::MouldExitShell);
    EXPECT_TRUE(cc.dependence == CriterionDependence::Grid ||
                cc.dependence == CriterionDependence::GridAndStep);
    EXPECT_EQ(DependenceCaption(cc).rfind("зависит от сетки", 0), 0u) << DependenceCaption(cc);
    // With the default limits a criterion on which every run agrees keeps its plain judgement.
    for (const CriterionConvergence& k : r.criteria)
        if (k.dependence == CriterionDependence::None) {
            EXPECT_EQ(DependenceCaption(k), StateCaption(k.base.state));
        }
    // The CSV: a line per run parameter, key figure and criterion, the grid-dependent one named.
    const std::string csv = ConvergenceCsv(flipped);
    EXPECT_EQ(csv.rfind("kind,key,base,coarse,fine,halfStep,", 0), 0u);
    EXPECT_NE(csv.find("\nrun,L,8,4,16,8,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\nrun,Dt,0.5,0.5,0.5,0.25,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\ncriterion,mouldExitShell,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("grid-"), std::string::npos) << csv;
}

TEST(ConvergenceCheckRuns, AnUnstableGridIsLeftOutAndSaysSo) {
    // A thin, fast strand: on 80 x 80 nodes at 0.5 s the run becomes unstable a few steps in.
    Case c;
    c.window.DlomX = c.window.DlomY = 130;
    c.window.C = 0.42;
    c.window.Vlit = 2.0;
    c.window.Lkrist = 0.715;
    c.window.T0 = 1520;
    c.window.Vp = 0.2;
    c.params.L = c.params.M = 40;
    const ConvergenceReport r = Check(c, QualityLimits());
    EXPECT_FALSE(r.complete);
    const StudyRow& fine = r.rows[kRunFine];
    ASSERT_EQ(fine.status, StudyRunStatus::Unstable);
    EXPECT_NE(fine.message.find("неустойчив"), std::string::npos) << fine.message;
    EXPECT_NE(fine.message.find("вдвое меньше"), std::string::npos) << fine.message;
    EXPECT_EQ(r.rows[kRunCoarse].status, StudyRunStatus::Completed);
    // The grid error from the two grids left; the criteria compared without the failed run.
    const FigureConvergence& centre = r.figures.back();
    ASSERT_STREQ(centre.figure->key, "centreTemperature");
    EXPECT_EQ(centre.estimate, GridEstimate::LargestDifference);
    EXPECT_EQ(centre.gridError, centre.values[kRunBase] - centre.values[kRunCoarse]);
    ASSERT_EQ(r.criteria.size(), r.rows[kRunBase].verdict.size());
    EXPECT_EQ(r.criteria[0].runs[kRunFine].state, CriterionState::NotReached);
}
