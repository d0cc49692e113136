// Stability of the physical boundary model at the default step of 0.5 s on every square grid the model
// accepts (4 × 4 to 100 × 100) and on a few grids with L ≠ M, for the default case and the 130 mm case.
// Each run goes the case's whole process time of 10 min and is judged by the run's own checks, as the
// headless and background runs apply them after every step: no field stops being a number, no
// temperature leaves the physical range; then by its surface temperatures and its energy balance.
// The runs are not cut short: past the sprays the surface law is the mildest, but the 130 mm case's
// pool closes at the centre (about 16 m, 8 min) well after them, and that is a stretch of its own.
// The runs are shared among the machine's cores. Minutes: labelled "slow".

#include "PhysicalRuns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace korvel {
namespace {

using test_models::PhysicalCase;

constexpr double kStep = 0.5;
constexpr double kProcessTime = 600; // the data window's 10 min

struct GridRun {
    const char* caseName = "";
    PhysicalCase c;
    std::string failure; // empty when the run completed sound
};

// Runs one case on its grid to the end of its process time; describes what went wrong, if anything.
std::string RunOne(const PhysicalCase& c) {
    Model m;
    m.data = c.data;
    m.params = c.params;
    const RunOutcome out = RunHeadless(m, [](const Model&, bool) {});
    char buf[200];
    if (out.end != RunEnd::Finished) {
        std::snprintf(buf, sizeof buf, "%s at step %lld (z = %.2f m)",
                      out.end == RunEnd::NotFinite ? "not a number" : "temperature out of range", out.steps,
                      m.Z());
        return buf;
    }
    if (out.steps != PlannedSteps(c.data, c.params)) return "stopped early";
    // The surface temperatures the step works out are no field of the state: within reason as well.
    for (const double t : {SurfaceMidFaceX(m), SurfaceMidFaceY(m), SurfaceCorner(m)}) {
        if (!(t > 0 && t < c.data.T0)) {
            std::snprintf(buf, sizeof buf, "surface temperature %g °C", t);
            return buf;
        }
    }
    // The heat that left through the surface is what the slice lost.
    const double lost = m.phys.initialContent - SliceEnthalpy(m);
    const double error = (m.phys.heatOut - lost) / lost;
    if (!(std::fabs(error) < 0.005)) {
        std::snprintf(buf, sizeof buf, "energy balance off by %g", error);
        return buf;
    }
    return {};
}

// Runs all the grids on the available cores, largest first; reports every failed one.
void ExpectAllStable(std::vector<GridRun>& runs) {
    std::sort(runs.begin(), runs.end(), [](const GridRun& a, const GridRun& b) {
        return a.c.params.L * a.c.params.M > b.c.params.L * b.c.params.M;
    });
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t k = next++; k < runs.size(); k = next++)
            runs[k].failure = RunOne(runs[k].c);
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> threads;
    for (unsigned k = 0; k < std::min<std::size_t>(cores, runs.size()); ++k)
        threads.emplace_back(work);
    for (std::thread& t : threads)
        t.join();
    for (const GridRun& r : runs) {
        EXPECT_TRUE(r.failure.empty())
            << r.caseName << ", " << r.c.params.L << " x " << r.c.params.M << ": " << r.failure;
    }
}

void AddBothCases(std::vector<GridRun>& runs, int l, int m) {
    for (const auto& [name, make] :
         {std::pair{"160 mm", &test_models::DefaultCase}, std::pair{"130 mm", &test_models::SmallCase}}) {
        GridRun r;
        r.caseName = name;
        r.c = make(l, kStep, kProcessTime);
        r.c.params.M = m;
        runs.push_back(r);
    }
}

TEST(PhysicalStability, EverySquareGrid) {
    std::vector<GridRun> runs;
    for (int n = kMinNodes; n <= kMaxNodes; ++n)
        AddBothCases(runs, n, n);
    ExpectAllStable(runs);
}

TEST(PhysicalStability, GridsWithUnequalSides) {
    std::vector<GridRun> runs;
    for (const auto& [l, m] : {std::pair{4, 100}, std::pair{100, 4}, std::pair{5, 17}, std::pair{23, 7},
                               std::pair{61, 13}, std::pair{37, 100}, std::pair{99, 54}})
        AddBothCases(runs, l, m);
    ExpectAllStable(runs);
}

} // namespace
} // namespace korvel
