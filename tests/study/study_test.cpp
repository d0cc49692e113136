#include "results/FileWrite.h"
#include "run/HeadlessRun.h"
#include "study/Study.h"
#include "study/StudyBatch.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>
#include <thread>

using namespace korvel;

namespace {

StudyInput Input(const std::string& text) {
    StudyInput in;
    std::string error;
    EXPECT_TRUE(ParseStudyInput(text, in, error)) << text << ": " << error;
    return in;
}

std::string Refusal(const std::string& text) {
    StudyInput in;
    std::string error;
    EXPECT_FALSE(ParseStudyInput(text, in, error)) << text << " was accepted";
    return error;
}

// A small 2 x 3 study: casting speed (outer) and the length of the second spray section (inner, in
// the data window's metres), on a 12 x 12 grid for 300 steps.
Study SmallStudy() {
    Study s;
    s.base.params.L = s.base.params.M = 12;
    s.inputs = {Input("Vlit=1.4,1.7"), Input("l2=0.8:1.2:0.2")};
    s.maxSteps = 300;
    return s;
}

// The key figures of one case, built and run the way the batch runner runs one case (the data
// window's start values accepted, the changes set, a results tracker following every step).
KeyFigures AloneRun(double vlit, double l2, long long steps, RunEnd& end) {
    Model m;
    DataWindowValues w = DataWindowStartValues();
    w.Vlit = vlit;
    w.l2 = l2;
    AcceptDataWindow(w, m.data);
    m.params.L = m.params.M = 12;
    ResultsTracker tracker;
    const RunOutcome out = RunHeadless(
        m, [](const Model&, bool) {}, steps, &tracker);
    end = out.end;
    return ComputeKeyFigures(m, tracker.Results(m), out.end == RunEnd::Finished);
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void ExpectSameFigures(const KeyFigures& a, const KeyFigures& b, const std::string& what) {
    EXPECT_EQ(a.completed, b.completed) << what;
    for (const StudyFigure& f : StudyFigures())
        EXPECT_TRUE(SameBits(f.get(a), f.get(b)))
            << what << " " << f.key << ": " << f.get(a) << " vs " << f.get(b);
}

} // namespace

TEST(StudyInputs, RangesGiveTheValuesAsTyped) {
    // 1.2 + 6 * 0.1 is not 1.8 in binary; the values must be the numbers the user means.
    const StudyInput vlit = Input("Vlit=1.2:1.8:0.1");
    ASSERT_EQ(vlit.values.size(), 7u);
    const double expected[] = {1.2, 1.3, 1.4, 1.5, 1.6, 1.7, 1.8};
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(vlit.values[k], expected[k]) << k;
    EXPECT_STREQ(vlit.field->key, "Vlit");

    EXPECT_EQ(Input("T0=1540:1500:-20").values, (std::vector<double>{1540, 1520, 1500}));
    EXPECT_EQ(Input("Q2=2:2:0").values, (std::vector<double>{2}));
    // A step that does not divide the range stops before TO.
    EXPECT_EQ(Input("DlomX=150:170:15").values, (std::vector<double>{150, 165}));
    EXPECT_EQ(Input("Dt=0.25,0.5,+1,1e-1").values, (std::vector<double>{0.25, 0.5, 1, 0.1}));
    EXPECT_EQ(Input("L=10:30:10").values, (std::vector<double>{10, 20, 30}));
    EXPECT_EQ(Input("SideFlag=1,-1").values, (std::vector<double>{1, -1}));
}

TEST(StudyInputs, BadInputsAreRefusedWithAReason) {
    EXPECT_NE(Refusal("Vlit").find("KEY=FROM:TO:STEP"), std::string::npos);
    EXPECT_NE(Refusal("=1,2").find("KEY=FROM:TO:STEP"), std::string::npos);
    EXPECT_NE(Refusal("Vlit=").find("KEY=FROM:TO:STEP"), std::string::npos);
    EXPECT_NE(Refusal("Speed=1,2").find("неизвестный параметр «Speed»"), std::string::npos);
    // Model-unit names of the batch runner are not case fields.
    EXPECT_NE(Refusal("HalfX=0.07,0.08").find("неизвестный параметр"), std::string::npos);
    EXPECT_NE(Refusal("Vlit=1,abc").find("«abc» не является числом"), std::string::npos);
    EXPECT_NE(Refusal("Vlit=1,,2").find("не является числом"), std::string::npos);
    EXPECT_NE(Refusal("Vlit=1.2:1.8").find("KEY=FROM:TO:STEP"), std::string::npos);
    EXPECT_NE(Refusal("Vlit=1.2:1.8:0").find("шаг не должен быть равен нулю"), std::string::npos);
    EXPECT_NE(Refusal("Vlit=1.2:1.8:-0.1").find("противоположную"), std::string::npos);
    EXPECT_NE(Refusal("Vlit=1.2:x:0.1").find("конец «x»"), std::string::npos);
    EXPECT_NE(Refusal("Vlit=0:1:1e-9").find("слишком много значений"), std::string::npos);
    EXPECT_NE(Refusal("Vlit=nan,1").find("не является числом"), std::string::npos);
    EXPECT_NE(Refusal("Vlit=inf:1:1").find("не является числом"), std::string::npos);
    EXPECT_NE(Refusal("L=10,10.5").find("целое число"), std::string::npos);
    EXPECT_NE(Refusal("SideFlag=0,1").find("1 и -1"), std::string::npos);
}

TEST(StudyInputs, DecimalCommaIsNotADecimalPoint) {
    // "1,5" is a list of two values, never one and a half, whatever the locale.
    EXPECT_EQ(Input("Vlit=1,5").values, (std::vector<double>{1, 5}));
}

TEST(StudyInputs, StudiesAreCheckedAsAWhole) {
    Study s;
    EXPECT_FALSE(CheckStudy(s).empty());
    s.inputs = {Input("Vlit=1,2"), Input("Vlit=3,4")};
    EXPECT_NE(CheckStudy(s).find("дважды"), std::string::npos);
    s.inputs = {Input("Vlit=0:9999:1"), Input("T0=0:9999:1")};
    EXPECT_NE(CheckStudy(s).find("слишком много расчетов"), std::string::npos) << CheckStudy(s);
    s.inputs = {Input("Vlit=1,2"), Input("T0=1500,1510,1520")};
    EXPECT_EQ(CheckStudy(s), "");
}

TEST(StudyRuns, TheLastInputVariesFastest) {
    const Study s = SmallStudy();
    ASSERT_EQ(StudyRunCount(s), 6u);
    EXPECT_EQ(StudyRunValues(s, 0), (std::vector<double>{1.4, 0.8}));
    EXPECT_EQ(StudyRunValues(s, 2), (std::vector<double>{1.4, 1.2}));
    EXPECT_EQ(StudyRunValues(s, 3), (std::vector<double>{1.7, 0.8}));
    EXPECT_EQ(StudyRunValues(s, 5), (std::vector<double>{1.7, 1.2}));
    const Case c = StudyRunCase(s, 4);
    EXPECT_EQ(c.window.Vlit, 1.7);
    EXPECT_EQ(c.window.l2, 1.0);
    EXPECT_EQ(c.window.T0, DataWindowStartValues().T0);
    EXPECT_EQ(c.params.L, 12);
}

TEST(StudyRuns, EveryRowIsTheSameCaseRunAloneToTheLastBit) {
    const Study s = SmallStudy();
    for (int jobs : {1, 2, 3, -1}) {
        // -1: one thread at background priority.
        StudyRunner runner(s, {0, StudyRunCount(s)}, std::max(jobs, 1));
        runner.SetBackground(jobs < 0);
        std::vector<std::size_t> order;
        runner.Run([&](const StudyRow& row, std::size_t done, std::size_t total) {
            order.push_back(row.index);
            EXPECT_EQ(done, order.size());
            EXPECT_EQ(total, 6u);
            // The share done counts every finished run and the parts of those going.
            EXPECT_GE(runner.DoneShare(), double(done) / 6 - 1e-12) << done;
        });
        EXPECT_EQ(runner.DoneShare(), 1.0);
        ASSERT_EQ(runner.Rows().size(), 6u);
        EXPECT_EQ(order, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5})) << jobs << " jobs";
        for (const StudyRow& row : runner.Rows()) {
            RunEnd end{};
            const KeyFigures alone = AloneRun(row.inputs[0], row.inputs[1], 300, end);
            EXPECT_EQ(row.status, StudyRunStatus::Stopped);
            EXPECT_EQ(row.steps, 300);
            ExpectSameFigures(row.figures, alone,
                              std::to_string(jobs) + " jobs, run " + std::to_string(row.index + 1));
        }
        // The runs differ, so equal rows are not an accident of an ignored input.
        auto differ = [&](std::size_t a, std::size_t b) {
            for (const StudyFigure& f : StudyFigures())
                if (!SameBits(f.get(runner.Rows()[a].figures), f.get(runner.Rows()[b].figures))) return true;
            return false;
        };
        EXPECT_TRUE(differ(0, 1));
        EXPECT_TRUE(differ(1, 2));
        EXPECT_TRUE(differ(0, 3));
    }
}

