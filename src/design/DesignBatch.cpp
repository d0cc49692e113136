#include "DesignBatch.h"

#include "Calibration.h"
#include "DesignText.h"
#include "SprayDesign.h"
#include "cases/CaseFile.h"
#include "cases/Overrides.h"
#include "results/FileWrite.h"
#include "study/Study.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <thread>

namespace korvel {

namespace {

struct Request {
    bool design = false;
    std::string calibrate; // measurement file
    bool builtin = false;
    std::string caseFile;
    std::vector<std::pair<std::string, double>> overrides;
    std::vector<std::string> targets;
    std::vector<std::string> bounds;
    std::string speeds;
    int jobs = 0;
    int partK = 1, partN = 1;
    int maxRuns = 0;
    std::string out, json, saveCase;
};

bool Parse(const std::vector<std::string>& args, Request& r, std::string& error) {
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        auto next = [&](std::string& v) {
            if (k + 1 >= args.size() || args[k + 1].empty()) {
                error = "после " + a + " нужно значение";
                return false;
            }
            v = args[++k];
            return true;
        };
        auto count = [&](int& v, int lo, int hi) {
            std::string t;
            if (!next(t)) return false;
            std::vector<double> n;
            if (!ReadNumbers(t, ';', n) || n[0] != std::floor(n[0]) || n[0] < lo || n[0] > hi) {
                error = a + ": нужно целое число от " + std::to_string(lo) + " до " + std::to_string(hi) +
                        ", а не «" + t + "»";
                return false;
            }
            v = int(n[0]);
            return true;
        };
        std::string v;
        if (a == "--design-sprays") {
            r.design = true;
        } else if (a == "--calibrate") {
            if (!next(r.calibrate)) return false;
        } else if (a == "--builtin") {
            r.builtin = true;
        } else if (a == "--case") {
            if (!next(r.caseFile)) return false;
        } else if (a == "--target" || a == "--limit") {
            if (!next(v)) return false;
            r.targets.push_back(v);
        } else if (a == "--bound") {
            if (!next(v)) return false;
            r.bounds.push_back(v);
        } else if (a == "--speeds") {
            if (!next(r.speeds)) return false;
        } else if (a == "--jobs") {
            if (!count(r.jobs, 1, 1024)) return false;
        } else if (a == "--max-runs") {
            if (!count(r.maxRuns, 2, 100000)) return false;
        } else if (a == "--part") {
            if (!next(v)) return false;
            std::string why;
            if (!ParseStudyPart(v, r.partK, r.partN, why)) {
                error = "--part: " + why;
                return false;
            }
        } else if (a == "--out") {
            if (!next(r.out)) return false;
        } else if (a == "--json") {
            if (!next(r.json)) return false;
        } else if (a == "--save-case") {
            if (!next(r.saveCase)) return false;
        } else if (const auto eq = a.find('='); eq != std::string::npos && eq > 0 && a[0] != '-') {
            std::vector<double> n;
            if (!ReadNumbers(a.substr(eq + 1), ';', n)) {
                error = a.substr(0, eq) + ": «" + a.substr(eq + 1) + "» не является числом";
                return false;
            }
            r.overrides.emplace_back(a.substr(0, eq), n[0]);
        } else {
            error = "непонятный аргумент «" + a + "»";
            return false;
        }
    }
    if (r.design == !r.calibrate.empty()) {
        error = "--design-sprays и --calibrate нельзя задать вместе";
        return false;
    }
    if (r.builtin && !r.caseFile.empty()) {
        error = "--builtin и --case нельзя задать вместе";
        return false;
    }
    if (r.design && (!r.json.empty() || !r.saveCase.empty())) {
        error = "--design-sprays пишет CSV (--out FILE); --json и --save-case — только с --calibrate";
        return false;
    }
    if (!r.design && (!r.targets.empty() || !r.bounds.empty() || !r.speeds.empty() || r.partN != 1 ||
                      !r.out.empty() || r.jobs != 0)) {
        error = "--target, --bound, --speeds, --part, --jobs и --out задаются только с --design-sprays";
        return false;
    }
    return true;
}

bool BuildCase(const Request& r, Case& c, std::string& error) {
    c = Case();
    if (r.builtin) c.window = RestoreDataWindow(CastingData{});
    if (!r.caseFile.empty() && !ReadCaseFile(r.caseFile, c, error)) return false;
    if (!ApplyOverridesToCase(r.overrides, c, error)) return false;
    if (std::string why = CheckCase(c); !why.empty()) {
        error = why;
        return false;
    }
    return true;
}

// A file that cannot be written is found before the runs, not after them.
bool Writable(const std::string& path, const char* option, std::string& error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = std::string(option) + ": «" + path + "» — это папка, а не файл";
        return false;
    }
    const std::filesystem::path dir = std::filesystem::path(path).parent_path();
    if (!dir.empty() && !std::filesystem::is_directory(dir, ec)) {
        error = std::string(option) + ": нет папки «" + dir.string() + "»";
        return false;
    }
    return true;
}

