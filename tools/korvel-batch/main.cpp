// korvel-batch: one run of the model without any window, as the program's first run makes it.

#include "BatchJson.h"
#include "BatchOptions.h"
#include "StrandBatch.h"
#include "Version.h"
#include "cases/CaseBatch.h"
#include "cases/CaseFile.h"
#include "cases/Overrides.h"
#include "cases/PrintableText.h"
#include "design/DesignBatch.h"
#include "model/PhysicalBoundary.h"
#include "results/FileWrite.h"
#include "results/KeyFigures.h"
#include "results/ProfileExport.h"
#include "results/ResultsExport.h"
#include "run/HeadlessRun.h"
#include "study/ConvergenceBatch.h"
#include "study/StudyBatch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

using namespace korvel;

namespace {

const char* kHelp =
    R"(korvel-batch — расчет варианта без окон.

Запуск: korvel-batch [--builtin | --case FILE] [--steps N] [--json FILE] [--csv DIR]
                    [--save-case FILE] [KEY=VALUE ...]

По умолчанию расчет начинается с тех значений, которые окно исходных данных показывает при запуске
программы (в пересчете, как при «Принять»: половины размеров в метрах, концы секций от мениска,
время в секундах). С --builtin — со встроенными значениями записи исходных данных.

  KEY=VALUE     заменить значение поля исходных данных или параметра модели; ключи окна
                исходных данных и файлов вариантов (DlomX мм, Vp мин, l1..l4 м) и ключи модели
                (HalfX м, TauEnd с, Lend1..Lend4 м от мениска) принимаются одинаково:
)"
    R"(@KEYS@)"
    R"(  --boundary text|physical
                граничные условия: исходные (по умолчанию) или физические
  --case FILE   начать с варианта из файла FILE (.korvel); KEY=VALUE применяются после него
  --save-case FILE
                записать вариант (исходные данные и параметры модели после KEY=VALUE) в
                файл FILE (.korvel) вместо расчета
  --steps N     выполнить не более N шагов
  --json FILE   записать итоговые поля, скаляры и историю температур в FILE (JSON)
  --csv DIR     записать результаты в CSV-файлы в папку DIR (данные варианта, история,
                поля, итоги, профиль по длине машины, критерии качества); папка создается,
                если ее нет
  --limit KEY=VALUE
                предел критерия качества: mouldExitShell (мм, 8), reheating (К, 100),
                ductilityLow, ductilityHigh (°C, 700 и 900), straightening (м от мениска;
                по умолчанию Lkrist + π·Rkorvel/2), centreCarbon, centreSulphur (без предела)
  --help        эта справка
  --version     версия программы

Числа в файлах записываются с точкой при любом языке системы. Файлы записываются под временным
именем и переименовываются на место только целиком: при ошибке прежние файлы остаются как были
(CSV-файлы заменяются все вместе или ни один). Через символическую ссылку заменяется файл, на который
она указывает (ссылка остается); устройство, канал (FIFO) и /dev/stdout записываются напрямую, без
временного файла. При прерывании (Ctrl+C, SIGTERM, SIGHUP) временные файлы удаляются.
Каждое значение проверяется на физически возможный диапазон (C от 0 до 2 %, T0 от 1300 до 1700 °C и
выше солидуса стали, L и M от 4 до 100 и т. д.); значение вне диапазона — код выхода 2.
Перед расчетом в поток ошибок выводится число шагов, а во время долгого расчета — сколько шагов
выполнено. Шаг расчета, при котором сечение проходит кристаллизатор менее чем за 20 шагов, или
сетка с ячейками толще 10 мм дают предупреждение («внимание: ...» с тем, что выбрать); расчет
выполняется, а предупреждение попадает в итоги, в JSON ("warning") и в CSV (case.csv, verdict.csv).

Код выхода:
  0 — расчет выполнен, файлы записаны;
  1 — расчет выполнен, но файл или папку результатов записать не удалось (причина в сообщении;
      прежние файлы не изменены);
  2 — неверные аргументы или данные (ничего не считалось);
  3 — расчет остановлен: поле стало нечисловым или температура вышла за физически возможные
      пределы (численная неустойчивость); файлы результатов не записываются.

