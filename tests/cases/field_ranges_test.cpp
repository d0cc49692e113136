// The physical ranges of the inputs, the number reader and text made safe to print.
#include "cases/Case.h"
#include "cases/FieldRanges.h"
#include "cases/NumberText.h"
#include "cases/PrintableText.h"
#include "model/SteelProperties.h"
#include "results/ResultsExport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace korvel;

TEST(NumberText, OneSignAndUnderflowReadAsZero) {
    double v = 99;
    EXPECT_FALSE(ParseDecimal("+-0.2", v));
    EXPECT_FALSE(ParseDecimal("-+0.2", v));
    EXPECT_FALSE(ParseDecimal("--1", v));
    EXPECT_FALSE(ParseDecimal("", v));
    EXPECT_FALSE(ParseDecimal("+", v));
    EXPECT_FALSE(ParseDecimal("1,5", v));
    EXPECT_FALSE(ParseDecimal("0x10", v));
    EXPECT_FALSE(ParseDecimal("1.5 ", v));
    EXPECT_EQ(v, 99); // untouched by a refusal
    ASSERT_TRUE(ParseDecimal("+7", v));
    EXPECT_EQ(v, 7);
    ASSERT_TRUE(ParseDecimal("-0.2", v));
    EXPECT_EQ(v, -0.2);
    ASSERT_TRUE(ParseDecimal("1e-400", v));
    EXPECT_EQ(v, 0);
    ASSERT_TRUE(ParseDecimal("-0.0001e-320", v));
    EXPECT_TRUE(v == 0 && std::signbit(v)) << v;
    ASSERT_TRUE(ParseDecimal("1e400", v));
    EXPECT_TRUE(std::isinf(v) && v > 0) << v;
    ASSERT_TRUE(ParseDecimal("-12345e400", v));
    EXPECT_TRUE(std::isinf(v) && v < 0) << v;
    ASSERT_TRUE(ParseDecimal("4.9e-324", v)); // the smallest double is a number, not an underflow
    EXPECT_GT(v, 0);
}

TEST(PrintableText, ControlsEscapedLongCutUtf8Kept) {
    EXPECT_EQ(PrintableText("\x1b[31mkey"), "\\u001b[31mkey");
    EXPECT_EQ(PrintableText(std::string("a\0b", 3)), "a\\u0000b");
    EXPECT_EQ(PrintableText("bad \xff\xc3 end"), "bad \\xff\\xc3 end");
    EXPECT_EQ(PrintableText("\xc2\x9b"
                            "2J"),
              "\\xc2\\x9b2J"); // the C1 control sequence introducer
    EXPECT_EQ(PrintableText("Скорость разливки, °C"), "Скорость разливки, °C");
    EXPECT_EQ(PrintableText(std::string(900 * 1024, 'k')), std::string(80, 'k') + "…");
    EXPECT_EQ(PrintableText("Ёжик", 2), "Ёж…");
}

// Every input has a range; the window's start values and the record's defaults lie inside.
TEST(FieldRanges, EveryInputHasARangeAndTheDefaultsFit) {
    for (const CaseField& f : CaseFields())
        EXPECT_NE(FindFieldRange(f.key), nullptr) << f.key;
    for (const CastingDataField& f : CastingDataFields())
        EXPECT_NE(FindFieldRange(f.key), nullptr) << f.key;
    for (const FieldRange& r : FieldRanges()) {
        EXPECT_LT(r.min, r.max) << r.key;
        EXPECT_GT(std::string(r.reason).size(), 5u) << r.key;
    }
    const ModelParams p;
    EXPECT_EQ(CheckWindowRanges(DataWindowStartValues(), &p), "");
    EXPECT_EQ(CheckDataRanges(CastingData{}, p), "");
    CastingData accepted;
    AcceptDataWindow(DataWindowStartValues(), accepted);
    EXPECT_EQ(CheckDataRanges(accepted, p), "");
}