TEST(StudyRuns, AWholeRunCompletesWithItsFigures) {
    Study s;
    s.base.params.L = s.base.params.M = 8;
    s.inputs = {Input("Vp=1")};
    StudyRunner runner(s, {0, 1}, 2);
    runner.Run();
    ASSERT_EQ(runner.Rows().size(), 1u);
    const StudyRow& row = runner.Rows()[0];
    EXPECT_EQ(row.status, StudyRunStatus::Completed);
    EXPECT_TRUE(row.figures.completed);
    EXPECT_NEAR(row.figures.tau, 60, 1e-9) << row.figures.tau;
    EXPECT_EQ(row.steps, 120);
    EXPECT_GT(row.figures.mouldExitShell, 1) << row.figures.mouldExitShell;
}

TEST(StudyRuns, RefusedRunsAreRowsNotTheEndOfTheStudy) {
    Study s;
    s.base.params.L = s.base.params.M = 6;
    s.maxSteps = 20;
    s.inputs = {Input("Vlit=0,1.5"), Input("L=3,6")};
    StudyRunner runner(s, {0, StudyRunCount(s)}, 2);
    runner.Run();
    const auto& rows = runner.Rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].status, StudyRunStatus::Refused);
    EXPECT_NE(rows[0].message.find("Скорость разливки"), std::string::npos) << rows[0].message;
    EXPECT_EQ(rows[1].status, StudyRunStatus::Refused);
    EXPECT_EQ(rows[2].status, StudyRunStatus::Refused);
    EXPECT_NE(rows[2].message.find("вне диапазона 4..100"), std::string::npos) << rows[2].message;
    EXPECT_EQ(rows[3].status, StudyRunStatus::Stopped);
    EXPECT_EQ(rows[3].steps, 20);
    // A refused row has no figures in the CSV, only its reason.
    const std::string line = StudyCsvLine(rows[0]);
    EXPECT_EQ(line.rfind("1,0,3,refused,,,,,,,,0,", 0), 0u) << line;
    EXPECT_NE(line.find("Скорость разливки"), std::string::npos) << line;
}

