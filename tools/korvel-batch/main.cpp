// korvel-batch: one run of the model without any window, as the program's first run makes it.

#include "BatchOptions.h"
#include "model/HeadlessRun.h"
#include "model/ResultsExport.h"
#include "study/StudyBatch.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

using namespace korvel;

namespace {

const char* kHelp = R"(korvel-batch — расчет варианта без окон.

Запуск: korvel-batch [--builtin] [--steps N] [--json FILE] [--csv DIR] [KEY=VALUE ...]

По умолчанию расчет начинается с тех значений, которые окно исходных данных показывает при запуске
программы (в пересчете, как при «Принять»: половины размеров в метрах, концы секций от мениска,
время в секундах). С --builtin — со встроенными значениями записи исходных данных.

  KEY=VALUE     заменить поле исходных данных или параметров модели, в единицах модели:
                C Mn Si S P Cr Ni Cu Al V Mg H2 (%), T0 (°C), Vlit (м/мин), Q1..Q4 (м3/ч),
                Nn1..Nn4, Rkorvel Lkrist Lzvo Lend1..Lend4 HalfX HalfY (м), TauEnd (с),
                Dt (с), L M (узлы, 4..100), SideFlag (+1 или -1)
  --steps N     выполнить не более N шагов
  --json FILE   записать итоговые поля, скаляры и историю температур в FILE (JSON)
  --csv DIR     записать результаты в CSV-файлы в папку DIR
  --help        эта справка

Код выхода: 0 — расчет выполнен; 2 — неверные аргументы или данные (ничего не считалось);
3 — поле стало нечисловым во время расчета (расчет остановлен).

Серия расчетов: korvel-batch --sweep KEY=FROM:TO:STEP [--sweep KEY=v1,v2,...] [--jobs N]
                [--part K/N] [--out FILE] [--steps N] [--builtin] [KEY=VALUE ...]

  --sweep KEY=FROM:TO:STEP   изменять поле KEY от FROM до TO (включительно) с шагом STEP;
  --sweep KEY=v1,v2,v3       или принимать перечисленные значения. Несколько --sweep дают сетку:
                первый параметр меняется медленнее всех, последний — быстрее всех.
                Ключи и единицы — как в окне исходных данных (и в файлах вариантов):
                DlomX DlomY (мм), Vp (мин), C Mn Si S P Cr Ni Cu Al V Mg H2 (%), T0 (°C),
                Vlit (м/мин), Q1..Q4 (м3/ч), Nn1..Nn4, Rkorvel Lkrist Lzvo l1..l4 (м),
                Dt (с), L M (узлы), SideFlag (1 или -1). Дробная часть — через точку.
                Вместе с --sweep и KEY=VALUE задаются этими же ключами в этих же единицах
                (а не в единицах модели); --builtin начинает со встроенных значений в пересчете
                в единицы окна.
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
)";

using HistoryPoint = ChartSample;

void PrintNumber(std::FILE* f, double v) {
    if (std::isfinite(v)) {
        std::fprintf(f, "%.17g", v);
    } else {
        std::fputs("null", f);
    }
}

void WriteField(std::FILE* f, const Model& m, const NodeField& field) {
    std::fputc('[', f);
    for (int i = 1; i <= m.params.L; ++i) {
        std::fputs(i > 1 ? ",\n   [" : "\n   [", f);
        for (int j = 1; j <= m.params.M; ++j) {
            if (j > 1) std::fputc(',', f);
            PrintNumber(f, field[i][j]);
        }
        std::fputc(']', f);
    }
    std::fputc(']', f);
}

