#include "StrandBatch.h"

#include "results/FileWrite.h"
#include "strand/StrandExport.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>

namespace korvel {

int RunStrandBatch(const Model& base, const BatchOptions& o, std::FILE* out, std::FILE* err) {
    Schedule schedule;
    std::string error;
    if (!ReadScheduleFile(o.schedule, schedule, error)) {
        std::fprintf(err, "korvel-batch: %s\n", error.c_str());
        return 2;
    }
    StrandOptions options;
    options.launch = o.launch;
    options.durationMin = o.durationMin;
    options.pyrometers = o.pyrometers;
    options.limits = o.limits;
    options.jobs = o.jobs;
    if (const std::string why = CheckStrand(base, schedule, options); !why.empty()) {
        std::fprintf(err, "korvel-batch: %s Расчет не выполнялся.\n", why.c_str());
        return 2;
    }
    const StrandSetup setup = StrandSetupOf(base, options);
    std::fprintf(
        err, "korvel-batch: разливка %g мин, слиток каждые %g с, ручей до %.2f м (сетка %d x %d, шаг %g с)\n",
        options.durationMin, options.launch, setup.length, base.params.L, base.params.M, base.params.Dt);
    std::vector<StrandMoment> moments;
    const auto wall0 = std::chrono::steady_clock::now();
    auto next = wall0 + std::chrono::seconds(3);
    const StrandOutcome outcome = RunStrand(
        base, schedule, options, [&](StrandMoment&& m) { moments.push_back(std::move(m)); }, nullptr,
        [&](double share) {
            const auto now = std::chrono::steady_clock::now();
            if (now < next) return;
            next = now + std::chrono::seconds(3);
            std::fprintf(err, "korvel-batch: рассчитано %.0f %% слитков\n", std::floor(share * 100));
        });
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    if (outcome.end != StrandEnd::Finished) {
        std::fprintf(err, "korvel-batch: %s Файлы результатов не записаны.\n", outcome.message.c_str());
        return 3;
    }

    std::fprintf(out, "Разливка по расписанию: %zu моментов, %lld слитков, %.1f с\n", moments.size(),
                 outcome.slices, wall);
    if (!moments.empty()) {
        const StrandMoment& last = moments.back();
        if (std::isfinite(last.craterEnd))
            std::fprintf(out, "Конец лунки в конце разливки, м: %.2f\n", last.craterEnd);
        else
            std::fprintf(out, "Конец лунки в конце разливки: ручей не затвердел до %.2f м\n", setup.length);
    }
    for (Criterion c :
         {Criterion::MouldExitShell, Criterion::Reheating, Criterion::Ductility, Criterion::Straightening}) {
        const std::vector<ViolationSpan> spans = ViolationSpans(moments, c);
        std::fprintf(out, "  %s: %s", CriterionCaption(c), spans.empty() ? "не нарушено" : "нарушено");
        for (const ViolationSpan& s : spans)
            std::fprintf(out, " %.2f–%.2f мин", s.from, s.to);
        std::fprintf(out, "\n");
    }
    std::fflush(out);

    int rc = 0;
    if (!o.out.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(o.out, ec);
        std::string why;
        if (ec)
            why = "не удалось создать папку " + o.out + ": " + SystemErrorText(ec.value());
        else if (!std::filesystem::is_directory(o.out, ec))
            why = "не удалось записать результаты в " + o.out + ": " + SystemErrorText(ENOTDIR);
        if (why.empty()) {
            std::vector<FileContent> files;
            const std::string dir = o.out.back() == '/' ? o.out : o.out + "/";
            for (StrandFile& f : StrandCsv(setup, schedule, moments))
                files.push_back({dir + f.name, std::move(f.text)});
            why = WriteFilesAtomically(files);
        }
        if (!why.empty()) {
            std::fprintf(err, "korvel-batch: CSV-файлы не записаны, прежние файлы не изменены: %s\n",
                         why.c_str());
            rc = 1;
        }
    }
    if (!o.json.empty()) {
        if (const std::string why = WriteFilesAtomically({{o.json, StrandJson(setup, moments)}});
            !why.empty()) {
            std::fprintf(err, "korvel-batch: JSON не записан, прежний файл не изменен: %s\n", why.c_str());
            rc = 1;
        }
    }
    return rc;
}

} // namespace korvel
