// The casting schedule and the whole strand: a constant schedule is the single slice's steady state; a
// slow-down moves the crater end and cools the surface, and the strand comes back; bad schedules are
// refused naming the line; a speed set again unchanged leaves a run bit for bit as it was.
#include "model/TimeStep.h"
#include "results/DerivedResults.h"
#include "results/KeyFigures.h"
#include "run/HeadlessRun.h"
#include "strand/Schedule.h"
#include "strand/Strand.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace korvel;

namespace {

// A 120 mm billet on a coarse grid, 1 s steps: quick, and with the default machine; at 2 m/min its
// crater ends near 9.3 m.
Model Coarse() {
    Model m;
    m.data.HalfX = m.data.HalfY = 0.06;
    m.params.L = m.params.M = 6;
    m.params.Dt = 1;
    return m;
}

Schedule Constant(double vlit) {
    Schedule s;
    s.points.push_back({0, vlit});
    return s;
}

std::vector<StrandMoment> RunAll(const Model& base, const Schedule& s, const StrandOptions& o) {
    std::vector<StrandMoment> moments;
    const StrandOutcome out =
        RunStrand(base, s, o, [&](StrandMoment&& m) { moments.push_back(std::move(m)); });
    EXPECT_EQ(out.end, StrandEnd::Finished) << out.message;
    return moments;
}

TEST(Schedule, InterpolatesLinearlyAndHoldsOutside) {
    Schedule s;
    s.points = {{1, 2.0, {NAN, 3, NAN, NAN}}, {3, 1.0, {1, 1, NAN, NAN}}};
    CastingData d;
    const CastingConditions before = ScheduleAt(s, 0, d), mid = ScheduleAt(s, 2, d),
                            after = ScheduleAt(s, 9, d);
    EXPECT_EQ(before.vlit, 2.0);
    EXPECT_EQ(before.q[0], d.Q1);
    EXPECT_DOUBLE_EQ(mid.vlit, 1.5);
    EXPECT_DOUBLE_EQ(mid.q[0], (d.Q1 + 1) / 2); // from the case's flow to the point's
    EXPECT_DOUBLE_EQ(mid.q[1], 2);
    EXPECT_EQ(mid.q[2], d.Q3);
    EXPECT_EQ(after.vlit, 1.0);
    EXPECT_TRUE(ScheduleConstantOn(s, 3, 100));
    EXPECT_FALSE(ScheduleConstantOn(s, 0, 2));
}

TEST(Schedule, CsvRoundTripAndRefusalsNameTheLine) {
    Schedule s;
    std::string error;
    ASSERT_TRUE(ScheduleFromCsv("time_min,Vlit,Q2\n0,2.0,\n5,1.2,0.1\r\n\n8,2,3\n", s, error)) << error;
    ASSERT_EQ(s.points.size(), 3u);
    EXPECT_TRUE(std::isnan(s.points[0].q[1]));
    EXPECT_EQ(s.points[1].q[1], 0.1);
    Schedule back;
    ASSERT_TRUE(ScheduleFromCsv(ScheduleToCsv(s), back, error)) << error;
    EXPECT_TRUE(back == s);

    const std::pair<const char*, const char*> bad[] = {
        {"time_min,Vlit\n0,2\n5,1.5\n5,1.2\n", "строка 4"},  // times not increasing
        {"time_min,Vlit\n0,2\n3,0\n", "строка 3"},           // speed not above zero
        {"time_min,Vlit,Q1\n0,2,1\n1,2,-0.5\n", "строка 3"}, // negative flow
        {"time_min,Vlit,Q9\n0,2,1\n", "строка 1"},           // unknown column
        {"time_min,Vlit\n0,2\n1,1,5\n", "строка 3"},         // too many cells
        {"time_min,Vlit\n0,2\n1,1 .2\n", "строка 3"},        // not a number
        {"time_min,Vlit\n", "нет ни одной точки"}};
    for (const auto& [text, expected] : bad) {
        Schedule kept = s;
        std::string why;
        EXPECT_FALSE(ScheduleFromCsv(text, kept, why)) << text;
        EXPECT_NE(why.find(expected), std::string::npos) << text << " -> " << why;
        EXPECT_TRUE(kept == s) << "a refused file changed the schedule";
    }
}

// Setting the speed the run already has keeps it bit for bit; a slice's distance is the integral of
// its speed.
TEST(Strand, SpeedSetAgainIsBitForBitAndDistanceIntegrates) {
    Model a = Coarse(), b = Coarse();
    a.data.TauEnd = b.data.TauEnd = 120;
    RunHeadless(a, [](const Model&, bool) {});
    SizeState(b);
    RunHeadless(
        b, [](const Model&, bool) {}, 0);
    while (b.state.Tau < b.data.TauEnd) {
        SetCastingSpeed(b, b.data.Vlit);
        TimeStep(b);
    }
    ASSERT_EQ(a.state.Tem.Data().size(), b.state.Tem.Data().size());
    EXPECT_EQ(0, std::memcmp(a.state.Tem.Data().data(), b.state.Tem.Data().data(),
                             a.state.Tem.Data().size() * sizeof(double)));
    EXPECT_EQ(a.Z(), b.Z());
    SetCastingSpeed(b, 3.0); // 1.5 m/min for 120 s, then 3 m/min for 60 s: 3 + 3 m
    for (int k = 0; k < 60; ++k)
        TimeStep(b);
    EXPECT_NEAR(b.Z(), 6.0, 1e-12);
}

// Once the strand is full, a constant schedule gives the single slice's profile and crater end.
TEST(Strand, ConstantScheduleIsTheSingleSliceSteadyState) {
    Model base = Coarse();
    const double vlit = 2.0;
    StrandOptions o;
    o.launch = 10;
    o.length = 14;
    o.durationMin = 10;
    const std::vector<StrandMoment> moments = RunAll(base, Constant(vlit), o);
    ASSERT_EQ(moments.size(), 61u);
    const StrandMoment& last = moments.back();

    Model single = Coarse();
    single.data.Vlit = vlit;
    single.data.TauEnd = 7 * 60;
    ResultsTracker tracker;
    MachineProfile profile;
    RunHeadless(
        single, [&](const Model& m, bool) { RecordProfile(profile, m); }, -1, &tracker);
    const DerivedResults r = tracker.Results(single);
    ASSERT_TRUE(r.metallurgicalReached);

    const double spacing = vlit / 60 * o.launch;
    EXPECT_NEAR(last.craterEnd, r.metallurgicalLength, spacing) << "single run " << r.metallurgicalLength;
    int compared = 0;
    for (const SliceSample& s : last.slices) {
        ProfilePoint p;
        if (s.at.z > single.Z() || !ProfileAt(profile, s.at.z, p)) continue;
        // Slices sit exactly on the single run's hand-overs: the values agree far within 1 K.
        EXPECT_NEAR(s.at.surfaceX, p.surfaceX, 1.0) << "z = " << s.at.z;
        EXPECT_NEAR(s.at.corner, p.corner, 1.0) << "z = " << s.at.z;
        EXPECT_NEAR(s.at.centre, p.centre, 1.0) << "z = " << s.at.z;
        ++compared;
    }
    EXPECT_GT(compared, 40);
    // The crater end was unknown while the strand filled, then steady.
    EXPECT_TRUE(std::isnan(moments[10].craterEnd));
}

// A slow-down from 2.0 to 1.2 m/min for 3 minutes and back: the crater end moves up the strand and
// comes back to its steady place; the surface just below the mould cools while the strand goes slowly.
TEST(Strand, SlowDownShortensTheCraterAndCoolsTheSurfaceThenRecovers) {
    Model base = Coarse();
    Schedule s;
    s.points = {{0, 2.0}, {12, 2.0}, {12.5, 1.2}, {15, 1.2}, {15.5, 2.0}};
    StrandOptions o;
    o.launch = 10;
    o.length = 14;
    o.durationMin = 30;
    o.pyrometers = {base.data.Lkrist + 0.1};
    const std::vector<StrandMoment> moments = RunAll(base, s, o);
    ASSERT_EQ(moments.size(), 181u);
    auto at = [&](double minutes) -> const StrandMoment& {
        return moments[static_cast<std::size_t>(minutes * 6)];
    };
    const double before = at(12).craterEnd, during = at(15).craterEnd, after = at(30).craterEnd;
    ASSERT_TRUE(std::isfinite(before) && std::isfinite(during) && std::isfinite(after));
    EXPECT_LT(during, before - 1.0) << "before " << before << " during " << during;
    EXPECT_NEAR(after, before, 0.05) << "before " << before << " after " << after;
    const double surfaceBefore = at(12).pyrometers[0].surfaceX, surfaceDuring = at(15).pyrometers[0].surfaceX;
    EXPECT_LT(surfaceDuring, surfaceBefore - 5) << "before " << surfaceBefore << " during " << surfaceDuring;
    EXPECT_NEAR(at(30).pyrometers[0].surfaceX, surfaceBefore, 0.5);
}

// Slices that travel under conditions that hold still are taken from one computed alike: the strand is
// the same to the last bit as when every slice is computed.
TEST(Strand, SteadySlicesTakenFromOneAlikeAreTheSameBits) {
    Model base = Coarse();
    Schedule s;
    s.points = {{0, 2.0}, {3, 2.0}, {3.5, 1.5}};
    StrandOptions o;
    o.length = 3;
    o.durationMin = 6;
    const std::vector<StrandMoment> reused = RunAll(base, s, o);
    o.reuseSteadySlices = false;
    const std::vector<StrandMoment> computed = RunAll(base, s, o);
    ASSERT_EQ(reused.size(), computed.size());
    for (std::size_t k = 0; k < reused.size(); ++k) {
        ASSERT_EQ(reused[k].slices.size(), computed[k].slices.size()) << "moment " << k;
        for (std::size_t j = 0; j < reused[k].slices.size(); ++j) {
            const ProfilePoint &a = reused[k].slices[j].at, &b = computed[k].slices[j].at;
            EXPECT_TRUE(a.z == b.z && a.surfaceX == b.surfaceX && a.corner == b.corner && a.centre == b.centre &&
                        a.shellX == b.shellX)
                << "moment " << k << " slice " << j;
        }
    }
}

TEST(Strand, RefusesWhatCannotRun) {
    Model base = Coarse();
    StrandOptions o;
    o.launch = 2.5; // not a whole number of 1 s steps
    EXPECT_NE(CheckStrand(base, Constant(2), o).find("кратен"), std::string::npos);
    o.launch = 10;
    Schedule bad;
    bad.points = {{0, 2}, {0, 1}};
    EXPECT_NE(CheckStrand(base, bad, o).find("строка 3"), std::string::npos) << CheckStrand(base, bad, o);
}

} // namespace
