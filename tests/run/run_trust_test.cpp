// A run's result depends only on its inputs: runs in one process repeat a fresh run bit for bit;
// the files are the same bytes in every locale; a run that goes numerically unstable is stopped.
#include "../model/StateCompare.h"
#include "../model/locale_helper.h"
#include "results/FileWrite.h"
#include "run/HeadlessRun.h"
#include "results/ResultsExport.h"
#include "model/RunInit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace korvel;

namespace {

Model StartValues() {
    Model m;
    AcceptDataWindow(DataWindowStartValues(), m.data);
    return m;
}

// Every per-node field and every run scalar, compared bit for bit.
void ExpectSameState(const Model& a, const Model& b) {
    const std::string difference = FirstStateDifference(a, b);
    EXPECT_TRUE(difference.empty()) << difference;
}

RunOutcome RunCase(Model& m, long long maxSteps = -1) {
    return RunHeadless(
        m, [](const Model&, bool) {}, maxSteps);
}

} // namespace

// Three runs in one model (completed, stopped half way in the spray zone, completed), then a fourth:
// the fourth equals a fresh run of the same case, bit for bit.
TEST(RunTrust, EveryRunEqualsAFreshRun) {
    Model shared = StartValues();
    shared.data.TauEnd = 60; // 1.5 m: through the mould into the first spray section
    ASSERT_EQ(RunCase(shared).end, RunEnd::Finished);
    shared.data.TauEnd = 240;
    ASSERT_EQ(RunCase(shared, 236).end, RunEnd::Stopped); // stopped at 118 s, 2.95 m
    // What the stopped run leaves behind is not the program-start state; the next run must not see it.
    EXPECT_NE(shared.state.Tenv, 0.0);
    EXPECT_NE(shared.state.AlfaSec, 0.0);
    shared.data.TauEnd = 60;
    ASSERT_EQ(RunCase(shared).end, RunEnd::Finished);
    shared.data.TauEnd = 90;
    ASSERT_EQ(RunCase(shared).end, RunEnd::Finished);

    Model fresh = StartValues();
    fresh.data.TauEnd = 90;
    ASSERT_EQ(RunCase(fresh).end, RunEnd::Finished);
    ExpectSameState(shared, fresh);
}

TEST(RunTrust, InitialisationResetsTheRunScalars) {
    Model m = StartValues();
    SizeState(m);
    m.state.Tenv = 25;
    m.state.EpsSurf = 0.8;
    m.state.KFace = 3;
    m.state.AlfaSec = 400;
    m.state.HDepth = 2;
    m.state.MouldK = 1.5;
    m.state.PFerro = 1e5;
    m.state.KDistC = 0.2;
    m.state.KDistS = 0.03;
    m.state.FlowDrive = 7;
    m.state.SweepX = 1;
    m.state.Tau = 33;
    InitialiseRun(m);
    Model fresh = StartValues();
    SizeState(fresh);
    InitialiseRun(fresh);
    ExpectSameState(m, fresh);
}

// The 130 mm billet at 2.0 m/min runs soundly on a 60 x 60 grid; on 80 x 80 it goes numerically
// unstable within 30 s and must be stopped instead of ending with a 10^12 °C corner.
TEST(RunTrust, UnstableRunIsStoppedNotReported) {
    auto billet = [](int n, double dt) {
        Model m = StartValues();
        m.data.HalfX = m.data.HalfY = 0.065;
        m.data.C = 0.42;
        m.data.Vlit = 2.0;
        m.data.Lkrist = 0.715;
        m.data.T0 = 1520;
        m.data.TauEnd = 30;
        m.params.L = m.params.M = n;
        m.params.Dt = dt;
        return m;
    };
    Model sound = billet(60, 0.5);
    EXPECT_EQ(RunCase(sound).end, RunEnd::Finished);
    EXPECT_TRUE(TemperaturesPhysical(sound));

    Model unstable = billet(80, 0.5);
    int shownAfterFailure = 0;
    bool lastShownPhysical = true;
    const RunOutcome out = RunHeadless(unstable, [&](const Model& s, bool) {
        lastShownPhysical = lastShownPhysical && TemperaturesPhysical(s);
        ++shownAfterFailure;
    });
    EXPECT_EQ(out.end, RunEnd::Unstable);
    EXPECT_LT(out.steps, 60);
    EXPECT_TRUE(lastShownPhysical); // the display never got the broken state
    NodeIndex where;
    EXPECT_FALSE(TemperaturesPhysical(unstable, &where));
    EXPECT_GE(where.i, 1);
    EXPECT_GE(where.j, 1);

    // Half the time step is what the message advises, and it helps here.
    Model halved = billet(80, 0.25);
    EXPECT_EQ(RunCase(halved).end, RunEnd::Finished);

    const std::string msg = UnstableRunMessage(out.steps, unstable.Z(), 0.5);
    EXPECT_NE(msg.find("шаге " + std::to_string(out.steps)), std::string::npos) << msg;
    EXPECT_NE(msg.find("неустойчив"), std::string::npos) << msg;
    EXPECT_NE(msg.find("0.25 с"), std::string::npos) << msg;
    EXPECT_NE(msg.find("грубая сетка"), std::string::npos) << msg;
}

