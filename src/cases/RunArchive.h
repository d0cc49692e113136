#pragma once

// The runs of a session kept for comparison: the latest few, each with its name, key figures and the
// temperature history at the charted points of the section.

#include "results/KeyFigures.h"
#include "results/ResultsExport.h"

#include <string>
#include <utility>
#include <vector>

namespace korvel {

struct ArchivedRun {
    int number = 0;   // the run's number in the session, from 1
    std::string name; // the case's name, or "Расчет N"
    KeyFigures figures;
    double vlit = 0;                  // m/min: the distance from the meniscus is vlit * tau / 60
    std::vector<ChartSample> history; // as charted during the run
    std::string warning;              // why its step or grid cannot resolve the machine; empty if sound
};

// The point of the section whose temperature a profile follows.
enum class SectionPoint { MidFaceX, MidFaceY, Corner, Centre };

// (distance from the meniscus in m, temperature in °C) along the run's history.
std::vector<std::pair<double, double>> TemperatureProfile(const ArchivedRun& run,
                                                          SectionPoint point = SectionPoint::MidFaceX);

class RunArchive {
public:
    static constexpr std::size_t kCapacity = 6;

    // Keeps a run that has ended, dropping the oldest beyond the capacity. caseName empty: the run is
    // named "Расчет N"; a name already kept gets the run's number added. warning: see ArchivedRun.
    const ArchivedRun& Add(const std::string& caseName, const KeyFigures& figures, double vlit,
                           std::vector<ChartSample> history, const std::string& warning = {});
    // Removes the run with this number; false when there is none.
    bool Remove(int number);
    void Clear() { runs_.clear(); }

    // Oldest first.
    const std::vector<ArchivedRun>& Runs() const { return runs_; }
    const ArchivedRun* Latest() const { return runs_.empty() ? nullptr : &runs_.back(); }
    const ArchivedRun* Find(int number) const;

private:
    std::vector<ArchivedRun> runs_;
    int next_ = 1;
};

} // namespace korvel
