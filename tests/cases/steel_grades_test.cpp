#include "cases/SteelGrades.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace korvel;

namespace {
double roundTo(double v, int decimals) {
    const double s = std::pow(10.0, decimals);
    return std::round(v * s) / s;
}
} // namespace

TEST(SteelGrades, TypicalCompositionIsTheMiddleOfTheStandardsRanges) {
    const std::vector<SteelGrade>& g = SteelGrades();
    ASSERT_EQ(g.size(), 7u);
    std::set<std::string> names;
    for (const SteelGrade& s : g) {
        names.insert(s.name);
        EXPECT_FALSE(s.standard.empty()) << s.name;
        for (const ElementRange& r : {s.C, s.Mn, s.Si, s.S, s.P, s.Cr, s.Ni, s.Cu, s.Al, s.V, s.Mg})
            EXPECT_TRUE(r.lo >= 0 && r.lo <= r.hi && r.hi < 2) << s.name << " " << r.lo << ".." << r.hi;
    }
    EXPECT_EQ(names, (std::set<std::string>{"Ст3сп", "20", "45", "09Г2С", "35ГС", "25Г2С", "40Х"}));

    // Ст3сп, ГОСТ 380-2005: C 0.14-0.22, Mn 0.40-0.65, Si 0.15-0.30, S <= 0.050, P <= 0.040.
    const DataWindowValues start = DataWindowStartValues();
    const DataWindowValues st3 = WithGradeChemistry(start, g[0]);
    EXPECT_NEAR(st3.C, 0.18, 1e-12);
    EXPECT_NEAR(st3.Mn, 0.525, 1e-12);
    EXPECT_NEAR(st3.Si, 0.225, 1e-12);
    EXPECT_NEAR(st3.S, 0.025, 1e-12);
    EXPECT_NEAR(st3.P, 0.020, 1e-12);
    EXPECT_NEAR(st3.Cr, 0.15, 1e-12);
    EXPECT_EQ(st3.Al, 0.0);
    // 40Х, ГОСТ 4543-2016: Cr 0.80-1.10.
    EXPECT_NEAR(WithGradeChemistry(start, g[6]).Cr, 0.95, 1e-12);
    // Everything but the chemistry is kept, hydrogen included.
    EXPECT_EQ(st3.H2, start.H2);
    EXPECT_EQ(st3.T0, start.T0);
    EXPECT_EQ(st3.DlomX, start.DlomX);
    EXPECT_EQ(st3.l4, start.l4);
}

TEST(SteelGrades, GradeIsRecognisedFromTheFieldsAsTheyShowIt) {
    const std::vector<SteelGrade>& g = SteelGrades();
    const DataWindowValues start = DataWindowStartValues();
    EXPECT_EQ(GradeOfChemistry(start), -1);
    for (size_t k = 0; k < g.size(); ++k) {
        DataWindowValues w = WithGradeChemistry(start, g[k]);
        EXPECT_EQ(GradeOfChemistry(w), int(k)) << g[k].name;
        // The fields show two decimals (three for phosphorus).
        for (double DataWindowValues::*m :
             {&DataWindowValues::C, &DataWindowValues::Mn, &DataWindowValues::Si, &DataWindowValues::S,
              &DataWindowValues::Cr, &DataWindowValues::Ni, &DataWindowValues::Cu})
            w.*m = roundTo(w.*m, 2);
        w.P = roundTo(w.P, 3);
        EXPECT_EQ(GradeOfChemistry(w), int(k)) << g[k].name;
        w.Mn += 0.02;
        EXPECT_EQ(GradeOfChemistry(w), -1) << g[k].name;
    }
}