int RunDesign(const Request& r, const Case& base, std::FILE* out, std::FILE* err) {
    SprayDesignSettings s;
    std::string error;
    for (const std::string& t : r.targets)
        if (!ParseSprayTarget(t, base, s.targets, error)) {
            std::fprintf(err, "korvel-batch: --target: %s\n", error.c_str());
            return kDesignExitBadRequest;
        }
    for (const std::string& b : r.bounds)
        if (!ParseFlowBound(b, s.bounds, error)) {
            std::fprintf(err, "korvel-batch: --bound: %s\n", error.c_str());
            return kDesignExitBadRequest;
        }
    if (r.maxRuns > 0) s.maxRuns = r.maxRuns;
    if (std::string why = CheckSprayDesign(s); !why.empty()) {
        std::fprintf(err, "korvel-batch: %s\n", why.c_str());
        return kDesignExitBadRequest;
    }
    std::vector<double> speeds{base.window.Vlit};
    if (!r.speeds.empty()) {
        std::vector<double> v;
        if (!ReadNumbers(r.speeds, ':', v) || v.size() != 3) {
            std::fprintf(err, "korvel-batch: --speeds: нужно FROM:TO:STEP (м/мин), а не «%s»\n",
                         r.speeds.c_str());
            return kDesignExitBadRequest;
        }
        if (!RangeValues(v[0], v[1], v[2], speeds, error)) {
            std::fprintf(err, "korvel-batch: --speeds %s: %s\n", r.speeds.c_str(), error.c_str());
            return kDesignExitBadRequest;
        }
        for (double sp : speeds)
            if (!(sp > 0)) {
                std::fprintf(err, "korvel-batch: --speeds: скорость разливки должна быть больше нуля\n");
                return kDesignExitBadRequest;
            }
    }
    if (!r.out.empty() && !Writable(r.out, "--out", error)) {
        std::fprintf(err, "korvel-batch: %s\n", error.c_str());
        return kDesignExitBadRequest;
    }
    const int jobs = r.jobs > 0 ? r.jobs : std::max(1, int(std::thread::hardware_concurrency()));
    const StudySlice slice = StudyPart(speeds.size(), r.partK, r.partN);
    const bool toStdout = r.out.empty();
    std::string csv = SprayCsvHeader();
    if (toStdout) {
        std::fputs(csv.c_str(), out);
        std::fflush(out);
    }
    std::vector<SprayTableRow> rows;
    auto report = [&](const SprayTableRow& row) {
        const std::string line = SprayCsvLine(row);
        if (toStdout) {
            std::fputs(line.c_str(), out);
            std::fflush(out);
        }
        std::fprintf(err, "korvel-batch: Vlit %s м/мин: %s, расход %s м3/ч, расчетов %d\n",
                     FixedText(row.vlit, 2).c_str(), DesignStatusCaption(row.design.status),
                     FixedText(row.design.best.TotalWater(), 2).c_str(), row.design.runs);
    };
    if (r.speeds.empty()) {
        s.jobs = jobs;
        SprayTableRow row;
        row.vlit = base.window.Vlit;
        row.design = DesignSprays(base, s);
        report(row);
        rows.push_back(std::move(row));
    } else {
        rows = DesignSprayTable(base, speeds, slice.first, slice.last, s, jobs, nullptr, report);
    }
    for (const SprayTableRow& row : rows)
        csv += SprayCsvLine(row);
    if (!toStdout) {
        if (std::string why = WriteFileAtomically(r.out, csv); !why.empty()) {
            std::fprintf(err, "korvel-batch: --out: %s\n", why.c_str());
            return kDesignExitWriteFailed;
        }
    } else if (std::ferror(out)) {
        std::fprintf(err, "korvel-batch: не удалось вывести строки таблицы\n");
        return kDesignExitWriteFailed;
    }
    bool refused = false, notMet = false;
    for (const SprayTableRow& row : rows) {
        if (row.design.status == DesignStatus::Refused) refused = true;
        if (row.design.status != DesignStatus::Met) notMet = true;
        if (row.design.status != DesignStatus::Met)
            std::fprintf(err, "korvel-batch: Vlit %s м/мин: %s\n", FixedText(row.vlit, 2).c_str(),
                         row.design.message.c_str());
    }
    if (refused) return kDesignExitBadRequest;
    return notMet ? kDesignExitNotMet : kDesignExitMet;
}

