// Case files: what is saved comes back to the last bit, in any locale; every kind of bad file is
// refused with a message that names it and the problem, leaving the case in hand untouched; saving
// never leaves a half-written file.
#include "RussianLocale.h"
#include "cases/CaseFile.h"
#include "cases/StrictJson.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

using namespace korvel;
namespace fs = std::filesystem;

namespace {

// A case whose every value is awkward for a decimal text: thirds, sums that are not what they look
// like, a subnormal, a negative zero, the largest double.
Case AwkwardCase() {
    Case c;
    const double values[] = {1.0 / 3, 0.1 + 0.2, 160.00000000000003,  5e-324, -0.0, DBL_MAX, -DBL_MIN,
                             M_PI,    1e-7,      123456789.123456789, 2.5,    -7,   0.35,    1.0 / 7};
    int k = 0;
    for (const CaseField& f : CaseFields()) {
        if (!f.window) continue;
        const int n = int(std::size(values));
        SetCaseValue(c, f, values[k % n] / double(1 + 2 * (k / n)));
        ++k;
    }
    c.params.Dt = 0.1 + 0.7;
    c.params.L = 37;
    c.params.M = 100;
    c.params.SideFlag = -1;
    c.params.Boundary = BoundaryModel::Physical;
    c.params.MouldA = 2.0 / 3;
    c.params.Spray = SprayLaw::Sasaki;
    return c;
}

std::string FirstDifference(const Case& a, const Case& b) {
    for (const CaseField& f : CaseFields()) {
        const double x = GetCaseValue(a, f), y = GetCaseValue(b, f);
        if (std::bit_cast<std::uint64_t>(x) != std::bit_cast<std::uint64_t>(y)) {
            std::ostringstream s;
            s.precision(17);
            s << f.key << ": " << x << " != " << y;
            return s.str();
        }
    }
    return {};
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    if (at == std::string::npos) return "<" + from + " not found>";
    return text.replace(at, from.size(), to);
}

struct TempDir {
    fs::path path;
    TempDir() {
        char tmpl[] = "/tmp/korvel-case-test-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(CaseFile, SavedAndOpenedGivesEveryFieldToTheLastBit) {
    const Case c = AwkwardCase();
    ASSERT_EQ(CheckCase(c), "");
    Case back;
    std::string error;
    ASSERT_TRUE(CaseFromJson(CaseToJson(c), back, error)) << error;
    EXPECT_EQ(FirstDifference(c, back), "");
    EXPECT_EQ(back.params.L, 37);
    EXPECT_EQ(back.params.M, 100);
    EXPECT_EQ(back.params.SideFlag, -1);

    // Through a file, and with the data window's start values as well.
    TempDir dir;
    for (const Case& one : {c, Case{}}) {
        const std::string path = (dir.path / "a.korvel").string();
        ASSERT_TRUE(WriteCaseFile(path, one, error)) << error;
        Case read;
        ASSERT_TRUE(ReadCaseFile(path, read, error)) << error;
        EXPECT_EQ(FirstDifference(one, read), "");
    }
}

TEST(CaseFile, FileWithoutTheBoundaryModelOpensWithTheOriginalOne) {
    // A file written before the boundary model's fields: the same text without them.
    std::string text = CaseToJson(AwkwardCase());
    for (const CaseField& f : CaseFields()) {
        if (!f.optional) continue;
        const auto at = text.find(std::string(",\n    \"") + f.key + "\"");
        if (at == std::string::npos) continue; // a default value is not written
        text.erase(at, text.find('}', at) + 1 - at);
    }
    Case back;
    std::string error;
    ASSERT_TRUE(CaseFromJson(text, back, error)) << error;
    EXPECT_EQ(back.params.Boundary, BoundaryModel::Text);
    EXPECT_EQ(back.params.MouldA, ModelParams{}.MouldA);
    EXPECT_EQ(back.params.L, 37);
    // A value out of its range is refused with the field's name.
    EXPECT_FALSE(CaseFromJson(
        Replace(CaseToJson(AwkwardCase()), "\"Boundary\": {\"value\": 1", "\"Boundary\": {\"value\": 2"),
        back, error));
    EXPECT_NE(error.find("Boundary"), std::string::npos) << error;
}

TEST(CaseFile, SameBytesAndSameValuesUnderARussianLocale) {
    const Case c = AwkwardCase();
    const std::string classic = CaseToJson(c);
    test_locale::ClassicLocaleAtExit restore;
    if (!test_locale::UseRussianCLocale()) GTEST_SKIP() << "no ru_RU.UTF-8 locale and no localedef";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the locale should use a decimal comma";
    EXPECT_EQ(CaseToJson(c), classic);
    Case back;
    std::string error;
    ASSERT_TRUE(CaseFromJson(classic, back, error)) << error;
    EXPECT_EQ(FirstDifference(c, back), "");
}

TEST(CaseFile, TextIsVersionedWithNamedUnits) {
    const std::string text = CaseToJson(Case{});
    EXPECT_NE(text.find("\"format\": \"korvel-case\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"version\": 1,"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Vlit\": {\"value\": 1.5, \"unit\": \"м/мин\"}"), std::string::npos) << text;
    EXPECT_NE(text.find("\"DlomX\": {\"value\": 160, \"unit\": \"мм\"}"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Cr\": {\"value\": 0.35, \"unit\": \"%\"}"), std::string::npos) << text;
    EXPECT_NE(text.find("\"L\": {\"value\": 10, \"unit\": \"\"}"), std::string::npos) << text;
    nlohmann::json doc;
    JsonError error;
    ASSERT_TRUE(ParseStrictJson(text, doc, error)) << error.message;
    std::size_t required = 0; // the spray multipliers are written only when not 1
    for (const CaseField& f : CaseFields())
        required += !CaseFieldOptional(f);
    EXPECT_EQ(doc["fields"].size(), required);
}

TEST(CaseFile, EveryKindOfBadFileIsRefusedAndTheCaseKept) {
    const std::string good = CaseToJson(Case{});
    const std::string vlit = "\"Vlit\": {\"value\": 1.5, \"unit\": \"м/мин\"}";
    const std::string L = "\"L\": {\"value\": 10, \"unit\": \"\"}";
    const std::string side = "\"SideFlag\": {\"value\": 1, \"unit\": \"\"}";
    const struct {
        const char* what;
        std::string text;
        const char* message;
    } bad[] = {
        {"empty", "", "это не файл JSON"},
        {"cut short", good.substr(0, good.size() / 2), "это не файл JSON"},
        {"trailing comma", Replace(good, "\n  }\n}", ",\n  }\n}"), "это не файл JSON"},
        {"comment", "// case\n" + good, "это не файл JSON"},
        {"text after the object", good + "x", "лишний текст"},
        {"not UTF-8", Replace(good, "м/мин", "\xEC/\xEC\xE8\xED"), "UTF-8"},
        {"NaN literal", Replace(good, vlit, "\"Vlit\": {\"value\": NaN, \"unit\": \"м/мин\"}"),
         "это не файл JSON"},
        {"an array", "[1, 2]", "это не файл варианта"},
        {"another format", Replace(good, "korvel-case", "other"), "это не файл варианта"},
        {"unknown version", Replace(good, "\"version\": 1", "\"version\": 2"),
         "неизвестная версия формата 2"},
        {"no version", Replace(good, "\"version\": 1,", ""), "версия формата"},
        {"missing field", Replace(good, vlit + ",", ""), "нет поля «Vlit»"},
        {"unknown field", Replace(good, vlit, vlit + ", \"Vcast\": {\"value\": 1, \"unit\": \"\"}"),
         "неизвестное поле «Vcast»"},
        {"repeated field", Replace(good, vlit, vlit + ", " + vlit), "повторяется"},
        {"unknown section", Replace(good, "\"version\": 1,", "\"version\": 1, \"extra\": 0,"),
         "неизвестный раздел «extra»"},
        {"wrong unit", Replace(good, vlit, "\"Vlit\": {\"value\": 1.5, \"unit\": \"м/с\"}"),
         "единица «м/с», а должна быть «м/мин»"},
        {"string value", Replace(good, vlit, "\"Vlit\": {\"value\": \"1.5\", \"unit\": \"м/мин\"}"),
         "«Vlit» не является конечным числом"},
        {"null value", Replace(good, vlit, "\"Vlit\": {\"value\": null, \"unit\": \"м/мин\"}"),
         "«Vlit» не является конечным числом"},
        {"value beyond double", Replace(good, vlit, "\"Vlit\": {\"value\": 1e999, \"unit\": \"м/мин\"}"),
         "«Vlit» не является конечным числом"},
        {"bare number", Replace(good, vlit, "\"Vlit\": 1.5"), "должно быть объектом"},
        {"grid too small", Replace(good, L, "\"L\": {\"value\": 3, \"unit\": \"\"}"), "от 4 до 100"},
        {"grid too large", Replace(good, L, "\"L\": {\"value\": 101, \"unit\": \"\"}"), "от 4 до 100"},
        {"grid not whole", Replace(good, L, "\"L\": {\"value\": 10.5, \"unit\": \"\"}"), "целым числом"},
        {"side zero", Replace(good, side, "\"SideFlag\": {\"value\": 0, \"unit\": \"\"}"), "1 или -1"},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.what);
        Case kept = AwkwardCase();
        std::string error;
        EXPECT_FALSE(CaseFromJson(b.text, kept, error));
        EXPECT_NE(error.find(b.message), std::string::npos) << error;
        EXPECT_EQ(FirstDifference(kept, AwkwardCase()), "");
    }
    // A whole-number grid written with a fraction part is a whole number.
    Case c;
    std::string error;
    ASSERT_TRUE(CaseFromJson(Replace(good, L, "\"L\": {\"value\": 12.0, \"unit\": \"\"}"), c, error))
        << error;
    EXPECT_EQ(c.params.L, 12);
}

TEST(CaseFile, ReadingAFileNamesItInTheMessage) {
    TempDir dir;
    const std::string path = (dir.path / "плавка 7.korvel").string();
    std::ofstream(path) << "{\"format\": \"korvel-case\", \"version\": 3}";
    Case c;
    std::string error;
    EXPECT_FALSE(ReadCaseFile(path, c, error));
    EXPECT_NE(error.find("«" + path + "»"), std::string::npos) << error;
    EXPECT_NE(error.find("неизвестная версия формата 3"), std::string::npos) << error;

    EXPECT_FALSE(ReadCaseFile((dir.path / "none.korvel").string(), c, error));
    EXPECT_NE(error.find("нет такого файла или папки"), std::string::npos) << error;

    // A huge file is refused before it is parsed.
    const std::string big = (dir.path / "big.korvel").string();
    std::ofstream(big) << std::string(kMaxCaseFileBytes + 10, ' ');
    EXPECT_FALSE(ReadCaseFile(big, c, error));
    EXPECT_NE(error.find("слишком большой"), std::string::npos) << error;
    EXPECT_EQ(CaseNameOfPath(path), "плавка 7");
    EXPECT_EQ(CaseNameOfPath("/a/b.json"), "b.json");
}

TEST(CaseFile, SavingIsAtomicAndReportsTheReason) {
    TempDir dir;
    const fs::path path = dir.path / "a.korvel";
    std::string error;
    ASSERT_TRUE(WriteCaseFile(path.string(), Case{}, error)) << error;
    const std::string before = ReadAll(path);

    // A case the reader would refuse is not written, and the old file stays as it was.
    Case bad;
    bad.window.Vlit = NAN;
    EXPECT_FALSE(WriteCaseFile(path.string(), bad, error));
    EXPECT_NE(error.find("«Vlit» не является конечным числом"), std::string::npos) << error;
    bad = Case{};
    bad.params.L = 200;
    EXPECT_FALSE(WriteCaseFile(path.string(), bad, error));
    EXPECT_EQ(ReadAll(path), before);

    // No folder: the system's reason in Russian, and the file's name.
    const std::string nowhere = (dir.path / "no" / "b.korvel").string();
    EXPECT_FALSE(WriteCaseFile(nowhere, Case{}, error));
    EXPECT_NE(error.find(nowhere), std::string::npos) << error;
    EXPECT_NE(error.find("нет такого файла или папки"), std::string::npos) << error;
    // A folder in the way is not replaced.
    fs::create_directory(dir.path / "d.korvel");
    EXPECT_FALSE(WriteCaseFile((dir.path / "d.korvel").string(), Case{}, error));
    EXPECT_TRUE(fs::is_directory(dir.path / "d.korvel"));

    // Replacing keeps the file's permissions and leaves no temporary file behind.
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    Case other;
    other.window.Vlit = 2.25;
    ASSERT_TRUE(WriteCaseFile(path.string(), other, error)) << error;
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir.path))
        files += e.is_regular_file();
    EXPECT_EQ(files, 1);
    Case read;
    ASSERT_TRUE(ReadCaseFile(path.string(), read, error)) << error;
    EXPECT_EQ(read.window.Vlit, 2.25);
}