Серия расчетов: korvel-batch --sweep KEY=FROM:TO:STEP [--sweep KEY=v1,v2,...] [--jobs N]
                [--part K/N] [--out FILE] [--steps N] [--builtin | --case FILE] [KEY=VALUE ...]

  --sweep KEY=FROM:TO:STEP   изменять поле KEY от FROM до TO (включительно) с шагом STEP;
  --sweep KEY=v1,v2,v3       или принимать перечисленные значения. Несколько --sweep дают сетку:
                первый параметр меняется медленнее всех, последний — быстрее всех.
                Ключи и единицы — как в окне исходных данных (и в файлах вариантов):
                DlomX DlomY (мм), Vp (мин), C Mn Si S P Cr Ni Cu Al V Mg H2 (%), T0 (°C),
                Vlit (м/мин), Q1..Q4 (м3/ч), Nn1..Nn4, Rkorvel Lkrist Lzvo l1..l4 (м),
                Dt (с), L M (узлы), SideFlag (1 или -1), Boundary (0 или 1), MouldA, MouldB,
                MouldWater, SprayWaterT, Spray. Дробная часть — через точку.
                KEY=VALUE вместе с --sweep — те же, что и для одного расчета.
  --jobs N      считать в N потоков (по умолчанию — по числу ядер); результат от N не зависит
  --part K/N    считать только K-ю из N равных последовательных частей серии (для раздачи по
                машинам; CSV частей 1..N, склеенные по порядку без повторных заголовков, равны CSV
                всей серии)
  --out FILE    записать CSV в FILE (через временный файл); иначе строки идут в stdout по мере расчета

CSV серии: заголовок, затем строка на расчет: run (номер расчета в серии, с 1), значения
изменяемых полей, status (completed, stopped, not-finite, refused), metallurgicalLength (м),
mouldExitShell (мм), maxReheat (К), centreCarbonRatio, centreSulphurRatio, centreTemperature (°C),
tau (с), steps, message (почему расчет не выполнен). Нет величины — пустое поле.
Код выхода серии: 0 — все расчеты выполнены; 4 — часть расчетов отклонена или стала нечисловой
(строки есть в CSV); 2 — неверные аргументы; 1 — не удалось записать CSV.

Разливка по расписанию: korvel-batch --schedule FILE.csv [--launch S] [--duration MIN]
                [--pyrometers Z1,Z2,..] [--out DIR] [--json FILE] [--jobs N]
                [--builtin | --case FILE] [KEY=VALUE ...]

  --schedule FILE.csv
                расписание: строка заголовка time_min,Vlit[,Q1,Q2,Q3,Q4], затем точки (время от
                начала разливки в минутах, скорость в м/мин, расходы воды в м3/ч; пустой расход —
                как в варианте); между точками линейно, до первой и после последней — их значения
  --launch S    слиток входит в кристаллизатор каждые S секунд (по умолчанию 10; кратно шагу Dt)
  --duration MIN
                длительность разливки в минутах (по умолчанию 60)
  --pyrometers Z1,Z2,..
                где стоят пирометры, м от мениска (по умолчанию выход из кристаллизатора, концы
                секций и точка правки)
  --out DIR     записать ряды в CSV в папку DIR: crater.csv (конец лунки), pyrometers.csv,
                profile.csv (ручей в каждый момент), verdict.csv (критерии), schedule.csv
  --json FILE   записать конец лунки ("craterEnd": [{"t": мин, "z": м или null}]), показания
                пирометров и интервалы нарушений критериев в FILE (JSON)
Код выхода: 0 — готово; 1 — файл не записан; 2 — неверное расписание или параметры;
3 — расчет слитка стал неустойчивым.

Проверка сходимости: korvel-batch --convergence [--out FILE] [--jobs N] [--limit KEY=VALUE ...]
                     [--builtin | --case FILE] [KEY=VALUE ...]

  Вариант считается на своей сетке и шаге, на грубой и мелкой сетке (примерно вдвое меньше и вдвое
  больше узлов по каждой оси, в пределах 4..100) и с половинным шагом — параллельно, каждый расчет
  точно такой же, как этот вариант с этими параметрами сам по себе. KEY=VALUE — те же, что и для
  одного расчета. В stdout выводится таблица: ключевые показатели каждого расчета,
  оценка погрешности сетки для исходного расчета (по Ричардсону с наблюдаемым порядком; где значения
  меняются немонотонно или разница не убывает — наибольшая разница с соседней сеткой, отмечена *),
  разница с расчетом при половинном шаге и критерии качества: критерий, оценка которого на разных
  сетках или шагах разная, показан как «зависит от сетки» или «зависит от шага».
  --out FILE    записать таблицу также в CSV (kind,key,base,coarse,fine,halfStep,gridError,gridOrder,
                gridEstimate,stepDifference,state)
  Код выхода: 0 — все расчеты выполнены; 4 — какой-то расчет отклонен или стал нечисловым;
  2 — неверные аргументы; 1 — не удалось записать CSV.
)";

