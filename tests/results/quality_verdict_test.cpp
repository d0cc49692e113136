#include "results/KeyFigures.h"
#include "results/MachineProfile.h"
#include "results/ProfileExport.h"
#include "results/QualityVerdict.h"
#include "run/HeadlessRun.h"

#include <cctype>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <vector>

using namespace korvel;

namespace {

struct CaseRun {
    Model m;
    DerivedResults results;
    KeyFigures key;
    MachineProfile profile;
    std::vector<CriterionResult> verdict;
};

// The program's first run (the data window's start values), changed as `edit` says.
template <class Edit> CaseRun RunCase(Edit edit, const QualityLimits& limits = {}) {
    CaseRun c;
    AcceptDataWindow(DataWindowStartValues(), c.m.data);
    edit(c.m);
    ResultsTracker tracker;
    const RunOutcome out = RunHeadless(
        c.m, [&](const Model& s, bool) { RecordProfile(c.profile, s); }, -1, &tracker);
    EXPECT_EQ(out.end, RunEnd::Finished);
    c.results = tracker.Results(c.m);
    c.key = ComputeKeyFigures(c.m, c.results, true);
    c.verdict = JudgeQuality(c.key, c.profile, c.m.data, limits);
    return c;
}

CaseRun DefaultRun(const QualityLimits& limits = {}) {
    return RunCase([](Model&) {}, limits);
}

CriterionState StateOf(const CaseRun& c, Criterion k) {
    for (const CriterionResult& r : c.verdict)
        if (r.criterion == k) return r.state;
    ADD_FAILURE() << "no criterion " << CriterionKey(k);
    return CriterionState::NotReached;
}

ProfilePoint Point(double z, double surface, double corner) {
    ProfilePoint p;
    p.z = z;
    p.tau = z * 40;
    p.surfaceX = p.surfaceY = surface;
    p.corner = corner;
    return p;
}

} // namespace

TEST(MachineProfile, DefaultRunAlongTheMachine) {
    const CaseRun c = DefaultRun();
    const std::vector<ProfilePoint>& v = c.profile.points;
    // The initial hand-over, 120 periodic ones; the final one shows the last periodic state again and
    // is kept once.
    ASSERT_EQ(v.size(), 121u);
    EXPECT_EQ(v.front().z, 0);
    for (std::size_t k = 0; k < v.size(); ++k) {
        EXPECT_DOUBLE_EQ(v[k].z, c.m.data.Vlit * v[k].tau / 60) << k;
        if (k > 0) {
            EXPECT_GT(v[k].z, v[k - 1].z) << k;
        }
        EXPECT_LE(v[k].shellX, v[k].liquidusX + 1e-12) << k;
        EXPECT_LE(v[k].shellY, v[k].liquidusY + 1e-12) << k;
    }
    EXPECT_DOUBLE_EQ(v.back().tau, 600);
    EXPECT_DOUBLE_EQ(v.back().z, 15);

    // The last point is the end of the run.
    const ProfilePoint& last = v.back();
    EXPECT_EQ(last.shellX, c.results.solid.faceX);
    EXPECT_EQ(last.shellY, c.results.solid.faceY);
    EXPECT_EQ(last.liquidusX, c.results.liquid.faceX);
    EXPECT_EQ(last.centre, c.results.centreTemperature);
    const int L = c.m.params.L, M = c.m.params.M;
    EXPECT_EQ(last.surfaceX, c.m.state.Tem[L][1]);
    EXPECT_EQ(last.surfaceY, c.m.state.Tem[1][M]);
    EXPECT_EQ(last.corner, c.m.state.Tem[1][1]);

    // Zones of the case.
    EXPECT_DOUBLE_EQ(c.profile.zones.mouldExit, c.m.data.Lkrist);
    EXPECT_DOUBLE_EQ(c.profile.zones.sectionEnd[3], c.m.data.Lend4);
    EXPECT_DOUBLE_EQ(c.profile.zones.coolingEnd, c.m.data.Lkrist + c.m.data.Lzvo);
}

