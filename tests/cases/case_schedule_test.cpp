// A case file keeps its casting schedule to the last bit; a file without one opens as before; a bad
// schedule in a file is refused naming the point.
#include "cases/CaseFile.h"

#include <gtest/gtest.h>

using namespace korvel;

TEST(CaseSchedule, SavedAndOpenedWithTheCaseOrAbsent) {
    Case c;
    std::string error;
    Case plain;
    ASSERT_TRUE(CaseFromJson(CaseToJson(c), plain, error)) << error;
    EXPECT_TRUE(plain.schedule.Empty());
    EXPECT_EQ(CaseToJson(c).find("schedule"), std::string::npos);

    c.schedule.points = {{0, 2.0}, {3.5, 1.2, {1.25, NAN, 0.1, NAN}}, {7, 2.0}};
    Case back;
    ASSERT_TRUE(CaseFromJson(CaseToJson(c), back, error)) << error;
    EXPECT_TRUE(back.schedule == c.schedule) << CaseToJson(back);

    std::string text = CaseToJson(c);
    const std::string good = "{\"time_min\": 7, \"Vlit\": 2}";
    const std::size_t at = text.find(good);
    ASSERT_NE(at, std::string::npos) << text;
    Case kept = back;
    EXPECT_FALSE(CaseFromJson(text.replace(at, good.size(), "{\"time_min\": 3, \"Vlit\": 2}"), kept, error));
    EXPECT_NE(error.find("строка 3"), std::string::npos) << error;
    EXPECT_TRUE(kept.schedule == c.schedule);
}
