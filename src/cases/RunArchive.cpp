#include "RunArchive.h"

#include <algorithm>

namespace korvel {

std::vector<std::pair<double, double>> TemperatureProfile(const ArchivedRun& run, SectionPoint point) {
    std::vector<std::pair<double, double>> p;
    p.reserve(run.history.size());
    for (const ChartSample& s : run.history) {
        double t = s.midX;
        switch (point) {
        case SectionPoint::MidFaceX:
            t = s.midX;
            break;
        case SectionPoint::MidFaceY:
            t = s.midY;
            break;
        case SectionPoint::Corner:
            t = s.corner;
            break;
        case SectionPoint::Centre:
            t = s.center;
            break;
        }
        p.emplace_back(run.vlit * s.tau / 60, t);
    }
    return p;
}

const ArchivedRun& RunArchive::Add(const std::string& caseName, const KeyFigures& figures, double vlit,
                                   std::vector<ChartSample> history, const std::string& warning) {
    ArchivedRun r;
    r.number = next_++;
    const std::string numbered = "Расчет " + std::to_string(r.number);
    r.name = caseName.empty() ? numbered : caseName;
    if (!caseName.empty() &&
        std::any_of(runs_.begin(), runs_.end(), [&](const ArchivedRun& k) { return k.name == caseName; }))
        r.name = caseName + " (" + numbered + ")";
    r.figures = figures;
    r.vlit = vlit;
    r.history = std::move(history);
    r.warning = warning;
    if (runs_.size() >= kCapacity) runs_.erase(runs_.begin());
    runs_.push_back(std::move(r));
    return runs_.back();
}

bool RunArchive::Remove(int number) {
    const auto it =
        std::find_if(runs_.begin(), runs_.end(), [&](const ArchivedRun& r) { return r.number == number; });
    if (it == runs_.end()) return false;
    runs_.erase(it);
    return true;
}

const ArchivedRun* RunArchive::Find(int number) const {
    for (const ArchivedRun& r : runs_)
        if (r.number == number) return &r;
    return nullptr;
}

} // namespace korvel