// On a fine grid the surface's minimum below the mould lies between two hand-overs; the profile keeps
// the steps that set it and the rise after it, so the verdict's reheating can be read off the chart.
TEST(MachineProfile, VerdictReheatingLiesOnTheFineGridProfile) {
    CaseRun c;
    AcceptDataWindow(DataWindowStartValues(), c.m.data);
    c.m.params.L = c.m.params.M = 60;
    c.m.data.TauEnd = 360; // 9 m: past the spray zone
    ResultsTracker tracker;
    RunHeadless(
        c.m, [&](const Model& s, bool) { tracker.RecordProfile(c.profile, s); }, -1, &tracker);
    c.results = tracker.Results(c.m);
    c.key = ComputeKeyFigures(c.m, c.results, true);
    const double reheat = JudgeQuality(c.key, c.profile, c.m.data, {})[1].value;
    // The largest rise on the profile's own series over their earlier minimum after the mould.
    double chart = 0;
    for (double ProfilePoint::*face : {&ProfilePoint::surfaceX, &ProfilePoint::surfaceY}) {
        double low = INFINITY;
        for (const ProfilePoint& p : c.profile.points) {
            if (p.z <= c.results.mouldExitZ - 1e-9) continue;
            low = std::min(low, p.*face);
            chart = std::max(chart, p.*face - low);
        }
    }
    EXPECT_GT(reheat, 100) << reheat;
    EXPECT_NEAR(chart, reheat, 0.5) << "verdict " << reheat << " K, chart " << chart << " K";
    // Where the rise ends and where its minimum was both lie on the profile, in the order of time.
    auto onProfile = [&](double z) {
        for (const ProfilePoint& p : c.profile.points)
            if (std::abs(p.z - z) < 1e-9) return true;
        return false;
    };
    EXPECT_TRUE(onProfile(c.results.reheatFaceXZ)) << c.results.reheatFaceXZ;
    EXPECT_TRUE(onProfile(c.results.reheatFaceXFromZ)) << c.results.reheatFaceXFromZ;
    for (std::size_t k = 1; k < c.profile.points.size(); ++k)
        ASSERT_GT(c.profile.points[k].tau, c.profile.points[k - 1].tau) << k;
}

TEST(MachineProfile, DefaultRunKeyFiguresAgreeWithTheShellLaw) {
    const CaseRun c = DefaultRun();
    // d = K * sqrt(t) with K = 26..30 mm/min^0.5 puts the closing of a 160 mm billet at 1.5 m/min
    // between 10.7 and 14.2 m from the meniscus.
    EXPECT_GT(c.key.mouldExitShell, 8) << c.key.mouldExitShell;
    EXPECT_LT(c.key.mouldExitShell, 20) << c.key.mouldExitShell;
    EXPECT_GT(c.key.metallurgicalLength, 10.7) << c.key.metallurgicalLength;
    EXPECT_LT(c.key.metallurgicalLength, 14.2) << c.key.metallurgicalLength;
    // Sulphur, the stronger segregating element, is enriched at the centre. On the coarse default grid
    // the centre node itself ends slightly poorer in carbon than the melt (0.94); the ratio stays near 1.
    EXPECT_GT(c.key.centreSulphurRatio, 1) << c.key.centreSulphurRatio;
    EXPECT_NEAR(c.key.centreCarbonRatio, 1, 0.1) << c.key.centreCarbonRatio;
    EXPECT_DOUBLE_EQ(c.key.centreCarbonRatio, c.m.state.CMean[c.m.params.L][c.m.params.M] / c.m.data.C);
}

