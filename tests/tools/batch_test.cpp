// korvel-batch run as a user runs it: what it refuses, what it writes and how, and how it ends.
#include "locale_helper.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct Result {
    int rc = -1;
    std::string out, err;
};

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Batch : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ =
            fs::temp_directory_path() /
            ("korvel-batch-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the batch runner through the shell: `prefix` before it (environment, ulimit), `args` after.
    Result Run(const std::string& args, const std::string& prefix = "") {
        const fs::path out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
        const std::string cmd =
            prefix + " " + KORVEL_BATCH + " " + args + " >'" + out.string() + "' 2>'" + err.string() + "'";
        const int status = std::system(("sh -c \"" + cmd + "\"").c_str());
        Result r;
        r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = ReadAll(out);
        r.err = ReadAll(err);
        fs::remove(out);
        fs::remove(err);
        return r;
    }
    fs::path dir_;
};

} // namespace

TEST_F(Batch, RefusesBadArgumentsWithExitTwo) {
    struct Case {
        const char* args;
        const char* says;
    } cases[] = {
        {"Vlit=1e308", "Скорость разливки"}, // results would be infinite
        {"SideFlag=1000000", "SideFlag"},    // only +1 or -1
        {"SideFlag=0", "SideFlag"},
        {"--json ''", "--json"}, // empty names
        {"--csv ''", "--csv"},
        {"--csv --builtin", "--builtin"}, // an option is no folder
        {"--json -x", "-x"},
        {"--json", "--json"}, // nothing after it
        {"T0=1e400", "T0"},   // beyond a double
        {"C=nan", "C"},
        {"Dt=1e-300", "шаг"}, // more steps than any run can make
        {"L=3", "X"},
        {"--boundary slab", "--boundary"},
        {"Boundary=2", "Boundary"},
        {"--boundary physical MouldA=0", "MouldA"},
    };
    for (const Case& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.rc, 2) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(r.out, "") << c.args;
    }
    const Result ok = Run("SideFlag=-1 SideFlag=+1 --steps 2");
    EXPECT_EQ(ok.rc, 0) << ok.err;
}