using HistoryPoint = ChartSample;

// The boundary model, and the physical model's mould heat and energy balance.
void PrintBoundarySummary(const Model& m) {
    if (m.params.Boundary != BoundaryModel::Physical) {
        std::printf("Граничные условия:            исходные (text)\n");
        return;
    }
    std::printf("Граничные условия:            физические (physical), ЗВО: %s\n",
                SprayLawName(m.params.Spray));
    const MouldHeat h = MouldHeatOf(m);
    std::printf(
        "Кристаллизатор: отведено %.4g МДж/м (грань X %.4g, грань Y %.4g), средний поток %.4g МВт/м2,\n"
        "                мощность %.4g кВт, нагрев воды %.2f К\n",
        h.total / 1e6, h.faceX / 1e6, h.faceY / 1e6, h.meanFlux / 1e6, h.power / 1e3, h.waterRise);
    const double lost = m.phys.initialContent - SliceEnthalpy(m);
    std::printf("Баланс энергии: отдано через поверхность %.6g МДж/м, убыль теплосодержания %.6g МДж/м\n",
                m.phys.heatOut / 1e6, lost / 1e6);
}

void PrintSummary(const Model& m, long long steps, RunEnd end, double cpuSeconds, double wallSeconds) {
    const ModelState& s = m.state;
    const int L = m.params.L, M = m.params.M;
    double cmin = s.CMean[1][1], cmax = cmin, smin = s.SMean[1][1], smax = smin;
    for (int i = 1; i <= L; ++i) {
        for (int j = 1; j <= M; ++j) {
            cmin = std::min(cmin, s.CMean[i][j]);
            cmax = std::max(cmax, s.CMean[i][j]);
            smin = std::min(smin, s.SMean[i][j]);
            smax = std::max(smax, s.SMean[i][j]);
        }
    }
    const HistoryPoint h = SampleChartNodes(m);
    std::printf("Сетка %d x %d, шаг %g с\n", L, M, m.params.Dt);
    PrintBoundarySummary(m);
    std::printf("Время процесса, с:            %.1f (%lld шагов)%s\n", s.Tau, steps,
                end == RunEnd::Stopped ? ", остановлен по --steps" : "");
    std::printf("Расстояние от мениска, м:     %.2f\n", m.Z());
    std::printf("Температура, °C: центр %.1f, угол %.1f, середина грани X %.1f, середина грани Y %.1f,\n"
                "                 1/4 грани X %.1f, 1/4 грани Y %.1f\n",
                h.center, h.corner, h.midX, h.midY, h.quarterX, h.quarterY);
    std::printf("Доля твердого в центре:       %.4f\n", m.Fs(L, M));
    std::printf("Углерод в ячейках, %%:        %.5f .. %.5f\n", cmin, cmax);
    std::printf("Сера в ячейках, %%:           %.5f .. %.5f\n", smin, smax);
    std::printf("Время счета: %.3f с процессора, %.3f с всего\n", cpuSeconds, wallSeconds);
}

// Whether every figure a finished run prints or writes is a finite number (those that are absent by
// design, such as a metallurgical length not reached, aside).
bool ResultsFinite(const Model& m, const std::vector<HistoryPoint>& history, const DerivedResults& r) {
    const double values[] = {
        m.state.Tau,       m.Z(),          r.solid.faceX,     r.solid.faceY,       r.solid.diagonal,
        r.liquid.faceX,    r.liquid.faceY, r.liquid.diagonal, r.centreTemperature, r.mouldExit.faceX,
        r.mouldExit.faceY, r.reheatFaceX,  r.reheatFaceXZ,    r.reheatFaceY,       r.reheatFaceYZ};
    for (double v : values)
        if (!std::isfinite(v)) return false;
    if (r.metallurgicalReached && !std::isfinite(r.metallurgicalLength)) return false;
    if (r.mouldExitSeen && !std::isfinite(r.mouldExitZ)) return false;
    for (const HistoryPoint& h : history)
        for (double v : {h.tau, h.center, h.corner, h.midX, h.midY, h.quarterX, h.quarterY})
            if (!std::isfinite(v)) return false;
    return true;
}