int RunCalibration(const Request& r, const Case& base, std::FILE* out, std::FILE* err) {
    std::vector<Measurement> readings;
    std::string error;
    if (!ReadMeasurementFile(r.calibrate, readings, error)) {
        std::fprintf(err, "korvel-batch: %s\n", error.c_str());
        return kDesignExitBadRequest;
    }
    for (const std::string* p : {&r.json, &r.saveCase})
        if (!p->empty() && !Writable(*p, p == &r.json ? "--json" : "--save-case", error)) {
            std::fprintf(err, "korvel-batch: %s\n", error.c_str());
            return kDesignExitBadRequest;
        }
    CalibrationSettings s;
    if (r.maxRuns > 0) s.maxRuns = r.maxRuns;
    const CalibrationResult c = Calibrate(base, readings, s);
    if (!c.ok) {
        std::fprintf(err, "korvel-batch: калибровка не выполнена: %s\n", c.message.c_str());
        return kDesignExitRunFailed;
    }
    std::fprintf(out, "Калибровка по %zu измерениям, расчетов %d\n", readings.size(), c.runs);
    for (int k = 0; k < 4; ++k)
        std::fprintf(out, "  секция %d: множитель %s (был %s)\n", k + 1,
                     FixedText(c.multipliers[k], 3).c_str(), FixedText(c.before[k], 3).c_str());
    if (c.mouldAFitted)
        std::fprintf(out, "  кристаллизатор: A %s МВт/м² (был %s), теплоотвод кристаллизатора %s%s %%\n",
                     FixedText(c.mouldAAfter, 3).c_str(), FixedText(c.mouldABefore, 3).c_str(),
                     c.mouldHeatChange >= 0 ? "+" : "", FixedText(c.mouldHeatChange, 1).c_str());
    std::fprintf(out, "Среднеквадратичное отклонение, К: %s до, %s после\n",
                 FixedText(c.rmsBefore, 1).c_str(), FixedText(c.rmsAfter, 1).c_str());
    for (std::size_t k = 0; k < readings.size(); ++k)
        std::fprintf(out, "  %s м %-6s %s °C: отклонение %s → %s К\n", FixedText(readings[k].z, 2).c_str(),
                     MeasuredPointKey(readings[k].point), FixedText(readings[k].temperature, 1).c_str(),
                     FixedText(c.residualsBefore[k], 1).c_str(), FixedText(c.residualsAfter[k], 1).c_str());
    if (!c.message.empty()) std::fprintf(err, "korvel-batch: %s\n", c.message.c_str());
    std::vector<FileContent> files;
    if (!r.json.empty())
        files.push_back({r.json, "{\"calibration\": " + CalibrationJson(c, readings) + "}\n"});
    if (!r.saveCase.empty()) {
        if (std::string why = CheckCase(c.calibrated); !why.empty()) {
            std::fprintf(err, "korvel-batch: --save-case: %s\n", why.c_str());
            return kDesignExitWriteFailed;
        }
        files.push_back({r.saveCase, CaseToJson(c.calibrated)});
    }
    if (std::string why = WriteFilesAtomically(files); !why.empty()) {
        std::fprintf(err, "korvel-batch: файлы не записаны, прежние не изменены: %s\n", why.c_str());
        return kDesignExitWriteFailed;
    }
    return 0;
}

} // namespace