bool WriteJson(const std::string& path, const Model& m, long long steps,
               const std::vector<HistoryPoint>& history, const DerivedResults& r) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    const ModelState& s = m.state;
    std::fputs("{\"Tau\": ", f);
    PrintNumber(f, s.Tau);
    std::fprintf(f, ",\n \"steps\": %lld,\n \"fields\": {", steps);
    const std::pair<const char*, const NodeField*> fields[] = {
        {"Tem", &s.Tem},     {"MSol", &s.MSol},  {"CLiq", &s.CLiq},   {"SLiq", &s.SLiq},
        {"CSol", &s.CSol},   {"SSol", &s.SSol},  {"CMean", &s.CMean}, {"SMean", &s.SMean},
        {"FlowU", &s.FlowU}, {"FlowV", &s.FlowV}};
    bool first = true;
    for (const auto& [name, field] : fields) {
        std::fprintf(f, "%s\n  \"%s\": ", first ? "" : ",", name);
        WriteField(f, m, *field);
        first = false;
    }
    std::fputs("},\n \"scalars\": {", f);
    const std::pair<const char*, double> scalars[] = {
        {"HDepth", s.HDepth},   {"PFerro", s.PFerro}, {"AlfaSec", s.AlfaSec}, {"Tenv", s.Tenv},
        {"EpsSurf", s.EpsSurf}, {"KFace", s.KFace},   {"MouldK", s.MouldK}};
    first = true;
    for (const auto& [name, v] : scalars) {
        std::fprintf(f, "%s\"%s\": ", first ? "" : ", ", name);
        PrintNumber(f, v);
        first = false;
    }
    std::fputs("},\n \"history\": [", f);
    first = true;
    for (const HistoryPoint& h : history) {
        std::fputs(first ? "\n  {" : ",\n  {", f);
        const std::pair<const char*, double> values[] = {
            {"Tau", h.tau},   {"center", h.center},     {"corner", h.corner},    {"midX", h.midX},
            {"midY", h.midY}, {"quarterX", h.quarterX}, {"quarterY", h.quarterY}};
        bool firstValue = true;
        for (const auto& [name, v] : values) {
            std::fprintf(f, "%s\"%s\": ", firstValue ? "" : ", ", name);
            PrintNumber(f, v);
            firstValue = false;
        }
        std::fputc('}', f);
        first = false;
    }
    std::fputs("],\n \"results\": {", f);
    const std::pair<const char*, double> results[] = {
        {"shellFaceX", r.solid.faceX},
        {"shellFaceY", r.solid.faceY},
        {"shellDiagonal", r.solid.diagonal},
        {"mushyInnerFaceX", r.liquid.faceX},
        {"mushyInnerFaceY", r.liquid.faceY},
        {"mushyInnerDiagonal", r.liquid.diagonal},
        {"metallurgicalLength", r.metallurgicalReached ? r.metallurgicalLength : NAN},
        {"centreTemperature", r.centreTemperature},
        {"mouldExitZ", r.mouldExitSeen ? r.mouldExitZ : NAN},
        {"mouldExitShellFaceX", r.mouldExit.faceX},
        {"mouldExitShellFaceY", r.mouldExit.faceY},
        {"reheatFaceX", r.reheatFaceX},
        {"reheatFaceXZ", r.reheatFaceXZ},
        {"reheatFaceY", r.reheatFaceY},
        {"reheatFaceYZ", r.reheatFaceYZ}};
    first = true;
    for (const auto& [name, v] : results) {
        std::fprintf(f, "%s\"%s\": ", first ? "" : ", ", name);
        PrintNumber(f, v);
        first = false;
    }
    std::fputs("}}\n", f);
    return std::fclose(f) == 0;
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

} // namespace

int main(int argc, char** argv) {
    BatchOptions o;
    std::string error;
    if (!ParseBatchArguments(std::vector<std::string>(argv + 1, argv + argc), o, error)) {
        std::fprintf(stderr, "korvel-batch: %s\n(korvel-batch --help — справка)\n", error.c_str());
        return 2;
    }
    if (o.help) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (!o.sweeps.empty()) {
        BatchStudyRequest study;
        if (o.builtin) study.base.window = RestoreDataWindow(CastingData{});
        study.overrides = o.overrides;
        study.sweeps = o.sweeps;
        study.maxSteps = o.steps;
        study.jobs = o.jobs;
        study.partK = o.partK;
        study.partN = o.partN;
        study.out = o.out;
        return RunBatchStudy(study, stdout, stderr);
    }
    Model m;
    if (!ApplyOverrides(o, m, error)) {
        std::fprintf(stderr, "korvel-batch: %s\n", error.c_str());
        return 2;
    }
    if (const std::string refused = CheckRunInput(m.data, m.params); !refused.empty()) {
        std::fprintf(stderr, "korvel-batch: %s Расчет не выполнялся.\n", refused.c_str());
        return 2;
    }

    std::vector<HistoryPoint> history;
    const auto wall0 = std::chrono::steady_clock::now();
    const std::clock_t cpu0 = std::clock();
    ResultsTracker tracker;
    const RunOutcome out = RunHeadless(
        m,
        [&](const Model& state, bool first) {
            if (!first) history.push_back(SampleChartNodes(state));
        },
        o.steps, &tracker);
    const DerivedResults results = tracker.Results(m);
    const double cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();

    PrintSummary(m, out.steps, out.end, cpu, wall);
    for (const std::string& line : DescribeResults(results))
        std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (!o.csvDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(o.csvDir, ec);
        if (const std::string err = WriteResultsCsv(o.csvDir, m, history, results); !err.empty()) {
            std::fprintf(stderr, "korvel-batch: %s\n", err.c_str());
            return 1;
        }
    }
    if (!o.json.empty() && !WriteJson(o.json, m, out.steps, history, results)) {
        std::fprintf(stderr, "korvel-batch: не удалось записать %s\n", o.json.c_str());
        return 1;
    }
    if (out.end == RunEnd::NotFinite) {
        std::fprintf(stderr,
                     "korvel-batch: после шага %lld поле температур или концентраций перестало быть "
                     "числом; расчет остановлен.\n",
                     out.steps);
        return 3;
    }
    return 0;
}
