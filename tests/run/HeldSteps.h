#pragma once

// A time step that goes only as far as the test allows: a run stays active for as long as a test needs
// it, however fast the model is. Each step takes one unit of `Allowed()`; with none left the worker
// waits inside the step until the test gives more or a stop is requested (then the step is skipped and
// the worker ends as after any stop).

#include "model/TimeStep.h"
#include "run/UnSolveThread.h"

#include <QThread>
#include <atomic>
#include <climits>

namespace held {

inline std::atomic<long long>& Allowed() {
    static std::atomic<long long> allowed{LLONG_MAX};
    return allowed;
}

inline void Step(korvel::Model& m) {
    auto* worker = qobject_cast<TSolveThread*>(QThread::currentThread());
    while (Allowed().load() <= 0) {
        if (worker && worker->StopRequested()) return;
        QThread::msleep(1);
    }
    --Allowed();
    korvel::TimeStep(m);
}

// Runs started after this take steps only as `steps` allows (LLONG_MAX: without limit).
inline void Use(long long steps) {
    Allowed() = steps;
    TSolveThread::TimeStepFunction = &Step;
}

inline void Release() {
    Allowed() = LLONG_MAX;
}

} // namespace held