TEST(RunTrust, PhysicalRangeBounds) {
    Model m = StartValues();
    m.params.L = m.params.M = 4;
    SizeState(m);
    InitialiseRun(m);
    EXPECT_TRUE(TemperaturesPhysical(m));
    m.state.Tem[4][4] = m.data.T0 + kMaxOverheat; // the bound itself is still steel
    m.state.Tem[1][1] = kAbsoluteZero;
    EXPECT_TRUE(TemperaturesPhysical(m));
    m.state.Tem[3][2] = m.data.T0 + kMaxOverheat + 1e-9;
    NodeIndex at;
    EXPECT_FALSE(TemperaturesPhysical(m, &at));
    EXPECT_EQ(at.i, 3);
    EXPECT_EQ(at.j, 2);
    m.state.Tem[3][2] = -274;
    EXPECT_FALSE(TemperaturesPhysical(m));
    m.state.Tem[3][2] = std::nan("");
    EXPECT_FALSE(TemperaturesPhysical(m));
}

TEST(RunTrust, RefusesDataWhoseFiguresWouldNotBeFinite) {
    Model m = StartValues();
    EXPECT_EQ(CheckRunInput(m.data, m.params), "");
    m.data.Vlit = 1e308; // the distance from the meniscus would be infinite
    EXPECT_NE(CheckRunInput(m.data, m.params), "");
    m = StartValues();
    m.params.SideFlag = 1000000;
    EXPECT_NE(CheckRunInput(m.data, m.params).find("SideFlag"), std::string::npos);
    m.params.SideFlag = -1;
    EXPECT_EQ(CheckRunInput(m.data, m.params), "");
    m.params.Dt = 1e-300; // more steps than any run can make
    EXPECT_NE(CheckRunInput(m.data, m.params), "");
    m.params.Dt = 0.5;
    EXPECT_EQ(PlannedSteps(m.data, m.params), 1200);
    m.data.TauEnd = -3;
    EXPECT_EQ(PlannedSteps(m.data, m.params), 0);
}

namespace {

struct CsvSet {
    std::vector<CsvFile> files;
};

CsvSet CsvOfShortRun(bool completed) {
    static Model m = [] {
        Model x = StartValues();
        x.params.L = 7;
        x.params.M = 5;
        x.data.TauEnd = 40;
        return x;
    }();
    static std::vector<ChartSample> history;
    static ResultsTracker tracker;
    static bool ran = false;
    if (!ran) {
        RunHeadless(
            m,
            [&](const Model& s, bool first) {
                if (!first) history.push_back(SampleChartNodes(s));
            },
            -1, &tracker);
        ran = true;
    }
    const DerivedResults r = tracker.Results(m);
    return {ResultsCsv(RunRecord{m, history, r, completed})};
}

} // namespace

// Under a Russian C library locale (decimal comma) the files are byte for byte those of the C locale.
TEST(RunTrust, CsvIsTheSameBytesInEveryLocale) {
    const std::string why = test_locale::EnsureRussianLocale();
    ASSERT_EQ(why, "") << "the Russian locale is needed for this test";
    ASSERT_TRUE(std::setlocale(LC_ALL, "C"));
    const CsvSet c = CsvOfShortRun(true);
    ASSERT_TRUE(std::setlocale(LC_ALL, test_locale::kRussian));
    ASSERT_EQ(test_locale::DecimalPoint(), ','); // the locale really is in force
    const CsvSet ru = CsvOfShortRun(true);
    std::setlocale(LC_ALL, "C");
    ASSERT_EQ(c.files.size(), ru.files.size());
    for (std::size_t k = 0; k < c.files.size(); ++k) {
        EXPECT_EQ(c.files[k].name, ru.files[k].name);
        EXPECT_EQ(c.files[k].text, ru.files[k].text) << c.files[k].name;
    }
    // Every row of every file has as many fields as its header.
    for (const CsvFile& f : ru.files) {
        std::istringstream in(f.text);
        std::string line;
        std::getline(in, line);
        const auto fields = std::count(line.begin(), line.end(), ',');
        while (std::getline(in, line))
            EXPECT_EQ(std::count(line.begin(), line.end(), ','), fields) << f.name << ": " << line;
    }
}

