#include "model/SteelProperties.h"

#include <gtest/gtest.h>

using namespace korvel;

TEST(SteelProperties, DefaultSteelLiquidusAndSolidus) {
    const CastingData d;
    EXPECT_NEAR(Tliq(d, d.C, d.S), 1510.465, 1e-9);
    EXPECT_NEAR(Tsol(d, d.C, d.S), 1433.5735, 1e-9);
}
