// Convergence of the physical boundary model in the grid and the step, on the default case and a
// 130 mm case: 40 × 40 against 100 × 100 at 0.5 s, and 0.5 s against 0.1 s on 40 × 40. Slow (the
// 100 × 100 runs): labelled "slow".

#include "PhysicalRuns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace korvel {
namespace {

using test_models::PhysicalCase;
using test_models::PhysicalRun;

void ExpectClose(const PhysicalRun& a, const PhysicalRun& b, const char* what) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(a.completed && b.completed);
    ASSERT_TRUE(a.results.metallurgicalReached && b.results.metallurgicalReached);
    const double la = a.results.metallurgicalLength, lb = b.results.metallurgicalLength;
    EXPECT_NEAR(la / lb, 1, 0.01) << la << " m vs " << lb << " m";
    EXPECT_NEAR(a.results.mouldExit.faceX, b.results.mouldExit.faceX, 0.5);
    EXPECT_NEAR(a.results.mouldExit.faceY, b.results.mouldExit.faceY, 0.5);
    const double ra = std::max(a.results.reheatFaceX, a.results.reheatFaceY);
    const double rb = std::max(b.results.reheatFaceX, b.results.reheatFaceY);
    EXPECT_NEAR(ra, rb, 10);
    ASSERT_EQ(a.midFace.size(), b.midFace.size());
    for (std::size_t k = 0; k < a.midFace.size(); ++k) {
        EXPECT_NEAR(a.midFace[k], b.midFace[k], 15) << "mid-face at " << a.zs[k] << " m";
        EXPECT_NEAR(a.corner[k], b.corner[k], 40) << "corner at " << a.zs[k] << " m";
    }
    for (const PhysicalRun* r : {&a, &b}) {
        EXPECT_LT(std::fabs(r->energyError), 0.005) << r->energyError;
        EXPECT_EQ(r->mushyBelowSolidus, 0);
    }
    std::printf(
        "%s: metallurgical length %.3f / %.3f m, mould-exit shell %.2f / %.2f mm, reheating %.1f / %.1f K\n",
        what, la, lb, a.results.mouldExit.faceX, b.results.mouldExit.faceX, ra, rb);
}

void Converges(PhysicalCase (*make)(int, double, double), double tauEnd, const char* name) {
    std::vector<double> zs;
    for (double z = 1.0; z <= 12.0; z += 0.5)
        zs.push_back(z);
    const PhysicalRun coarse = test_models::RunPhysical(make(40, 0.5, tauEnd), zs);
    const PhysicalRun fine = test_models::RunPhysical(make(100, 0.5, tauEnd), zs);
    const PhysicalRun shortStep = test_models::RunPhysical(make(40, 0.1, tauEnd), zs);
    ExpectClose(coarse, fine, (std::string(name) + ", 40x40 vs 100x100").c_str());
    ExpectClose(coarse, shortStep, (std::string(name) + ", Dt 0.5 vs 0.1").c_str());
}

TEST(PhysicalConvergence, DefaultCase) {
    Converges(&test_models::DefaultCase, 720, "160 mm");
}

TEST(PhysicalConvergence, SmallBillet) {
    Converges(&test_models::SmallCase, 600, "130 mm");
}

} // namespace
} // namespace korvel