// A row that goes unstable gets the single run's message and advice; a row run with a step too long
// for the mould is done, with the warning in its message.
TEST(StudyRuns, UnstableAndWarnedRowsSayWhyAndWhatToChoose) {
    Study s;
    s.base.window.DlomX = s.base.window.DlomY = 130;
    s.base.window.C = 0.42;
    s.base.window.Vlit = 2.0;
    s.base.window.Lkrist = 0.715;
    s.base.window.T0 = 1520;
    s.base.window.Vp = 0.5;
    s.inputs = {Input("L=80,10")};
    s.base.params.M = 80;
    s.maxSteps = 40;
    StudyRunner runner(s, {0, StudyRunCount(s)}, 1);
    runner.Run();
    const auto& rows = runner.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].status, StudyRunStatus::Unstable);
    for (const char* part : {"неустойчив", "на шаге ", "вдвое", "0.2 с вместо 0.5 с", "грубая сетка"})
        EXPECT_NE(rows[0].message.find(part), std::string::npos) << part << "\n" << rows[0].message;
    EXPECT_NE(StudyCsvLine(rows[0]).find(",unstable,"), std::string::npos) << StudyCsvLine(rows[0]);

    Study slow = s;
    slow.base.params.M = 10;
    slow.inputs = {Input("Dt=0.5,8")};
    StudyRunner second(slow, {0, StudyRunCount(slow)}, 1);
    second.Run();
    ASSERT_EQ(second.Rows().size(), 2u);
    EXPECT_FALSE(second.Rows()[0].warned) << second.Rows()[0].message;
    const StudyRow& warned = second.Rows()[1];
    EXPECT_TRUE(warned.warned);
    EXPECT_EQ(warned.status, StudyRunStatus::Completed);
    EXPECT_NE(warned.message.find("Шаг расчета 8 с слишком велик"), std::string::npos) << warned.message;
}

TEST(StudyParts, SlicesCoverTheStudyOnceInOrder) {
    for (std::size_t total : {0u, 1u, 2u, 5u, 6u, 7u, 24u, 101u}) {
        for (int n = 1; n <= 8; ++n) {
            std::size_t expectFirst = 0, smallest = total, largest = 0;
            for (int k = 1; k <= n; ++k) {
                const StudySlice part = StudyPart(total, k, n);
                EXPECT_EQ(part.first, expectFirst) << total << " " << k << "/" << n;
                expectFirst = part.last;
                smallest = std::min(smallest, part.last - part.first);
                largest = std::max(largest, part.last - part.first);
            }
            EXPECT_EQ(expectFirst, total) << total << " in " << n;
            EXPECT_LE(largest - smallest, 1u) << total << " in " << n;
        }
    }
}

