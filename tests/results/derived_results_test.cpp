#include "model/SteelProperties.h"
#include "results/ResultsExport.h"
#include "run/HeadlessRun.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace korvel;

TEST(DerivedResults, ThicknessOfConstructedLines) {
    // Node centres at 0.5, 1.5, 2.5, 3.5 mm below the surface (h = 1 mm).
    const double linear[] = {0, 1000, 1100, 1200,
                             1300}; // the solidus 1150 lies halfway between nodes 2 and 3
    EXPECT_NEAR(ThicknessAlong(linear, 4, 1e-3, 1150), 2.0e-3, 1e-15);
    EXPECT_NEAR(ThicknessAlong(linear, 4, 1e-3, 1100), 2.5e-3 - 1e-3, 1e-15) << "exactly at a node";
    const double solid[] = {0, 900, 950, 1000, 1050};
    EXPECT_DOUBLE_EQ(ThicknessAlong(solid, 4, 1e-3, 1400), 4e-3) << "wholly solid: the full length";
    const double liquid[] = {0, 1500, 1510, 1515, 1515};
    EXPECT_EQ(ThicknessAlong(liquid, 4, 1e-3, 1450), 0) << "surface node above the solidus";
    // The crossing between the surface node and the surface itself is not resolved: the surface node
    // decides, so a surface node just above the solidus gives 0 and just below gives at least h/2.
    const double justBelow[] = {0, 1449, 1600, 1600, 1600};
    EXPECT_NEAR(ThicknessAlong(justBelow, 4, 1e-3, 1450), 0.5e-3 + 1.0 / 151 * 1e-3, 1e-15);
}

TEST(DerivedResults, DefaultRunGrowsItsShellAndFindsTheMetallurgicalLength) {
    Model m;
    AcceptDataWindow(DataWindowStartValues(), m.data);
    ResultsTracker tracker;
    std::vector<double> shells, centres, zs;
    RunHeadless(
        m,
        [&](const Model& s, bool first) {
            if (first) return;
            shells.push_back(ShellAt(s, true).faceX);
            centres.push_back(s.state.Tem[10][10]);
            zs.push_back(s.Z());
        },
        -1, &tracker);
    const DerivedResults r = tracker.Results(m);
    for (std::size_t k = 1; k < shells.size(); ++k)
        EXPECT_GE(shells[k], shells[k - 1] - 1e-9) << k;
    ASSERT_TRUE(r.mouldExitSeen);
    EXPECT_GT(r.mouldExitZ, 0.8);
    EXPECT_LT(r.mouldExitZ, 0.82);
    EXPECT_GT(r.mouldExit.faceX, 5);
    EXPECT_LT(r.mouldExit.faceX, 40);
    ASSERT_TRUE(r.metallurgicalReached);
    // Consistent with the centre history: above the solidus before, below after.
    const double ts = Tsol(m.data, m.data.C, m.data.S);
    for (std::size_t k = 0; k < zs.size(); ++k) {
        if (zs[k] < r.metallurgicalLength - 0.1) {
            EXPECT_GE(centres[k], ts) << zs[k];
        }
        if (zs[k] > r.metallurgicalLength + 0.1) {
            EXPECT_LT(centres[k], ts) << zs[k];
        }
    }
    EXPECT_DOUBLE_EQ(r.solid.faceX, 80);
    EXPECT_GE(r.reheatFaceX, 0);
}

TEST(DerivedResults, CsvFilesHaveHeadersAndOneRowPerLine) {
    Model m;
    AcceptDataWindow(DataWindowStartValues(), m.data);
    m.params.L = 6;
    m.params.M = 4;
    m.data.TauEnd = 50;
    ResultsTracker tracker;
    std::vector<ChartSample> history;
    RunHeadless(
        m,
        [&](const Model& s, bool first) {
            if (!first) history.push_back(SampleChartNodes(s));
        },
        -1, &tracker);
    const auto dir = std::filesystem::temp_directory_path() / "korvel-csv-test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ASSERT_EQ(WriteResultsCsv(dir.string(), RunRecord{m, history, tracker.Results(m), true}), "");
    auto lines = [&](const char* name) {
        std::ifstream in(dir / name);
        std::vector<std::string> out;
        for (std::string l; std::getline(in, l);)
            out.push_back(l);
        return out;
    };
    const auto h = lines("history.csv");
    ASSERT_EQ(h.size(), history.size() + 1);
    EXPECT_EQ(h[0].rfind("time_min,time_s,center", 0), 0u);
    EXPECT_EQ(h.back().rfind("0.8333333333,50,", 0), 0u) << h.back();
    const auto tem = lines("tem.csv");
    ASSERT_EQ(tem.size(), 7u);
    EXPECT_EQ(tem[0], "i,j=1,j=2,j=3,j=4");
    EXPECT_NEAR(std::stod(tem[6].substr(tem[6].rfind(',') + 1)), m.state.Tem[6][4], 1e-6);
    EXPECT_EQ(lines("results.csv")[0], "quantity,value,unit");

    // A folder that cannot be written: a clear message, and what was there stays intact.
    std::filesystem::permissions(dir,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const bool isRoot = std::ofstream(dir / "probe").good();
    if (!isRoot) {
        const std::string err =
            WriteResultsCsv(dir.string(), RunRecord{m, history, tracker.Results(m), true});
        EXPECT_NE(err.find("не удалось"), std::string::npos) << err;
        EXPECT_EQ(lines("tem.csv"), tem);
    }
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
    std::filesystem::remove_all(dir);
    // A missing folder fails cleanly too (also as root).
    EXPECT_NE(WriteResultsCsv((dir / "missing").string(), RunRecord{m, history, tracker.Results(m), true}),
              "");
}