TEST(MachineProfile, RepeatedMomentKeptOnceAndInterpolation) {
    Model m;
    m.params.L = m.params.M = 4;
    SizeState(m);
    MachineProfile p;
    RecordProfile(p, m);
    RecordProfile(p, m);
    EXPECT_EQ(p.points.size(), 1u);

    p.points = {Point(0, 1500, 1500), Point(1, 1100, 1000), Point(3, 900, 700)};
    ProfilePoint at;
    ASSERT_TRUE(ProfileAt(p, 2, at));
    EXPECT_DOUBLE_EQ(at.surfaceX, 1000);
    EXPECT_DOUBLE_EQ(at.corner, 850);
    ASSERT_TRUE(ProfileAt(p, 3, at));
    EXPECT_DOUBLE_EQ(at.corner, 700);
    EXPECT_FALSE(ProfileAt(p, 3.01, at));
    EXPECT_FALSE(ProfileAt(p, NAN, at));
    EXPECT_FALSE(ProfileAt(MachineProfile{}, 0, at));
}

TEST(QualityVerdict, DefaultRun) {
    const CaseRun c = DefaultRun();
    ASSERT_EQ(c.verdict.size(), 6u);
    EXPECT_EQ(StateOf(c, Criterion::MouldExitShell), CriterionState::Ok);
    EXPECT_EQ(StateOf(c, Criterion::Reheating), CriterionState::Ok);
    // The arc ends at 0.8 + pi * 14 / 2 = 22.79 m, beyond the 15 m the run covers.
    EXPECT_NEAR(StraighteningPoint(c.m.data, {}), 0.8 + std::numbers::pi * 7, 1e-12);
    EXPECT_EQ(StateOf(c, Criterion::Ductility), CriterionState::NotReached);
    EXPECT_EQ(StateOf(c, Criterion::Straightening), CriterionState::Ok);
    // No limit on segregation: reported, not judged (never "ok").
    EXPECT_EQ(StateOf(c, Criterion::CentreCarbon), CriterionState::NotJudged);
    EXPECT_STREQ(StateKey(c.verdict[4].state), "not judged");
    EXPECT_NE(DescribeVerdict(c.verdict)[4].find("не оценивается"), std::string::npos)
        << DescribeVerdict(c.verdict)[4];
    EXPECT_TRUE(std::isnan(c.verdict[4].limit));
    EXPECT_DOUBLE_EQ(c.verdict[4].value, c.key.centreCarbonRatio);
}

TEST(QualityVerdict, EachCriterionReachesItsThreeStates) {
    const CaseRun normal = DefaultRun();
    const CaseRun shortRun = RunCase([](Model& m) { m.data.TauEnd = 120; }); // 3 m
    const CaseRun inMould = RunCase([](Model& m) { m.data.TauEnd = 20; });   // 0.5 m

    // Mould-exit shell: a fast cast on a grid fine enough to resolve a thin shell.
    const CaseRun fast = RunCase([](Model& m) {
        m.data.Vlit = 8;
        m.params.L = m.params.M = 40;
        m.data.TauEnd = 30;
    });
    EXPECT_LT(fast.key.mouldExitShell, 8) << fast.key.mouldExitShell;
    EXPECT_EQ(StateOf(fast, Criterion::MouldExitShell), CriterionState::Violated);
    EXPECT_EQ(StateOf(normal, Criterion::MouldExitShell), CriterionState::Ok);
    EXPECT_EQ(StateOf(inMould, Criterion::MouldExitShell), CriterionState::NotReached);

    // Reheating: section 2 without water after section 1.
    const CaseRun dry = RunCase([](Model& m) { m.data.Q2 = 0; });
    EXPECT_GT(dry.key.maxReheat, 100) << dry.key.maxReheat;
    EXPECT_EQ(StateOf(dry, Criterion::Reheating), CriterionState::Violated);
    EXPECT_EQ(StateOf(normal, Criterion::Reheating), CriterionState::Ok);
    EXPECT_LT(shortRun.key.maxReheat, 100);
    EXPECT_EQ(StateOf(shortRun, Criterion::Reheating), CriterionState::NotReached);

    // Ductility at straightening: a smaller radius brings the straightening point into the run.
    const CaseRun r9 = RunCase([](Model& m) { m.data.Rkorvel = 9; }); // 14.94 m, corner near 845 °C
    const CaseRun r5 = RunCase([](Model& m) { m.data.Rkorvel = 5; }); // 8.65 m, surface above 900 °C
    EXPECT_EQ(StateOf(r9, Criterion::Ductility), CriterionState::Violated);
    EXPECT_EQ(StateOf(r5, Criterion::Ductility), CriterionState::Ok);
    EXPECT_EQ(StateOf(normal, Criterion::Ductility), CriterionState::NotReached);

    // Liquid core at straightening.
    EXPECT_EQ(StateOf(r5, Criterion::Straightening), CriterionState::Violated);
    EXPECT_EQ(StateOf(normal, Criterion::Straightening), CriterionState::Ok);
    EXPECT_EQ(StateOf(shortRun, Criterion::Straightening), CriterionState::NotReached);

    // Segregation with limits set.
    QualityLimits loose, tight;
    loose.centreCarbon = loose.centreSulphur = 2;
    tight.centreCarbon = tight.centreSulphur = 0.5;
    auto judged = [](const CaseRun& c, const QualityLimits& l) {
        CaseRun out = c;
        out.verdict = JudgeQuality(c.key, c.profile, c.m.data, l);
        return out;
    };
    for (Criterion k : {Criterion::CentreCarbon, Criterion::CentreSulphur}) {
        EXPECT_EQ(StateOf(judged(normal, loose), k), CriterionState::Ok) << CriterionKey(k);
        EXPECT_EQ(StateOf(judged(normal, tight), k), CriterionState::Violated) << CriterionKey(k);
        EXPECT_EQ(StateOf(judged(shortRun, tight), k), CriterionState::NotReached) << CriterionKey(k);
    }
}