TEST(StrictJson, StrictGrammarWithinBounds) {
    nlohmann::json v;
    JsonError error;
    // Escapes, including a surrogate pair, decode to UTF-8.
    ASSERT_TRUE(ParseStrictJson(R"({"a": "x\"\\\/\n\u00e9\ud83d\ude00", "b": [true, false, null, -0.5e+2]})",
                                v, error))
        << error.message;
    EXPECT_EQ(v["a"].get<std::string>(), "x\"\\/\n\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(v["b"][3].get<double>(), -50);
    EXPECT_TRUE(ParseStrictJson("\xEF\xBB\xBF{}", v, error)) << "a byte-order mark is skipped";

    for (const char* text :
         {"{\"a\": 01}", "{\"a\": .5}", "{\"a\": 1.}", "{\"a\": +1}", "{\"a\": \"\x01\"}", "{\"a\": \"\\x\"}",
          "{\"a\": \"\\ud800\"}", "{'a': 1}", "{\"a\" 1}", "{\"a\": tru}", "\xC0\xAF", "\xED\xA0\x80",
          "{\"a\": Infinity}", "{} x", "{\"a\": 1, \"a\": 2}"}) {
        EXPECT_FALSE(ParseStrictJson(text, v, error)) << text;
        EXPECT_FALSE(error.message.empty());
    }
    // Where it went wrong, counted in characters.
    EXPECT_FALSE(ParseStrictJson("{\n  \"ключ\": ]\n}", v, error));
    EXPECT_EQ(error.message.rfind("строка 2, позиция 11:", 0), 0u) << error.message;

    // Deep nesting is refused, not a stack overflow.
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    EXPECT_FALSE(ParseStrictJson(deep, v, error));
    EXPECT_NE(error.message.find("вложенность"), std::string::npos) << error.message;
    const std::string ok = std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']');
    EXPECT_TRUE(ParseStrictJson(ok, v, error)) << error.message;

    // Many distinct keys, as in a hostile case file of the size limit, are read in linear time; a key
    // with an escape sequence is echoed escaped.
    std::string many = "{";
    for (int k = 0; k < 131566; ++k)
        many += (k ? ",\"" : "\"") + std::to_string(k) + "\":0";
    many += "}";
    EXPECT_TRUE(ParseStrictJson(many, v, error)) << error.message;
    Case c;
    std::string why;
    EXPECT_FALSE(CaseFromJson(R"({"format": "korvel-case", "version": 1, "\u001b[31m": 0})", c, why));
    EXPECT_NE(why.find("\\u001b[31m"), std::string::npos) << why;
}
