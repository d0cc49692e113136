#include "results/StepCheck.h"

#include <gtest/gtest.h>

using namespace korvel;

// The mould of the start values (0.8 m at 1.5 m/min) takes 32 s: 64 steps of 0.5 s; 20 steps need
// at most 1.6 s. The 160 mm billet needs 8 nodes per half for cells of 10 mm.
TEST(StepCheck, StepsInTheMouldAndCellsOfTheGrid) {
    CastingData d;
    ModelParams p;
    StepCheck c = CheckStep(d, p);
    EXPECT_TRUE(c.Ok()) << c.message;
    EXPECT_TRUE(c.message.empty());
    EXPECT_DOUBLE_EQ(c.mouldSteps, 64);
    EXPECT_DOUBLE_EQ(c.maxDt, 1.6);
    EXPECT_DOUBLE_EQ(c.cellMm, 8);

    p.Dt = 1.6; // exactly 20 steps
    EXPECT_TRUE(CheckStep(d, p).Ok()) << CheckStep(d, p).message;

    // 20 s: 1.6 steps in the mould, the metallurgical length 6.94 m instead of 12.77 m.
    p.Dt = 20;
    c = CheckStep(d, p);
    EXPECT_TRUE(c.stepTooLong);
    EXPECT_FALSE(c.gridTooCoarse);
    for (const char* part : {"Шаг расчета 20 с слишком велик", "за 1.6 шага", "не менее 20 шагов",
                             "Выберите шаг расчета не более 1.6 с"})
        EXPECT_NE(c.message.find(part), std::string::npos) << part << "\n" << c.message;

    // 80 s over 0.5 min: one step, less than half of it in the mould.
    p.Dt = 80;
    EXPECT_NE(CheckStep(d, p).message.find("за 0.4 шага"), std::string::npos) << CheckStep(d, p).message;

    // A 4 x 6 grid of the 160 mm billet: cells of 20 mm.
    p.Dt = 0.5;
    p.L = 4;
    p.M = 6;
    c = CheckStep(d, p);
    EXPECT_FALSE(c.stepTooLong);
    EXPECT_TRUE(c.gridTooCoarse);
    EXPECT_DOUBLE_EQ(c.cellMm, 20);
    EXPECT_NE(c.message.find("ячейка толщиной 20 мм"), std::string::npos) << c.message;
    EXPECT_NE(c.message.find("не менее 8 узлов по оси X и 8 по оси Y"), std::string::npos) << c.message;

    // A fast, short mould: the advice keeps two significant digits below 0.1 s.
    d.Lkrist = 0.1;
    d.Vlit = 6;
    p.L = p.M = 10;
    c = CheckStep(d, p);
    EXPECT_TRUE(c.stepTooLong);
    EXPECT_DOUBLE_EQ(c.maxDt, 0.05);
    EXPECT_NE(c.message.find("не более 0.05 с"), std::string::npos) << c.message;
}