TEST(QualityVerdict, LimitsAtTheBoundaryAndInRange) {
    KeyFigures k;
    k.mouldExitShell = 8;
    k.maxReheat = 100;
    k.metallurgicalLength = 5;
    k.centreCarbonRatio = 1.2;
    k.centreSulphurRatio = 1.5;
    k.tau = 600;
    CastingData d;
    d.Lkrist = 0.8;
    d.Lzvo = 6.28;
    d.Rkorvel = 4; // straightening at 0.8 + 2 pi = 7.08 m
    MachineProfile p;
    p.points = {Point(0, 1500, 1500), Point(6, 1000, 950), Point(8, 920, 900)};
    QualityLimits l;
    l.centreCarbon = 1.2;
    const auto v = JudgeQuality(k, p, d, l);
    // A value equal to its limit is in order.
    EXPECT_EQ(v[0].state, CriterionState::Ok);
    EXPECT_EQ(v[1].state, CriterionState::Ok);
    EXPECT_EQ(v[4].state, CriterionState::Ok);
    // At z = 0.8 + 2 pi (7.08 m) the corner is 950 - (z - 6) / 2 * 50 = 923 °C: outside the range, and
    // the nearest to it.
    const double corner = 950 - (0.8 + 2 * std::numbers::pi - 6) / 2 * 50;
    EXPECT_EQ(v[2].state, CriterionState::Ok);
    EXPECT_NEAR(v[2].value, corner, 1e-9);
    EXPECT_EQ(v[2].limit, 700);
    EXPECT_EQ(v[2].limitHigh, 900);
    // A wider range catches it.
    l.ductilityHigh = 930;
    const auto w = JudgeQuality(k, p, d, l);
    EXPECT_EQ(w[2].state, CriterionState::Violated);
    EXPECT_NEAR(w[2].value, corner, 1e-9);
    // Run ended past the straightening point with a liquid centre.
    k.metallurgicalLength = NAN;
    EXPECT_EQ(JudgeQuality(k, p, d, l)[3].state, CriterionState::Violated);
    // A straightening point of the user's own.
    l.straightening = 9;
    EXPECT_EQ(JudgeQuality(k, p, d, l)[3].state, CriterionState::NotReached);
}

