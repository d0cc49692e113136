#pragma once

// The whole strand under a casting schedule. Slices enter the mould one launch interval apart; each is a
// run of the slice model of its own, travelling at the schedule's speed of each moment (its distance the
// integral of the speed) and cooled by the water of the section it is in at that moment. Taken together
// at one moment of casting, the slices give the strand along the machine: surface, corner and centre
// temperatures, the shell, the crater end and the quality criteria. The slices are independent of one
// another and run on several threads; the strand at a moment is put together as soon as every slice it
// holds has been computed, and only these per-moment figures are kept (never the slices' fields).
//
// Limits of the method: each slice is the slice model, so heat is carried only across the section (no
// conduction along the strand), and the strand at a moment is sampled one launch interval apart.

#include "Schedule.h"
#include "model/Model.h"
#include "results/MachineProfile.h"
#include "results/QualityVerdict.h"

#include <atomic>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace korvel {

struct StrandOptions {
    double launch = 10;             // s of casting between two slices entering the mould
    double durationMin = 60;        // minutes of casting
    double length = NAN;            // m of strand followed; NaN: StrandLength of the case
    std::vector<double> pyrometers; // m from the meniscus; empty: DefaultPyrometers of the case
    QualityLimits limits;
    int jobs = 0; // threads; 0: one per core
    // Slices whose whole way through the strand falls in a stretch of the schedule that holds still are
    // alike to the last bit: compute one and take its figures for the others (false: compute every one).
    bool reuseSteadySlices = true;
};

// The most slices a strand may hold in its whole casting.
constexpr long long kMaxStrandSlices = 1000000;

// How far along the machine the strand is followed by default: past the straightening point, the end of
// the secondary-cooling zone and the last spray section, whichever lies furthest.
double StrandLength(const CastingData& d, const QualityLimits& limits);

// Where pyrometers stand by default: the mould exit, the end of each spray section and the straightening
// point.
std::vector<double> DefaultPyrometers(const CastingData& d, const QualityLimits& limits);

// Empty when the strand can run, else a Russian message naming the value.
std::string CheckStrand(const Model& base, const Schedule& s, const StrandOptions& o);

// One slice at one moment.
struct SliceSample {
    ProfilePoint at;             // temperatures and shell; at.tau is the slice's own time, s
    double reheat = 0;           // K: largest rise of a mid-face over its own minimum after the mould
    double mouldExitShell = NAN; // mm: the thinner mid-face shell when it left the mould
    double centreCarbon = NAN;   // ratio of the centre's mean carbon to the melt's
    double centreSulphur = NAN;  // the same for sulphur
};

// A pyrometer's reading: the surface at a fixed distance, °C; NaN while the strand has not reached it.
struct PyrometerReading {
    double surfaceX = NAN, surfaceY = NAN, corner = NAN;
};

// The strand at one moment of casting.
struct StrandMoment {
    double t = 0;                    // s of casting
    double vlit = 0;                 // m/min at that moment
    std::vector<SliceSample> slices; // from the meniscus down the strand
    double craterEnd = NAN;          // m: where the centre reaches the solidus; NaN while liquid through
    std::vector<PyrometerReading> pyrometers;
    std::vector<CriterionResult> verdict; // the criteria judged on the strand as it stands
};

enum class StrandEnd { Finished, Stopped, Failed };

struct StrandOutcome {
    StrandEnd end = StrandEnd::Finished;
    std::string message;    // why a slice failed (Russian)
    long long slices = 0;   // slices in the strand's casting
    long long computed = 0; // of them computed (the others taken from a slice alike)
};

// The strand at a moment as a profile along the machine (for ProfileAt and the verdict).
MachineProfile StrandProfile(const StrandMoment& m, const CastingData& d);

// The time step every slice takes: TimeStep, returning true. A test may put in a step that waits, to hold
// a run where it needs it; such a step must return false, without stepping, once `stopping()` is true.
using StrandStepFunction = bool (*)(Model& m, const std::function<bool()>& stopping);
extern StrandStepFunction StrandTimeStep;

// Runs the strand. onMoment receives every moment in order, t = 0, launch, 2 launch, .. up to the
// duration, each as soon as it is complete; it is called on one of the strand's threads, never on two at
// once. A stop request ends the run within the time of one slice per thread; the moments delivered
// stay valid. The base model gives the case (casting data and model parameters); its state is not used.
StrandOutcome RunStrand(const Model& base, const Schedule& s, const StrandOptions& o,
                        const std::function<void(StrandMoment&&)>& onMoment,
                        const std::atomic<bool>* stop = nullptr,
                        const std::function<void(double share)>& progress = {});

} // namespace korvel
