#pragma once

// The strand's slices step only as far as the test allows, out of the same `held::Allowed()` as
// HeldSteps.h: a casting run stays active for as long as a test needs it, however fast the model is. With
// no steps left a slice waits inside its step until the test gives more or the run is stopped (then the
// slice ends as after any stop).

#include "HeldSteps.h"
#include "model/TimeStep.h"
#include "strand/Strand.h"

#include <QThread>

namespace held {

inline bool SliceStep(korvel::Model& m, const std::function<bool()>& stopping) {
    while (Allowed().load() <= 0) {
        if (stopping()) return false;
        QThread::msleep(1);
    }
    --Allowed();
    korvel::TimeStep(m);
    return true;
}

// Casting runs started after this take steps only as `steps` allows (LLONG_MAX: without limit).
inline void UseSlices(long long steps) {
    Allowed() = steps;
    korvel::StrandTimeStep = &SliceStep;
}

} // namespace held
