// The case of a batch run given in the model's units: values the overrides left alone keep the base
// case's own text, and the list of inexact fields is exactly the fields the case cannot reproduce.
#include "cases/CaseBatch.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

using namespace korvel;

namespace {

bool Same(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

} // namespace

TEST(CaseOfModel, KeepsTheBaseAndNamesWhatCannotBeExact) {
    Case base;
    base.window.DlomX = 123.4;
    base.window.l3 = 1.83;
    CastingData baseData;
    AcceptDataWindow(base.window, baseData);

    // Overrides of values the window holds as the model does.
    Model m;
    m.data = baseData;
    m.data.Vlit = 1.77;
    m.data.Q4 = 0.5;
    m.params.L = 30;
    std::string inexact;
    Case c = CaseOfModel(base, baseData, m, inexact);
    EXPECT_EQ(inexact, "");
    EXPECT_TRUE(Same(c.window.DlomX, 123.4)) << "an untouched size keeps the base's value";
    EXPECT_TRUE(Same(c.window.l3, 1.83));
    EXPECT_EQ(c.window.Vlit, 1.77);
    EXPECT_EQ(c.params.L, 30);

    // Overrides of converted values: the case gives the model's values back, or says which it cannot.
    for (const double lend2 : {2.2, 2.3456789, 3.0000000000000004}) {
        for (const double tauEnd : {601.0, 1234.5678}) {
            m.data = baseData;
            m.data.Lend2 = lend2;
            m.data.TauEnd = tauEnd;
            m.data.HalfY = 0.0912345;
            c = CaseOfModel(base, baseData, m, inexact);
            CastingData back;
            AcceptDataWindow(c.window, back);
            std::string expected;
            const std::pair<const char*, double CastingData::*> fields[] = {{"Lend2", &CastingData::Lend2},
                                                                            {"Lend3", &CastingData::Lend3},
                                                                            {"Lend4", &CastingData::Lend4},
                                                                            {"HalfY", &CastingData::HalfY},
                                                                            {"TauEnd", &CastingData::TauEnd}};
            for (const auto& [name, f] : fields)
                if (!Same(back.*f, m.data.*f)) expected += (expected.empty() ? "" : ", ") + std::string(name);
            EXPECT_EQ(inexact, expected) << "Lend2 " << lend2 << ", TauEnd " << tauEnd;
            EXPECT_TRUE(Same(back.Lend1, m.data.Lend1));
            EXPECT_TRUE(Same(back.HalfX, m.data.HalfX));
        }
    }
}