TEST(QualityVerdict, LimitsByNameAndTheirChecks) {
    QualityLimits l;
    EXPECT_EQ(SetQualityLimit(l, "mouldExitShell", 10), "");
    EXPECT_EQ(l.mouldExitShell, 10);
    EXPECT_EQ(SetQualityLimit(l, "centreSulphur", 1.3), "");
    EXPECT_EQ(l.centreSulphur, 1.3);
    EXPECT_NE(SetQualityLimit(l, "shell", 1).find("mouldExitShell"), std::string::npos);
    EXPECT_NE(SetQualityLimit(l, "reheating", NAN), "");
    EXPECT_EQ(l.reheating, 100) << "a refused value leaves the limit as it was";
    EXPECT_EQ(CheckQualityLimits(l), "");
    l.ductilityLow = 950;
    EXPECT_NE(CheckQualityLimits(l).find("пластичности"), std::string::npos);
    l = {};
    l.straightening = -1;
    EXPECT_NE(CheckQualityLimits(l).find("правки"), std::string::npos);
    l = {};
    l.mouldExitShell = -1;
    EXPECT_NE(CheckQualityLimits(l), "");
}

TEST(ProfileExport, JsonAndCsvAreTheSameInEveryLocale) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    const bool ru = std::setlocale(LC_ALL, "ru_RU.UTF-8") != nullptr;
    const CaseRun c = RunCase([](Model& m) { m.data.TauEnd = 20; });
    const std::string json = ProfileVerdictJson(c.profile, c.verdict);
    const std::vector<std::string> lines = DescribeVerdict(c.verdict);
    std::setlocale(LC_ALL, saved.c_str());
    if (!ru) GTEST_LOG_(INFO) << "ru_RU.UTF-8 not installed; checked in the C locale only";

    EXPECT_EQ(json.rfind(",\n \"profile\": [\n  {\"z\": 0, \"tau\": 0, \"surfaceX\": ", 0), 0u) << json;
    EXPECT_NE(json.find("\"tau\": 20, "), std::string::npos);
    EXPECT_NE(json.find("{\"criterion\": \"ductility\", \"value\": null, \"limit\": [700, 900], \"unit\": "
                        "\"C\", \"state\": \"not reached\"}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"limit\": null"), std::string::npos);
    EXPECT_EQ(json.find(".0,"), std::string::npos) << "shortest digits";
    for (char ch : json)
        ASSERT_NE(ch, ';');
    // No decimal comma anywhere: every comma separates members or values.
    for (std::size_t k = 1; k + 1 < json.size(); ++k)
        ASSERT_FALSE(json[k] == ',' && std::isdigit(static_cast<unsigned char>(json[k - 1])) &&
                     std::isdigit(static_cast<unsigned char>(json[k + 1])))
            << json.substr(k - 10, 20);
    EXPECT_EQ(lines[0], "Корочка на выходе из кристаллизатора: — (не менее 8.0 мм) — не достигнуто");

    const auto dir = std::filesystem::temp_directory_path() / "korvel-profile-csv-test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ASSERT_EQ(WriteProfileCsv(dir.string(), c.profile, c.verdict), "");
    std::ifstream in(dir / "profile.csv");
    std::vector<std::string> rows;
    for (std::string l; std::getline(in, l);)
        rows.push_back(l);
    ASSERT_EQ(rows.size(), c.profile.points.size() + 1);
    EXPECT_EQ(rows[0].rfind("z_m,time_s,surface_x", 0), 0u);
    EXPECT_EQ(rows.back().rfind("0.5,20,", 0), 0u) << rows.back();
    std::ifstream vin(dir / "verdict.csv");
    std::string header, first;
    std::getline(vin, header);
    std::getline(vin, first);
    EXPECT_EQ(header, "criterion,value,limit,limit_high,unit,state");
    EXPECT_EQ(first, "mouldExitShell,,8,,mm,not reached");
    EXPECT_NE(WriteProfileCsv((dir / "missing").string(), c.profile, c.verdict), "");
    std::filesystem::remove_all(dir);
}