bool IsDesignRequest(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--design-sprays" || a == "--calibrate") return true;
    return false;
}

int RunDesignBatch(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    Request r;
    Case base;
    std::string error;
    if (!Parse(args, r, error) || !BuildCase(r, base, error)) {
        std::fprintf(err, "korvel-batch: %s\n(korvel-batch --help — справка)\n", error.c_str());
        return kDesignExitBadRequest;
    }
    return r.design ? RunDesign(r, base, out, err) : RunCalibration(r, base, out, err);
}

const char* DesignBatchHelp() {
    return R"(
Подбор расходов воды: korvel-batch --design-sprays [--target KEY=VALUE ...] [--bound Qk=LO:HI ...]
                [--speeds FROM:TO:STEP [--part K/N]] [--jobs N] [--max-runs N] [--out FILE]
                [--builtin | --case FILE] [KEY=VALUE ...]

  Находит расходы Q1..Q4 (м3/ч), при которых выполнены все цели, с наименьшим общим расходом воды
  (метод COBYLA библиотеки NLopt; каждое вычисление — обычный расчет варианта). Процесс удлиняется,
  если слиток не доходит до точки правки, конца ЗВО или самой дальней цели.
  --target KEY=VALUE   предел критерия качества (ключи — как у --limit: mouldExitShell, reheating,
                ductilityLow, ductilityHigh, straightening, centreCarbon, centreSulphur);
                surface=Z:LOW:HIGH — температура середин граней на Z м от мениска в LOW..HIGH °C;
                sectionEnds=LOW:HIGH — то же в конце каждой секции ЗВО
  --bound Qk=LO:HI     границы расхода секции k (по умолчанию 0..8 м3/ч)
  --speeds FROM:TO:STEP  таблица расходов по скоростям разливки (м/мин), скорости считаются
                параллельно; --part K/N — только K-я из N частей таблицы
  --max-runs N  не больше N расчетов на одну скорость (по умолчанию 60)
  --out FILE    CSV в FILE (иначе в stdout): Vlit, Q1..Q4, totalWater, Vp (мин), ключевые величины,
                runs, status (met / not met), message (невыполненные цели)
  KEY=VALUE     поля варианта, как для одного расчета (ключи окна или модели)
  Код выхода: 0 — цели выполнены на всех скоростях; 5 — ни один режим не выполняет все цели
  (хотя бы на одной скорости; в CSV — ближайший режим и невыполненные цели); 2 — неверные
  аргументы; 1 — не удалось записать CSV.

Калибровка: korvel-batch --calibrate FILE.csv [--save-case OUT] [--json OUT] [--max-runs N]
                [--builtin | --case FILE] [KEY=VALUE ...]

  FILE.csv — измеренные температуры поверхности: заголовок z_m,point,T_C, затем по строке на
  измерение: расстояние от мениска (м), точка (faceX, faceY, corner), температура (°C).
  Подбирает множители теплоотдачи секций ЗВО (Kspray1..Kspray4, от 0.2 до 5), а с физической
  моделью (Boundary=1) и A закона кристаллизатора q = A - B·√t (MouldA, от 1 до 5 МВт/м2 и A варианта) методом
  наименьших квадратов (BOBYQA, NLopt); выводит отклонения до и после. --save-case — вариант с
  подобранными значениями, --json — {"calibration": {"multipliers", "mouldA", "rmsBefore",
  "rmsAfter", ...}} ("mouldA" — только с физической моделью).
  Код выхода: 0 — выполнено; 2 — неверные аргументы или файл измерений; 3 — расчет не дает
  температур в точках измерений; 1 — не удалось записать файлы.
)";
}

} // namespace korvel
