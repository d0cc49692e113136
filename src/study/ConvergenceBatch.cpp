#include "ConvergenceBatch.h"

#include "cases/Overrides.h"
#include "results/FileWrite.h"
#include "run/HeadlessRun.h"

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <thread>

namespace korvel {

int RunBatchConvergence(const BatchConvergenceRequest& r, std::FILE* out, std::FILE* err) {
    Case c = r.base;
    std::string error;
    if (!ApplyOverridesToCase(r.overrides, c, error)) {
        std::fprintf(err, "korvel-batch: %s\n", error.c_str());
        return 2;
    }
    {
        Model m;
        ApplyCase(c, m);
        if (const std::string why = CheckRunInput(m.data, m.params); !why.empty()) {
            std::fprintf(err, "korvel-batch: %s Проверка сходимости не выполнялась.\n", why.c_str());
            return 2;
        }
    }
    if (std::error_code ec; !r.out.empty() && std::filesystem::is_directory(r.out, ec)) {
        std::fprintf(err, "korvel-batch: --out: «%s» — это папка, а не файл\n", r.out.c_str());
        return 2;
    }
    const int jobs = r.jobs > 0 ? r.jobs : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    ConvergenceCheck check(c, r.limits, jobs);
    std::fprintf(err, "korvel-batch: проверка сходимости, расчетов: %zu (%s)\n",
                 StudyRunCount(check.GetStudy()), RunCaption(c.params).c_str());
    const ConvergenceReport report = check.Run();
    const char* point = std::localeconv()->decimal_point;
    for (const std::string& line : ConvergenceText(report, point && *point ? point : "."))
        std::fprintf(out, "%s\n", line.c_str());
    std::fflush(out);
    if (!r.out.empty()) {
        if (const std::string why = WriteFileAtomically(r.out, ConvergenceCsv(report)); !why.empty()) {
            std::fprintf(err, "korvel-batch: --out: %s\n", why.c_str());
            return 1;
        }
    }
    if (std::ferror(out)) {
        std::fprintf(err, "korvel-batch: не удалось вывести таблицу проверки сходимости\n");
        return 1;
    }
    if (!report.complete) {
        std::fprintf(err,
                     "korvel-batch: не все расчеты проверки сходимости выполнены (причина — в таблице)\n");
        return 4;
    }
    return 0;
}

} // namespace korvel
