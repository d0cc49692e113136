// Random cases over every input and its range: a value inside runs (or ends only at the model's own
// stability check), a value outside is refused, never completed.
#include "cases/FieldRanges.h"
#include "model/SteelProperties.h"
#include "run/HeadlessRun.h"
#include "study/Study.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

using namespace korvel;

namespace {

// A case with coarse grids and a few steps, so that 200 of them stay quick.
Case SmallCase() {
    Case c;
    c.params.L = 5;
    c.params.M = 5;
    return c;
}

double Inside(const FieldRange& r, std::mt19937_64& rng) {
    std::uniform_real_distribution<double> u(0, 1);
    if (r.whole) {
        std::uniform_int_distribution<int> k(static_cast<int>(r.min), static_cast<int>(r.max));
        return std::string(r.key) == "SideFlag" ? (u(rng) < 0.5 ? -1 : 1) : double(k(rng));
    }
    // The edges and values across the range; an open minimum just above it.
    const double t = u(rng);
    if (t < 0.1) return r.minOpen ? r.min + (r.max - r.min) * 1e-6 : r.min;
    if (t < 0.2) return r.max;
    return r.min + (r.max - r.min) * u(rng);
}

double Outside(const FieldRange& r, std::mt19937_64& rng) {
    std::uniform_real_distribution<double> u(0, 1);
    const double span = r.max - r.min;
    const double t = u(rng);
    if (t < 0.25) return r.min - span * (0.01 + u(rng));              // below
    if (t < 0.5) return r.max + span * (0.01 + u(rng));               // above
    if (t < 0.6) return r.max * 1e6 + 1;                              // far above
    if (t < 0.7 && r.minOpen) return r.min;                           // the open end
    if (t < 0.8 && r.whole && r.max - r.min >= 1) return r.min + 0.5; // not whole
    return t < 0.9 ? std::nan("") : -std::numeric_limits<double>::infinity();
}

} // namespace

TEST(RandomRanges, InsideRunsOutsideIsRefused) {
    std::mt19937_64 rng(20261209);
    std::vector<const CaseField*> fields;
    for (const CaseField& f : CaseFields())
        fields.push_back(&f);
    std::uniform_int_distribution<std::size_t> pick(0, fields.size() - 1);
    int inside = 0, outside = 0, unstable = 0;
    for (int n = 0; n < 200; ++n) {
        Case c = SmallCase();
        const CaseField& f = *fields[pick(rng)];
        const FieldRange& r = *FindFieldRange(f.key);
        const bool in = n % 2 == 0;
        double v = in ? Inside(r, rng) : Outside(r, rng);
        if (in && std::string(f.key) == "T0") {
            // Inside for this steel: above its solidus.
            CastingData d;
            AcceptDataWindow(c.window, d);
            v = std::max(v, std::ceil(Tsol(d, d.C, d.S)) + 1);
        }
        if (in && f.param == CaseField::Param::None && std::string(f.key).rfind("Nn", 0) == 0 && v < 1) v = 1;
        const bool settable =
            f.window || !r.whole || (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e9);
        const std::string what = std::string(f.key) + "=" + NumberForMessage(v);
        if (!settable) {
            // A whole-number parameter the case cannot hold: refused before it is set.
            EXPECT_NE(CheckFieldValue(r, v, f.key), "") << what;
            ++outside;
            continue;
        }
        SetCaseValue(c, f, v);
        const StudyRow row = RunStudyCase(c, 12);
        if (in) {
            ++inside;
            EXPECT_NE(row.status, StudyRunStatus::Refused) << what << ": " << row.message;
            if (row.status == StudyRunStatus::NotFinite) ++unstable;
        } else {
            ++outside;
            EXPECT_EQ(row.status, StudyRunStatus::Refused) << what;
            EXPECT_NE(row.message.find(f.key), std::string::npos) << what << ": " << row.message;
            // The model's units refuse it too (the batch runner's and the program's run).
            Model m;
            ApplyCase(c, m);
            EXPECT_NE(CheckRunInput(m.data, m.params), "") << what;
        }
    }
    EXPECT_EQ(inside, 100);
    EXPECT_EQ(outside, 100);
    std::printf("random ranges: %d inside (%d numerically unstable), %d outside\n", inside, unstable,
                outside);
}