TEST(StudyParts, ThreePartsGiveTheWholeStudysRows) {
    const Study s = SmallStudy();
    StudyRunner whole(s, {0, StudyRunCount(s)}, 2);
    whole.Run();
    std::string joined;
    for (int k = 1; k <= 3; ++k) {
        StudyRunner part(s, StudyPart(StudyRunCount(s), k, 3), 2);
        part.Run();
        EXPECT_EQ(part.Rows().size(), 2u);
        joined += StudyCsv(s, part.Rows(), false);
    }
    EXPECT_EQ(joined, StudyCsv(s, whole.Rows(), false));
}

TEST(StudyParts, PartArguments) {
    int k = 0, n = 0;
    std::string error;
    EXPECT_TRUE(ParseStudyPart("2/3", k, n, error));
    EXPECT_EQ(k, 2);
    EXPECT_EQ(n, 3);
    for (const char* bad : {"0/3", "4/3", "3", "a/3", "1/0", "-1/3", "1/3x", ""}) {
        EXPECT_FALSE(ParseStudyPart(bad, k, n, error)) << bad;
        EXPECT_NE(error.find("K/N"), std::string::npos) << bad << ": " << error;
    }
}

TEST(StudyCancel, NoRunStartsAfterCancelAndTheRowsDoneStay) {
    Study s = SmallStudy();
    s.maxSteps = 100;
    s.inputs = {Input("Vlit=1.3:1.8:0.1"), Input("l2=0.8:1.2:0.2")}; // 18 runs
    for (int jobs : {1, 2}) {
        StudyRunner runner(s, {0, StudyRunCount(s)}, jobs);
        std::size_t startedAtCancel = 0;
        runner.Run([&](const StudyRow&, std::size_t done, std::size_t) {
            if (done == 2) {
                runner.Cancel();
                startedAtCancel = runner.RunsStarted();
            }
        });
        EXPECT_TRUE(runner.Cancelled());
        // Only the runs already going when the study was cancelled were finished.
        EXPECT_EQ(runner.RunsStarted(), startedAtCancel) << jobs;
        const auto& rows = runner.Rows();
        // Every run that had started when the study was cancelled ran to its end and left its row.
        EXPECT_EQ(rows.size(), startedAtCancel) << jobs;
        ASSERT_GE(rows.size(), 2u);
        ASSERT_LT(rows.size(), StudyRunCount(s));
        if (jobs == 1) {
            EXPECT_EQ(rows.size(), 2u);
        }
        for (std::size_t k = 0; k < rows.size(); ++k) {
            EXPECT_EQ(rows[k].index, k);
            EXPECT_EQ(rows[k].status, StudyRunStatus::Stopped);
        }
    }
}

TEST(StudyCancel, CancelFromAnotherThread) {
    Study s = SmallStudy();
    s.inputs = {Input("Vlit=1:2:0.05")}; // 21 runs
    StudyRunner runner(s, {0, StudyRunCount(s)}, 2);
    std::mutex mutex;
    std::condition_variable firstRow;
    bool seen = false, cancelled = false;
    std::thread worker([&] {
        runner.Run([&](const StudyRow&, std::size_t, std::size_t) {
            std::unique_lock lock(mutex);
            seen = true;
            firstRow.notify_all();
            // The first row holds the study until the other thread has cancelled it: however fast the
            // runs are, the study cannot finish before.
            firstRow.wait(lock, [&] { return cancelled; });
        });
    });
    std::size_t started = 0;
    {
        std::unique_lock lock(mutex);
        firstRow.wait(lock, [&] { return seen; });
        runner.Cancel();
        started = runner.RunsStarted();
        cancelled = true;
        firstRow.notify_all();
    }
    worker.join();
    EXPECT_EQ(runner.RunsStarted(), started);
    EXPECT_EQ(runner.Rows().size(), started);
    EXPECT_LT(runner.Rows().size(), 21u);
}