TEST_F(Batch, NamesTheBoundaryModel) {
    const fs::path json = dir_ / "p.json";
    const Result r = Run("--boundary physical TauEnd=60 L=8 M=8 --json '" + json.string() + "'");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.out.find("физические (physical)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("нагрев воды"), std::string::npos) << r.out;
    const std::string text = ReadAll(json);
    EXPECT_NE(text.find("\"boundary\": \"physical\""), std::string::npos);
    EXPECT_NE(text.find("\"mouldWaterRise\""), std::string::npos);
    const Result t = Run("--steps 2");
    EXPECT_NE(t.out.find("исходные (text)"), std::string::npos) << t.out;
}

TEST_F(Batch, HelpListsEveryExitCode) {
    const Result r = Run("--help");
    EXPECT_EQ(r.rc, 0);
    for (const char* code : {"  0 —", "  1 —", "  2 —", "  3 —"})
        EXPECT_NE(r.out.find(code), std::string::npos) << code;
}

// A JSON write that fails (the file grows past the size limit, as on a full disk) keeps the old file,
// exits 1 and says why in Russian.
TEST_F(Batch, JsonIsReplacedWholeOrNotAtAll) {
    const fs::path json = dir_ / "run.json";
    std::ofstream(json) << "old\n";
    const Result r = Run("--steps 20 --json '" + json.string() + "'", "trap '' XFSZ; ulimit -f 8;");
    EXPECT_EQ(r.rc, 1) << r.err;
    EXPECT_NE(r.err.find("JSON не записан"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("файл превышает допустимый размер"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(json), "old\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1); // no temporaries

    const Result missing = Run("--steps 2 --json '" + (dir_ / "none" / "x.json").string() + "'");
    EXPECT_EQ(missing.rc, 1);
    EXPECT_NE(missing.err.find("папка не существует"), std::string::npos) << missing.err;

    const Result good = Run("--steps 20 --json '" + json.string() + "'");
    EXPECT_EQ(good.rc, 0) << good.err;
    EXPECT_EQ(ReadAll(json).rfind("{\"format\": \"korvel-batch\", \"version\": 1,\n \"Tau\": 10,", 0), 0u);
}

// The CSV files of a run: case, history, four fields, results, profile along the machine, verdict.
constexpr std::ptrdiff_t kCsvFiles = 9;

// A CSV write that fails half way (the small files fit, a large field file does not) leaves every
// old file as it was and adds none.
TEST_F(Batch, CsvFilesAreReplacedAllOrNone) {
    const fs::path csv = dir_ / "csv";
    ASSERT_EQ(Run("--builtin L=4 M=4 --steps 10 --csv '" + csv.string() + "'").rc, 0);
    std::vector<std::pair<fs::path, std::string>> before;
    for (const auto& e : fs::directory_iterator(csv))
        before.emplace_back(e.path(), ReadAll(e.path()));
    ASSERT_EQ(static_cast<std::ptrdiff_t>(before.size()), kCsvFiles);
    const Result r = Run("L=60 M=60 --steps 10 --csv '" + csv.string() + "'", "trap '' XFSZ; ulimit -f 16;");
    EXPECT_EQ(r.rc, 1) << r.err;
    EXPECT_NE(r.err.find("CSV-файлы не записаны"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("файл превышает допустимый размер"), std::string::npos) << r.err;
    for (const auto& [path, text] : before)
        EXPECT_EQ(ReadAll(path), text) << path;
    EXPECT_EQ(std::distance(fs::directory_iterator(csv), fs::directory_iterator()), kCsvFiles);
    // The case of the new run is nowhere: its grid would say L,60.
    EXPECT_EQ(ReadAll(csv / "case.csv").find("\nL,60,"), std::string::npos);
}

// Every file is the same bytes under a Russian locale (decimal comma) as under the C locale.
TEST_F(Batch, FilesAreTheSameInEveryLocale) {
    const std::string why = korvel::test_locale::EnsureRussianLocale();
    ASSERT_EQ(why, "") << "the Russian locale is needed for this test";
    const char* loc = std::getenv("LOCPATH");
    const std::string locpath = loc ? std::string("LOCPATH='") + loc + "' " : std::string();
    const std::string args = "L=8 M=6 TauEnd=120";
    const Result c =
        Run(args + " --json '" + (dir_ / "c.json").string() + "' --csv '" + (dir_ / "c").string() + "'",
            "LC_ALL=C");
    const Result ru =
        Run(args + " --json '" + (dir_ / "ru.json").string() + "' --csv '" + (dir_ / "ru").string() + "'",
            locpath + "LC_ALL=ru_RU.UTF-8");
    ASSERT_EQ(c.rc, 0) << c.err;
    ASSERT_EQ(ru.rc, 0) << ru.err;
    // The locale was in force: the printed figures have a decimal comma.
    EXPECT_NE(ru.out.find("Расстояние от мениска, м:     3,00"), std::string::npos) << ru.out;
    EXPECT_NE(c.out.find("Расстояние от мениска, м:     3.00"), std::string::npos) << c.out;
    const std::string json = ReadAll(dir_ / "c.json");
    EXPECT_EQ(json, ReadAll(dir_ / "ru.json"));
    EXPECT_NE(json.find("\"Tau\": 120,"), std::string::npos);
    std::ptrdiff_t files = 0;
    for (const auto& e : fs::directory_iterator(dir_ / "c")) {
        EXPECT_EQ(ReadAll(e.path()), ReadAll(dir_ / "ru" / e.path().filename())) << e.path();
        ++files;
    }
    EXPECT_EQ(files, kCsvFiles);
}

// The 130 mm billet at 2.0 m/min on an 80 x 80 grid goes numerically unstable: the run is stopped with
// the advice, exit 3, and no files are written.
TEST_F(Batch, UnstableRunStopsWithAdvice) {
    const fs::path json = dir_ / "unstable.json";
    const Result r = Run("HalfX=0.065 HalfY=0.065 C=0.42 Vlit=2.0 Lkrist=0.715 T0=1520 L=80 M=80 TauEnd=30 "
                         "--json '" +
                         json.string() + "'");
    EXPECT_EQ(r.rc, 3) << r.out << r.err;
    EXPECT_NE(r.err.find("неустойчив"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("на шаге "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("расстояние от мениска"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("0.25 с вместо 0.5 с"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("грубая сетка"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(json));
    // The same case at 60 x 60 is sound.
    const Result sound =
        Run("HalfX=0.065 HalfY=0.065 C=0.42 Vlit=2.0 Lkrist=0.715 T0=1520 L=60 M=60 TauEnd=30");
    EXPECT_EQ(sound.rc, 0) << sound.err;
}

// The number of steps is announced before the run; a long run reports how far it has got.
// A step too long for the mould runs, warned on stderr, with the warning in the JSON, the verdict and
// the CSV; a sound case says nothing and its JSON holds a null warning.
TEST_F(Batch, StepTooLongIsRunWithAWarning) {
    const fs::path json = dir_ / "long.json", csv = dir_ / "csv";
    const Result r = Run("Dt=20 TauEnd=60 --json '" + json.string() + "' --csv '" + csv.string() + "'");
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.err.find("внимание: Шаг расчета 20 с слишком велик"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("не более 1.6 с"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("Внимание: Шаг расчета 20 с"), std::string::npos) << r.out;
    EXPECT_NE(ReadAll(json).find("\"warning\": \"Шаг расчета 20 с слишком велик"), std::string::npos);
    EXPECT_NE(ReadAll(csv / "verdict.csv").find("\nmouldSteps,1.6,20,,steps,warning\n"), std::string::npos);
    EXPECT_NE(ReadAll(csv / "case.csv").find("run_warning,\"Шаг расчета 20 с"), std::string::npos);

    const Result sound = Run("TauEnd=6 --json '" + json.string() + "'");
    EXPECT_EQ(sound.rc, 0) << sound.err;
    EXPECT_EQ(sound.err.find("внимание"), std::string::npos) << sound.err;
    EXPECT_NE(ReadAll(json).find("\"warning\": null"), std::string::npos);
}

TEST_F(Batch, AnnouncesStepsAndReportsProgress) {
    const Result shortRun = Run("--steps 30");
    EXPECT_EQ(shortRun.rc, 0);
    EXPECT_NE(shortRun.err.find("шагов расчета: 30 "), std::string::npos) << shortRun.err;
    // 6·10^11 steps: announced, then reported while it goes (stopped from outside after a while).
    const Result longRun = Run("Dt=1e-9", "LC_ALL=C timeout -s INT 8");
    EXPECT_NE(longRun.err.find("шагов расчета: 600000000000 "), std::string::npos) << longRun.err;
    EXPECT_NE(longRun.err.find(" из 600000000000 шагов"), std::string::npos) << longRun.err;
}