// The values an audit found accepted, each refused naming its field and its value.
TEST(FieldRanges, ImpossibleValuesRefusedNamingTheField) {
    const struct {
        const char* key;
        double value;
        const char* says;
    } cases[] = {
        {"Vp", -10, "-10 мин вне диапазона"},
        {"C", -0.2, "-0.2 % вне диапазона 0..2 %"},
        {"S", -1, "S: значение -1 %"},
        {"H2", -1, "H2: значение -1 %"},
        {"Mn", 200, "200 % вне диапазона"},
        {"C", 1e300, "1e+300 %"},
        {"Q1", -5, "(Q1)"},
        {"Nn1", -8, "(Nn1)"},
        {"Nn2", 0.5, "нужно целое число"},
        {"Rkorvel", -14, "(Rkorvel)"},
        {"Lkrist", -0.8, "(Lkrist)"},
        {"Lzvo", -6, "(Lzvo)"},
        {"l2", -100, "(l2)"},
        {"DlomX", 1e300, "(DlomX)"},
        {"Lzvo", 0, "больше 0"},
        {"T0", 2500, "(T0)"},
        {"Vlit", 0, "(Vlit)"},
        {"DlomY", std::nan(""), "nan"},
        {"Dt", -1, "(Dt)"},
        {"L", 2147483648.0, "2147483648 вне диапазона 4..100"},
        {"SideFlag", 0, "SideFlag"},
        {"M", 4.5, "нужно целое число от 4 до 100"},
    };
    for (const auto& c : cases) {
        Case k;
        SetCaseValue(k, *FindCaseField(c.key), c.value);
        if (std::string(c.key) == "L" || std::string(c.key) == "M" || std::string(c.key) == "SideFlag") {
            // Whole-number parameters are checked before they can be set.
            const std::string why = CheckFieldValue(c.key, c.value, c.key);
            EXPECT_NE(why.find(c.says), std::string::npos) << c.key << ": " << why;
            continue;
        }
        const std::string why = CheckWindowRanges(k.window, &k.params);
        EXPECT_NE(why.find(c.says), std::string::npos) << c.key << "=" << c.value << ": " << why;
        // The same values in the model's units are refused as well.
        CastingData d;
        AcceptDataWindow(k.window, d);
        EXPECT_NE(CheckDataRanges(d, k.params), "") << c.key << "=" << c.value;
    }
}

TEST(FieldRanges, FieldsCheckedTogether) {
    DataWindowValues w = DataWindowStartValues();
    // A pouring temperature inside its range but below the solidus of this steel.
    w.C = 0.05;
    CastingData d;
    AcceptDataWindow(w, d);
    const double sol = Tsol(d, d.C, d.S);
    w.T0 = std::floor(sol) - 10;
    ASSERT_GE(w.T0, FindFieldRange("T0")->min) << sol;
    std::string why = CheckWindowRanges(w);
    EXPECT_NE(why.find("солидуса"), std::string::npos) << why;
    EXPECT_NE(why.find("(T0)"), std::string::npos) << why;
    w.T0 = std::ceil(sol) + 1;
    EXPECT_EQ(CheckWindowRanges(w), "");
    // Water without a nozzle; no water needs none.
    w = DataWindowStartValues();
    w.Nn1 = 0;
    why = CheckWindowRanges(w);
    EXPECT_NE(why.find("(Nn1)"), std::string::npos) << why;
    EXPECT_NE(why.find("форсунка"), std::string::npos) << why;
    w.Q1 = 0;
    EXPECT_EQ(CheckWindowRanges(w), "");
    // More alloy than iron.
    w = DataWindowStartValues();
    w.Ni = 40, w.Cr = 20;
    why = CheckWindowRanges(w);
    EXPECT_NE(why.find("сумма элементов"), std::string::npos) << why;
    // The window names a field by its caption.
    w = DataWindowStartValues();
    w.Vlit = -1;
    why = CheckWindowRanges(w, nullptr,
                            [](const FieldRange& r) { return std::string("Поле <") + r.key + ">"; });
    EXPECT_EQ(why.rfind("Поле <Vlit>: значение -1 м/мин вне диапазона 0.1..10 м/мин", 0), 0u) << why;
}