TEST(RunTrust, CsvCarriesTheCaseAndHowTheRunEnded) {
    const CsvSet done = CsvOfShortRun(true);
    const CsvSet stopped = CsvOfShortRun(false);
    ASSERT_EQ(done.files.front().name, "case.csv");
    const std::string& text = done.files.front().text;
    for (const CastingDataField& f : CastingDataFields())
        EXPECT_NE(text.find(std::string("\n") + f.key + ","), std::string::npos) << f.key;
    EXPECT_NE(text.find("\nT0,1515,C\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nVlit,1.5,m/min\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nLend1,1.2,m\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nDt,0.5,s\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nL,7,-\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nM,5,-\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nSideFlag,1,-\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nrun_completed,1,-\n"), std::string::npos) << text;
    EXPECT_NE(stopped.files.front().text.find("\nrun_completed,0,-\n"), std::string::npos);
    EXPECT_NE(stopped.files.back().text.find("\nrun_completed,0,-\n"), std::string::npos);
    EXPECT_EQ(FormatNumber(0.1, 17), "0.10000000000000001");
    EXPECT_EQ(FormatNumber(1.0 / 3, 10), "0.3333333333");
    EXPECT_EQ(FormatNumber(-1e-7, 10), "-1e-07");
}

namespace {

std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs f with the process's file size limit set to `bytes` (writes beyond fail with EFBIG).
template <class F> auto WithFileSizeLimit(rlim_t bytes, F f) {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    auto prev = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old;
    lim.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lim);
    auto result = f();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, prev);
    return result;
}

} // namespace

// A write that fails half way (here: a file grows past the size limit) leaves every old file as it
// was, adds none, leaves no temporaries, and says why in Russian.
TEST(RunTrust, FilesAreReplacedAllOrNone) {
    const auto dir = std::filesystem::temp_directory_path() / "korvel-all-or-none";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::vector<FileContent> old = {{(dir / "a.csv").string(), "old a\n"},
                                          {(dir / "c.csv").string(), "old c\n"}};
    ASSERT_EQ(WriteFilesAtomically(old), "");
    const std::vector<FileContent> next = {{(dir / "a.csv").string(), "new a\n"},
                                           {(dir / "b.csv").string(), std::string(1000, 'b')},
                                           {(dir / "c.csv").string(), std::string(9000, 'c')}};
    const std::string err = WithFileSizeLimit(4096, [&] { return WriteFilesAtomically(next); });
    EXPECT_NE(err.find("c.csv"), std::string::npos) << err;
    EXPECT_NE(err.find("файл превышает допустимый размер"), std::string::npos) << err;
    EXPECT_EQ(ReadAll(dir / "a.csv"), "old a\n");
    EXPECT_EQ(ReadAll(dir / "c.csv"), "old c\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "b.csv"));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 2); // no temporaries left behind

    EXPECT_EQ(WriteFilesAtomically(next), "");
    EXPECT_EQ(ReadAll(dir / "a.csv"), "new a\n");
    EXPECT_EQ(ReadAll(dir / "c.csv").size(), 9000u);

    const std::string missing = WriteFilesAtomically({{(dir / "no" / "x.csv").string(), "x"}});
    EXPECT_NE(missing.find("папка не существует"), std::string::npos) << missing;

    // A replaced file keeps its permissions; a new one is an ordinary file, not a private temporary.
    namespace fs = std::filesystem;
    fs::permissions(dir / "a.csv", fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    const mode_t mask = ::umask(0022);
    EXPECT_EQ(WriteFileAtomically((dir / "a.csv").string(), "again\n"), "");
    EXPECT_EQ(WriteFileAtomically((dir / "d.csv").string(), "d\n"), "");
    ::umask(mask);
    EXPECT_EQ(ReadAll(dir / "a.csv"), "again\n");
    EXPECT_EQ(fs::status(dir / "a.csv").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    EXPECT_EQ(fs::status(dir / "d.csv").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    const std::string one = WriteFileAtomically((dir / "no" / "y.csv").string(), "y");
    EXPECT_NE(one.find("не удалось записать файл «" + (dir / "no" / "y.csv").string() + "»"),
              std::string::npos)
        << one;
    EXPECT_NE(WriteFileAtomicallyErrno((dir / "no" / "y.csv").string(), "y"), 0);
    std::filesystem::remove_all(dir);
}

TEST(RunTrust, SystemReasonsInRussianWithTheRawText) {
    EXPECT_EQ(SystemErrorText(ENOSPC), std::string("на диске нет места (") + std::strerror(ENOSPC) + ")");
    EXPECT_NE(SystemErrorText(EACCES).find("нет прав"), std::string::npos);
    EXPECT_NE(SystemErrorText(EROFS).find("только для чтения"), std::string::npos);
    EXPECT_NE(SystemErrorText(ENOENT).find("не существует"), std::string::npos);
    // A path opened as it is may be a missing file rather than a missing folder.
    EXPECT_NE(SystemErrorText(ENOENT, true).find("нет такого файла или папки"), std::string::npos);
    EXPECT_NE(SystemErrorText(EILSEQ).find(std::strerror(EILSEQ)), std::string::npos);
}