TEST(StudyCsv, HeaderRowsAndNumbers) {
    Study s;
    s.inputs = {Input("Vlit=1.5"), Input("Q2=2.2")};
    StudyRow row;
    row.index = 6;
    row.inputs = {1.5, 2.2};
    row.status = StudyRunStatus::Completed;
    row.steps = 1200;
    row.figures.completed = true;
    row.figures.metallurgicalLength = NAN; // the centre did not solidify
    row.figures.mouldExitShell = 12.25;
    row.figures.maxReheat = 0.1;
    row.figures.centreCarbonRatio = 1.0 / 3;
    row.figures.centreSulphurRatio = 1;
    row.figures.centreTemperature = 1480.5;
    row.figures.tau = 600;
    // The figures must read the same under a locale with a decimal comma.
    std::locale old;
    bool russian = false;
    for (const char* name : {"ru_RU.UTF-8", "ru_RU.utf8", "de_DE.UTF-8"}) {
        try {
            old = std::locale::global(std::locale(name));
            std::setlocale(LC_ALL, name);
            russian = true;
            break;
        } catch (const std::runtime_error&) {
        }
    }
    const std::string csv = StudyCsv(s, {row});
    if (russian) {
        std::locale::global(old);
        std::setlocale(LC_ALL, "C");
    }
    EXPECT_EQ(csv, "run,Vlit,Q2,status,metallurgicalLength,mouldExitShell,maxReheat,centreCarbonRatio,"
                   "centreSulphurRatio,centreTemperature,tau,steps,message\n"
                   "7,1.5,2.2,completed,,12.25,0.1,0.3333333333333333,1,1480.5,600,1200,\n");
    // Every figure reads back to the same bits.
    row.message = "a, \"b\"";
    row.status = StudyRunStatus::NotFinite;
    EXPECT_EQ(StudyCsvLine(row), "7,1.5,2.2,not-finite,,,,,,,,1200,\"a, \"\"b\"\"\"\n");
}

TEST(StudyFiles, WrittenWholeOrNotAtAll) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("korvel-study-test-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "study.csv").string();
    EXPECT_EQ(WriteFileAtomically(path, "old\n"), "");
    EXPECT_EQ(WriteFileAtomically(path, "new\n"), "");
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "new\n");
    // Nothing but the file itself is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()),
              1);
    const std::string missing = (dir / "no-such-folder" / "study.csv").string();
    const std::string error = WriteFileAtomically(missing, "x");
    EXPECT_NE(error.find("не удалось записать файл"), std::string::npos) << error;
    EXPECT_NE(error.find(missing), std::string::npos) << error;
    // A folder in the way is not replaced.
    std::filesystem::create_directories(dir / "taken");
    EXPECT_NE(WriteFileAtomically((dir / "taken").string(), "x"), "");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()),
              2);
    std::filesystem::remove_all(dir);
}

TEST(StudyBatch, OverridesAreCaseFieldsInTheWindowsUnits) {
    BatchStudyRequest r;
    r.overrides = {{"DlomX", 150}, {"L", 12}};
    r.sweeps = {"Vlit=1.4,1.6"};
    Study s;
    std::string error;
    ASSERT_TRUE(BuildBatchStudy(r, s, error)) << error;
    EXPECT_EQ(s.base.window.DlomX, 150);
    EXPECT_EQ(s.base.params.L, 12);
    EXPECT_EQ(StudyRunCount(s), 2u);

    // The model's keys are taken too, in the model's units; one quantity under both names is not.
    r.overrides = {{"HalfX", 0.08}, {"TauEnd", 90}, {"Lend2", 3.0}};
    ASSERT_TRUE(BuildBatchStudy(r, s, error)) << error;
    EXPECT_EQ(s.base.window.DlomX, 160);
    EXPECT_EQ(s.base.window.Vp, 1.5);
    EXPECT_NEAR(s.base.window.Lkrist + s.base.window.l1 + s.base.window.l2, 3.0, 1e-12);
    r.overrides = {{"HalfX", 0.08}, {"DlomX", 160}};
    EXPECT_FALSE(BuildBatchStudy(r, s, error));
    EXPECT_NE(error.find("одну величину"), std::string::npos) << error;
    r.overrides = {{"Foo", 1}};
    EXPECT_FALSE(BuildBatchStudy(r, s, error));
    EXPECT_NE(error.find("неизвестный параметр «Foo»"), std::string::npos) << error;
    r.overrides = {{"M", 10.5}};
    EXPECT_FALSE(BuildBatchStudy(r, s, error));
    EXPECT_NE(error.find("целое"), std::string::npos) << error;
    r.overrides.clear();
    r.sweeps = {"Vlit=1,2", "Vlit=3"};
    EXPECT_FALSE(BuildBatchStudy(r, s, error));
    EXPECT_EQ(error.rfind("--sweep: ", 0), 0u) << error;
    r.sweeps = {"Vlit=1:2:0"};
    EXPECT_FALSE(BuildBatchStudy(r, s, error));
    EXPECT_EQ(error.rfind("--sweep: Vlit=1:2:0: ", 0), 0u) << error;
}
