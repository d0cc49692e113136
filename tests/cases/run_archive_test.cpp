// The runs kept for comparison: at most six, oldest dropped first, named by case or by number, and
// the temperature profile against the distance from the meniscus.
#include "cases/RunArchive.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace {

std::vector<ChartSample> History(double t0) {
    std::vector<ChartSample> h;
    for (int k = 0; k <= 4; ++k)
        h.push_back({k * 60.0, t0 + 1, t0 + 2, t0 - k * 10.0, t0 - k * 20.0, 0, 0});
    return h;
}

} // namespace

TEST(RunArchive, KeepsTheLatestSixNamedByCaseOrNumber) {
    RunArchive a;
    KeyFigures k;
    k.completed = true;
    a.Add("", k, 1.5, History(1500));
    a.Add("плавка", k, 1.5, History(1500));
    a.Add("плавка", k, 1.5, History(1500));
    ASSERT_EQ(a.Runs().size(), 3u);
    EXPECT_EQ(a.Runs()[0].name, "Расчет 1");
    EXPECT_EQ(a.Runs()[1].name, "плавка");
    EXPECT_EQ(a.Runs()[2].name, "плавка (Расчет 3)");
    for (int n = 0; n < 5; ++n)
        a.Add("", k, 1.5, History(1500));
    ASSERT_EQ(a.Runs().size(), RunArchive::kCapacity);
    EXPECT_EQ(a.Runs().front().number, 3);
    EXPECT_EQ(a.Latest()->number, 8);
    EXPECT_EQ(a.Latest()->name, "Расчет 8");

    EXPECT_TRUE(a.Remove(5));
    EXPECT_FALSE(a.Remove(5));
    EXPECT_EQ(a.Find(5), nullptr);
    EXPECT_EQ(a.Runs().size(), 5u);
    // Numbers go on after a removal; a removed name is free again.
    a.Remove(3);
    EXPECT_EQ(a.Add("плавка", k, 1.5, {}).name, "плавка");
    EXPECT_EQ(a.Latest()->number, 9);
}

TEST(RunArchive, ProfileAgainstTheDistanceFromTheMeniscus) {
    RunArchive a;
    const ArchivedRun& r = a.Add("x", KeyFigures{}, 1.8, History(1400));
    const auto face = TemperatureProfile(r);
    ASSERT_EQ(face.size(), 5u);
    EXPECT_DOUBLE_EQ(face[2].first, 1.8 * 120 / 60); // 3.6 m after two minutes at 1.8 m/min
    EXPECT_EQ(face[2].second, 1400 - 20.0);
    EXPECT_EQ(TemperatureProfile(r, SectionPoint::MidFaceY)[4].second, 1400 - 80.0);
    EXPECT_EQ(TemperatureProfile(r, SectionPoint::Centre)[0].second, 1401.0);
    EXPECT_EQ(TemperatureProfile(r, SectionPoint::Corner)[0].second, 1402.0);
}
