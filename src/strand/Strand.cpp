#include "Strand.h"

#include "model/RunInit.h"
#include "model/SteelProperties.h"
#include "model/TimeStep.h"
#include "results/DerivedResults.h"
#include "results/KeyFigures.h"
#include "run/HeadlessRun.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>

namespace korvel {

namespace {

// The number of whole time steps in one launch interval, or 0 when the interval is not a whole number
// of steps.
long long StepsPerLaunch(double launch, double dt) {
    if (!(launch > 0) || !(dt > 0) || !std::isfinite(launch / dt)) return 0;
    const double n = std::round(launch / dt);
    if (n < 1 || n > 1e9 || std::fabs(n * dt - launch) > 1e-9 * launch) return 0;
    return static_cast<long long>(n);
}

// The last moment's number: moments are 0, launch, .., up to the duration.
long long LastMoment(const StrandOptions& o) {
    return static_cast<long long>(std::floor(o.durationMin * 60 / o.launch + 1e-9));
}

std::string Text(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// Puts the schedule's conditions of the step that starts at t s of casting into the model: the speed of
// the middle of the step (the distance is its integral), the flows of its end (where the step's end sets
// the coefficients of the next one).
void ApplyConditions(Model& m, const Schedule& s, const CastingData& base, double t, double dt) {
    SetCastingSpeed(m, ScheduleAt(s, (t + dt / 2) / 60, base).vlit);
    const CastingConditions end = ScheduleAt(s, (t + dt) / 60, base);
    m.data.Q1 = end.q[0];
    m.data.Q2 = end.q[1];
    m.data.Q3 = end.q[2];
    m.data.Q4 = end.q[3];
}

SliceSample Sample(const Model& m, const ResultsTracker& tracker) {
    SliceSample s;
    s.at = SampleProfile(m);
    const KeyFigures k = ComputeKeyFigures(m, tracker.Results(m), true);
    s.reheat = k.maxReheat;
    s.mouldExitShell = k.mouldExitShell;
    s.centreCarbon = k.centreCarbonRatio;
    s.centreSulphur = k.centreSulphurRatio;
    return s;
}

class StrandRunner {
public:
    StrandRunner(const Model& base, const Schedule& s, const StrandOptions& o,
                 const std::function<void(StrandMoment&&)>& onMoment, const std::atomic<bool>* stop,
                 const std::function<void(double)>& progress)
        : base_(base), schedule_(s), o_(o), onMoment_(onMoment), stop_(stop), progress_(progress) {
        spl_ = StepsPerLaunch(o.launch, base.params.Dt);
        lastMoment_ = LastMoment(o);
        length_ = std::isfinite(o.length) ? o.length : StrandLength(base.data, o.limits);
        pyrometers_ = o.pyrometers.empty() ? DefaultPyrometers(base.data, o.limits) : o.pyrometers;
        solidus_ = Tsol(base.data, base.data.C, base.data.S);
        const std::size_t n = static_cast<std::size_t>(lastMoment_ + 1);
        samples_.resize(n);
        done_.assign(n, false);
    }

    StrandOutcome Run() {
        const long long slices = lastMoment_ + 1;
        int jobs =
            o_.jobs > 0 ? o_.jobs : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        jobs = static_cast<int>(std::min<long long>(jobs, slices));
        if (jobs <= 1) {
            Work();
        } else {
            std::vector<std::thread> pool;
            for (int t = 0; t < jobs; ++t)
                pool.emplace_back([this] { Work(); });
            for (std::thread& t : pool)
                t.join();
        }
        StrandOutcome out;
        out.slices = finished_;
        out.computed = computed_.load();
        if (!failure_.empty()) {
            out.end = StrandEnd::Failed;
            out.message = failure_;
        } else if (nextMoment_ <= lastMoment_) {
            out.end = StrandEnd::Stopped;
        }
        return out;
    }

private:
    bool Stopping() const { return halt_.load() || (stop_ && stop_->load()); }

    void Work() {
        for (;;) {
            const long long k = next_.fetch_add(1);
            if (k > lastMoment_ || Stopping()) return;
            std::vector<SliceSample> samples;
            std::string failure;
            if (!Reused(k, samples) && !RunSlice(k, samples, failure)) {
                std::lock_guard<std::mutex> lock(mutex_);
                if (!failure.empty() && failure_.empty()) failure_ = failure;
                halt_.store(true);
                return;
            }
            Deliver(k, std::move(samples));
        }
    }

    // The conditions under which slice k travels when they hold still all its way, else false.
    bool SteadyConditions(long long k, CastingConditions& c) const {
        if (!o_.reuseSteadySlices) return false;
        const double entry = static_cast<double>(k) * o_.launch;
        c = ScheduleAt(schedule_, entry / 60, base_.data);
        // Its way: to the end of the followed strand at that speed, one interval more, or the casting's end.
        const double way = length_ / (c.vlit / 60) + 2 * o_.launch;
        const double end = std::min(entry + way, static_cast<double>(lastMoment_) * o_.launch);
        return std::isfinite(way) && ScheduleConstantOn(schedule_, entry / 60, end / 60);
    }

    // Takes the samples of slice k from a slice computed under the same steady conditions.
    bool Reused(long long k, std::vector<SliceSample>& out) {
        CastingConditions c;
        if (!SteadyConditions(k, c)) return false;
        const std::size_t needed = static_cast<std::size_t>(lastMoment_ - k + 1);
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = steady_.find(Key(c));
        if (it == steady_.end() || (!it->second.complete && it->second.samples.size() < needed)) return false;
        const std::vector<SliceSample>& v = it->second.samples;
        out.assign(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(std::min(needed, v.size())));
        return true;
    }

    // Remembers a computed slice that travelled under steady conditions.
    void RememberSteady(long long k, const std::vector<SliceSample>& samples, bool complete) {
        CastingConditions c;
        if (!SteadyConditions(k, c)) return;
        std::lock_guard<std::mutex> lock(mutex_);
        Steady& e = steady_[Key(c)];
        if (e.complete || e.samples.size() >= samples.size()) return;
        e.samples = samples;
        e.complete = complete;
    }

    static std::array<double, 5> Key(const CastingConditions& c) {
        return {c.vlit, c.q[0], c.q[1], c.q[2], c.q[3]};
    }

    // One slice from its entry at k launch intervals to where it leaves the followed strand or the
    // casting ends. False when stopped or failed (with the reason in `failure`).
    bool RunSlice(long long k, std::vector<SliceSample>& out, std::string& failure) {
        Model m;
        m.data = base_.data;
        m.params = base_.params;
        SizeState(m);
        InitialiseRun(m);
        ++computed_;
        const double dt = m.params.Dt;
        const double entry = static_cast<double>(k) * o_.launch;
        // The entry's own speed, so that a slice of a constant schedule runs at one speed throughout.
        m.data.Vlit = ScheduleAt(schedule_, entry / 60, base_.data).vlit;
        ResultsTracker tracker;
        tracker.Start(m);
        out.push_back(Sample(m, tracker));
        long long steps = 0;
        const std::function<bool()> stopping = [this] { return Stopping(); };
        for (long long moment = k + 1; moment <= lastMoment_; ++moment) {
            for (long long n = 0; n < spl_; ++n) {
                if (Stopping()) return false;
                ApplyConditions(m, schedule_, base_.data, entry + static_cast<double>(steps) * dt, dt);
                if (!StrandTimeStep(m, stopping)) return false;
                ++steps;
                if (!StateIsFinite(m) || !TemperaturesPhysical(m)) {
                    failure = "Слиток, вошедший в кристаллизатор на " + Text(entry / 60) +
                              " мин: " + UnstableRunMessage(steps, m.Z(), dt);
                    return false;
                }
                tracker.Step(m);
            }
            out.push_back(Sample(m, tracker));
            if (m.Z() > length_) {
                RememberSteady(k, out, true);
                return true;
            }
        }
        RememberSteady(k, out, false);
        return true;
    }

    void Deliver(long long k, std::vector<SliceSample>&& samples) {
        std::lock_guard<std::mutex> lock(mutex_);
        samples_[static_cast<std::size_t>(k)] = std::move(samples);
        done_[static_cast<std::size_t>(k)] = true;
        ++finished_;
        while (prefix_ <= lastMoment_ && done_[static_cast<std::size_t>(prefix_)])
            ++prefix_;
        while (nextMoment_ < prefix_ && !Stopping()) {
            StrandMoment mo = Assemble(nextMoment_);
            ++nextMoment_;
            if (onMoment_) onMoment_(std::move(mo));
        }
        if (progress_) progress_(static_cast<double>(finished_) / static_cast<double>(lastMoment_ + 1));
    }

    StrandMoment Assemble(long long n) {
        StrandMoment mo;
        mo.t = static_cast<double>(n) * o_.launch;
        const CastingConditions now = ScheduleAt(schedule_, mo.t / 60, base_.data);
        mo.vlit = now.vlit;
        for (long long j = n; j >= firstLive_; --j) {
            const std::vector<SliceSample>& v = samples_[static_cast<std::size_t>(j)];
            const long long age = n - j;
            if (age < static_cast<long long>(v.size())) mo.slices.push_back(v[static_cast<std::size_t>(age)]);
        }
        // Slices that have left the strand are no longer needed.
        while (firstLive_ <= n &&
               firstLive_ + static_cast<long long>(samples_[static_cast<std::size_t>(firstLive_)].size()) <=
                   n + 1) {
            std::vector<SliceSample>().swap(samples_[static_cast<std::size_t>(firstLive_)]);
            ++firstLive_;
        }

        // Crater end: where the centre first falls below the solidus, between two neighbouring slices.
        for (std::size_t p = 1; p < mo.slices.size(); ++p) {
            const ProfilePoint &a = mo.slices[p - 1].at, &b = mo.slices[p].at;
            if (!(b.centre < solidus_)) continue;
            const double f = a.centre >= solidus_ && a.centre != b.centre
                                 ? (a.centre - solidus_) / (a.centre - b.centre)
                                 : 1;
            mo.craterEnd = a.z + f * (b.z - a.z);
            break;
        }

        CastingData d = base_.data;
        d.Vlit = now.vlit;
        const MachineProfile profile = StrandProfile(mo, d);
        for (double z : pyrometers_) {
            PyrometerReading r;
            ProfilePoint at;
            if (ProfileAt(profile, z, at)) r = {at.surfaceX, at.surfaceY, at.corner};
            mo.pyrometers.push_back(r);
        }

        KeyFigures k;
        k.completed = true;
        k.tau = mo.t;
        k.metallurgicalLength = mo.craterEnd;
        for (const SliceSample& s : mo.slices) {
            if (std::isnan(k.mouldExitShell) && std::isfinite(s.mouldExitShell))
                k.mouldExitShell = s.mouldExitShell;
            k.maxReheat = std::max(k.maxReheat, s.reheat);
        }
        if (!mo.slices.empty()) {
            const SliceSample& last = mo.slices.back();
            k.centreCarbonRatio = last.centreCarbon;
            k.centreSulphurRatio = last.centreSulphur;
            k.centreTemperature = last.at.centre;
        }
        mo.verdict = JudgeQuality(k, profile, d, o_.limits);
        return mo;
    }

    const Model& base_;
    const Schedule& schedule_;
    const StrandOptions& o_;
    const std::function<void(StrandMoment&&)>& onMoment_;
    const std::atomic<bool>* stop_;
    const std::function<void(double)>& progress_;
    long long spl_ = 1, lastMoment_ = 0;
    double length_ = 0, solidus_ = 0;
    std::vector<double> pyrometers_;

    std::atomic<long long> next_{0};
    std::atomic<bool> halt_{false};
    std::mutex mutex_;
    std::vector<std::vector<SliceSample>> samples_; // per slice, its samples from its entry on
    std::vector<bool> done_;
    long long prefix_ = 0;     // slices 0..prefix_-1 are all done
    long long nextMoment_ = 0; // next moment to deliver
    long long firstLive_ = 0;  // slices before it have left the strand and been let go
    long long finished_ = 0;
    std::string failure_;
    struct Steady {
        std::vector<SliceSample> samples;
        bool complete = false; // it left the followed strand (not cut by the casting's end)
    };
    std::map<std::array<double, 5>, Steady> steady_; // computed slices under steady conditions
    std::atomic<long long> computed_{0};
};

} // namespace

StrandStepFunction StrandTimeStep = [](Model& m, const std::function<bool()>&) {
    TimeStep(m);
    return true;
};

double StrandLength(const CastingData& d, const QualityLimits& limits) {
    return std::max({StraighteningPoint(d, limits), d.Lkrist + d.Lzvo, d.Lend4});
}

std::vector<double> DefaultPyrometers(const CastingData& d, const QualityLimits& limits) {
    return {d.Lkrist, d.Lend1, d.Lend2, d.Lend3, d.Lend4, StraighteningPoint(d, limits)};
}

std::string CheckStrand(const Model& base, const Schedule& s, const StrandOptions& o) {
    if (std::string why = CheckRunInput(base.data, base.params); !why.empty()) return why;
    if (!s.Empty())
        if (std::string why = CheckSchedule(s); !why.empty()) return "Расписание: " + why + ".";
    if (!std::isfinite(o.launch) || !(o.launch > 0))
        return "Интервал запуска слитков должен быть больше нуля.";
    if (StepsPerLaunch(o.launch, base.params.Dt) == 0)
        return "Интервал запуска слитков (" + Text(o.launch) + " с) должен быть кратен шагу расчета (" +
               Text(base.params.Dt) + " с).";
    if (!std::isfinite(o.durationMin) || !(o.durationMin >= 0))
        return "Длительность разливки должна быть числом не меньше нуля.";
    if (!(o.durationMin * 60 / o.launch < static_cast<double>(kMaxStrandSlices)))
        return "Длительность разливки и интервал запуска дают больше " + std::to_string(kMaxStrandSlices) +
               " слитков; увеличьте интервал или сократите разливку.";
    if (!std::isnan(o.length) && !(std::isfinite(o.length) && o.length > 0))
        return "Длина участка ручья должна быть больше нуля.";
    for (double z : o.pyrometers)
        if (!std::isfinite(z) || z < 0)
            return "Положение пирометра " + Text(z) + " м: должно быть числом не меньше нуля.";
    if (std::string why = CheckQualityLimits(o.limits); !why.empty()) return why;
    return {};
}

MachineProfile StrandProfile(const StrandMoment& m, const CastingData& d) {
    MachineProfile p;
    p.zones = ZonesOf(d);
    p.points.reserve(m.slices.size());
    for (const SliceSample& s : m.slices)
        p.points.push_back(s.at);
    return p;
}

StrandOutcome RunStrand(const Model& base, const Schedule& s, const StrandOptions& o,
                        const std::function<void(StrandMoment&&)>& onMoment, const std::atomic<bool>* stop,
                        const std::function<void(double share)>& progress) {
    if (std::string why = CheckStrand(base, s, o); !why.empty()) return {StrandEnd::Failed, why, 0};
    StrandRunner runner(base, s, o, onMoment, stop, progress);
    return runner.Run();
}

} // namespace korvel
