#include "StudyBatch.h"

#include "cases/FieldRanges.h"
#include "cases/Overrides.h"
#include "cases/PrintableText.h"
#include "results/FileWrite.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace korvel {

bool BuildBatchStudy(const BatchStudyRequest& r, Study& study, std::string& error) {
    study = Study();
    study.base = r.base;
    study.maxSteps = r.maxSteps;
    if (error = CheckOverrideRanges(r.overrides); !error.empty()) return false;
    if (!ApplyOverridesToCase(r.overrides, study.base, error)) return false;
    for (const std::string& text : r.sweeps) {
        StudyInput in;
        std::string why;
        if (!ParseStudyInput(text, in, why)) {
            error = "--sweep: " + why;
            return false;
        }
        study.inputs.push_back(std::move(in));
    }
    if (const std::string why = CheckStudy(study); !why.empty()) {
        error = "--sweep: " + why;
        return false;
    }
    if (r.partN < 1 || r.partK < 1 || r.partK > r.partN) {
        error = "--part: в K/N нужно 1 <= K <= N";
        return false;
    }
    if (r.jobs < 0) {
        error = "--jobs: число потоков должно быть положительным";
        return false;
    }
    return true;
}

int RunBatchStudy(const BatchStudyRequest& r, std::FILE* out, std::FILE* err) {
    Study study;
    std::string error;
    if (!BuildBatchStudy(r, study, error)) {
        std::fprintf(err, "korvel-batch: %s\n", error.c_str());
        return 2;
    }
    // A file that cannot be written is found before the runs, not after them.
    if (!r.out.empty()) {
        if (const int e = CheckOutputWritable(r.out); e != 0) {
            std::fprintf(err, "korvel-batch: --out: не удалось записать «%s»: %s\n",
                         PrintableText(r.out).c_str(), SystemErrorText(e).c_str());
            return 1;
        }
    }
    const int jobs = r.jobs > 0 ? r.jobs : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    const StudySlice slice = StudyPart(StudyRunCount(study), r.partK, r.partN);
    StudyRunner runner(study, slice, jobs);
    const bool toStdout = r.out.empty();
    if (toStdout) {
        const std::string header = StudyCsvHeader(study);
        std::fputs(header.c_str(), out);
        std::fflush(out);
    }
    runner.Run([&](const StudyRow& row, std::size_t, std::size_t) {
        if (!toStdout) return;
        // Rows leave as soon as they and all before them are done.
        const std::string line = StudyCsvLine(row);
        std::fputs(line.c_str(), out);
        std::fflush(out);
    });
    if (!toStdout) {
        if (const std::string why = WriteFileAtomically(r.out, StudyCsv(study, runner.Rows()));
            !why.empty()) {
            std::fprintf(err, "korvel-batch: --out: %s\n", PrintableText(why, 400).c_str());
            return 1;
        }
    } else if (std::ferror(out)) {
        std::fprintf(err, "korvel-batch: не удалось вывести строки серии\n");
        return 1;
    }
    std::size_t failed = 0, warned = 0;
    for (const StudyRow& row : runner.Rows()) {
        if (row.status == StudyRunStatus::Refused || row.status == StudyRunStatus::NotFinite ||
            row.status == StudyRunStatus::Unstable)
            ++failed;
        if (row.warned) ++warned;
    }
    if (warned > 0)
        std::fprintf(
            err,
            "korvel-batch: внимание: %zu из %zu расчетов серии выполнены с шагом или сеткой, которые "
            "не разрешают машину; их результаты искажены (причина и что выбрать — в столбце "
            "message)\n",
            warned, runner.Rows().size());
    if (failed > 0) {
        std::fprintf(err,
                     "korvel-batch: %zu из %zu расчетов серии не выполнены (причина — в столбце message)\n",
                     failed, runner.Rows().size());
        return 4;
    }
    return 0;
}

} // namespace korvel