// Reports the progress of a long run on stderr: the first time after a few seconds, then every few
// seconds.
class Progress {
public:
    explicit Progress(long long planned) : planned_(planned), next_(Clock::now() + kEvery) {}
    void Step(long long done) {
        const auto now = Clock::now();
        if (now < next_) return;
        next_ = now + kEvery;
        if (planned_ > 0) {
            std::fprintf(stderr, "korvel-batch: выполнено %lld из %lld шагов (%.0f %%)\n", done, planned_,
                         std::floor(100.0 * static_cast<double>(done) / static_cast<double>(planned_)));
        } else {
            std::fprintf(stderr, "korvel-batch: выполнено %lld шагов\n", done);
        }
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kEvery{3};
    long long planned_;
    Clock::time_point next_;
};

// Creates the folder for the CSV files; empty on success, else why not.
std::string MakeFolder(const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return "не удалось создать папку " + PrintableText(dir) + ": " + SystemErrorText(ec.value());
    if (!std::filesystem::is_directory(dir, ec))
        return "не удалось записать результаты в " + PrintableText(dir) + ": " + SystemErrorText(ENOTDIR);
    return {};
}

} // namespace

int main(int argc, char** argv) {
    // Messages and the printed figures follow the user's locale; the files never do.
    std::setlocale(LC_ALL, "");
    if (const std::vector<std::string> args(argv + 1, argv + argc); IsDesignRequest(args))
        return RunDesignBatch(args, stdout, stderr);
    BatchOptions o;
    std::string error;
    if (!ParseBatchArguments(std::vector<std::string>(argv + 1, argv + argc), o, error)) {
        std::fprintf(stderr, "korvel-batch: %s\n(korvel-batch --help — справка)\n", error.c_str());
        return 2;
    }
    if (o.help) {
        std::string help = kHelp;
        help.replace(help.find("@KEYS@"), 6, OverrideKeysHelp());
        std::fputs(help.c_str(), stdout);
        std::fputs(DesignBatchHelp(), stdout);
        return 0;
    }
    if (o.version) {
        std::printf("korvel-batch %s\n", kVersion);
        return 0;
    }
    if (!o.sweeps.empty()) {
        BatchStudyRequest study;
        if (o.builtin) study.base.window = RestoreDataWindow(CastingData{});
        if (!o.caseFile.empty() && !ReadCaseFile(o.caseFile, study.base, error)) {
            std::fprintf(stderr, "korvel-batch: %s\n", error.c_str());
            return 2;
        }
        study.overrides = o.overrides;
        study.sweeps = o.sweeps;
        study.maxSteps = o.steps;
        study.jobs = o.jobs;
        study.partK = o.partK;
        study.partN = o.partN;
        study.out = o.out;
        return RunBatchStudy(study, stdout, stderr);
    }
    if (o.convergence) {
        BatchConvergenceRequest check;
        if (o.builtin) check.base.window = RestoreDataWindow(CastingData{});
        if (!o.caseFile.empty() && !ReadCaseFile(o.caseFile, check.base, error)) {
            std::fprintf(stderr, "korvel-batch: %s\n", error.c_str());
            return 2;
        }
        check.overrides = o.overrides;
        check.limits = o.limits;
        check.jobs = o.jobs;
        check.out = o.out;
        return RunBatchConvergence(check, stdout, stderr);
    }
    Model m;
    if (!ApplyOverrides(o, m, error)) {
        std::fprintf(stderr, "korvel-batch: %s\n", error.c_str());
        return 2;
    }
    if (!o.schedule.empty()) return RunStrandBatch(m, o, stdout, stderr);
    if (!o.saveCase.empty()) {
        // Values a run would refuse are bad data, not a failed write.
        if (const std::string refused = CheckRunInput(m.data, m.params); !refused.empty()) {
            std::fprintf(stderr, "korvel-batch: %s Вариант не записан.\n", refused.c_str());
            return 2;
        }
        std::string note;
        const bool saved = SaveCaseOfRun(o.caseFile, o.builtin, m, o.saveCase, error, note);
        if (!note.empty()) std::fprintf(stderr, "korvel-batch: %s\n", note.c_str());
        if (!saved) std::fprintf(stderr, "korvel-batch: %s\n", PrintableText(error, 400).c_str());
        return saved ? 0 : 1;
    }
    if (const std::string refused = CheckRunInput(m.data, m.params); !refused.empty()) {
        std::fprintf(stderr, "korvel-batch: %s Расчет не выполнялся.\n", refused.c_str());
        return 2;
    }

    // A step or grid that cannot resolve the machine is run as asked, with the warning beside its results.
    const StepCheck check = CheckStep(m.data, m.params);
    if (!check.Ok()) std::fprintf(stderr, "korvel-batch: внимание: %s\n", check.message.c_str());

    long long planned = PlannedSteps(m.data, m.params);
    if (o.steps >= 0) planned = std::min(planned, o.steps);
    std::fprintf(stderr, "korvel-batch: шагов расчета: %lld (сетка %d x %d, шаг %g с)\n", planned, m.params.L,
                 m.params.M, m.params.Dt);
    Progress progress(planned);

    std::vector<HistoryPoint> history;
    long long shown = 0;
    const auto wall0 = std::chrono::steady_clock::now();
    const std::clock_t cpu0 = std::clock();
    ResultsTracker tracker;
    MachineProfile profile;
    const RunOutcome out = RunHeadless(
        m,
        [&](const Model& state, bool first) {
            if (!first) {
                history.push_back(SampleChartNodes(state));
                progress.Step(shown += 10);
            }
            tracker.RecordProfile(profile, state);
        },
        o.steps, &tracker);
    const DerivedResults results = tracker.Results(m);
    const std::vector<CriterionResult> verdict =
        JudgeQuality(ComputeKeyFigures(m, results, out.end == RunEnd::Finished), profile, m.data, o.limits);
    const double cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();

    if (out.end == RunEnd::Unstable || out.end == RunEnd::NotFinite) {
        const double z = m.data.Vlit / 60 * m.state.Tau;
        std::string why = out.end == RunEnd::Unstable
                              ? UnstableRunMessage(out.steps, z, m.params.Dt)
                              : "После шага " + std::to_string(out.steps) +
                                    " поле температур или концентраций перестало быть числом; расчет "
                                    "остановлен. Если исходные данные верны, помогает меньший шаг расчета "
                                    "(вдвое меньше текущего) или более грубая сетка.";
        std::fprintf(stderr, "korvel-batch: %s Файлы результатов не записаны.\n", why.c_str());
        return 3;
    }
    if (!ResultsFinite(m, history, results)) {
        std::fprintf(stderr, "korvel-batch: итоги расчета не выражаются конечными числами (слишком большие "
                             "значения исходных данных); расчет остановлен, файлы результатов не "
                             "записаны.\n");
        return 3;
    }

    PrintSummary(m, out.steps, out.end, cpu, wall);
    for (const std::string& line : DescribeResults(results))
        std::printf("%s\n", line.c_str());
    std::printf("Критерии качества:\n");
    for (const std::string& line : DescribeVerdict(verdict, check.message))
        std::printf("  %s\n", line.c_str());
    std::fflush(stdout);
    int rc = 0;
    if (!o.csvDir.empty()) {
        std::string err = MakeFolder(o.csvDir);
        if (err.empty()) {
            std::vector<FileContent> files;
            const std::string base = o.csvDir.back() == '/' ? o.csvDir : o.csvDir + "/";
            for (CsvFile& f :
                 ResultsCsv(RunRecord{m, history, results, out.end == RunEnd::Finished, check.message}))
                files.push_back({base + f.name, std::move(f.text)});
            for (CsvFile& f : ProfileCsv(profile, verdict, &check))
                files.push_back({base + f.name, std::move(f.text)});
            err = WriteFilesAtomically(files);
        }
        if (!err.empty()) {
            std::fprintf(stderr, "korvel-batch: CSV-файлы не записаны, прежние файлы не изменены: %s\n",
                         PrintableText(err, 400).c_str());
            rc = 1;
        }
    }
    if (!o.json.empty()) {
        if (const std::string err =
                WriteFilesAtomically({{o.json, BatchJson(m, out.steps, history, results,
                                                         ProfileVerdictJson(profile, verdict, &check))}});
            !err.empty()) {
            std::fprintf(stderr, "korvel-batch: JSON не записан, прежний файл не изменен: %s\n",
                         PrintableText(err, 400).c_str());
            rc = 1;
        }
    }
    return rc;
}
