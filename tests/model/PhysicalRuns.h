#pragma once

// Runs of the physical boundary model for the tests: the default case and the 130 mm case, followed
// step by step for the derived results, the energy balance, the solidus invariant, surface
// temperatures along the machine and the growth of the solidification front.

#include "model/EnthalpyStep.h"
#include "model/Model.h"
#include "model/RunInit.h"
#include "model/SteelProperties.h"
#include "model/TimeStep.h"
#include "results/DerivedResults.h"
#include "run/HeadlessRun.h"

#include <cmath>
#include <vector>

namespace korvel::test_models {

struct PhysicalCase {
    CastingData data;
    ModelParams params;
};

// The data window's start values (160 mm square, 1.5 m/min) on an n × n grid.
inline PhysicalCase DefaultCase(int n, double dt, double tauEnd) {
    PhysicalCase c;
    AcceptDataWindow(DataWindowStartValues(), c.data);
    c.data.TauEnd = tauEnd;
    c.params.L = c.params.M = n;
    c.params.Dt = dt;
    c.params.Boundary = BoundaryModel::Physical;
    return c;
}

// A 130 mm billet at 2.0 m/min, C 0.42, mould 0.715 m, poured at 1520 °C.
inline PhysicalCase SmallCase(int n, double dt, double tauEnd) {
    PhysicalCase c = DefaultCase(n, dt, tauEnd);
    c.data.HalfX = c.data.HalfY = 0.065;
    c.data.C = 0.42;
    c.data.Vlit = 2.0;
    c.data.Lkrist = 0.715;
    c.data.T0 = 1520;
    return c;
}

struct PhysicalRun {
    bool completed = false;
    DerivedResults results;
    MouldHeat mould;
    double energyError = 0;    // (heat out - enthalpy lost) / enthalpy lost
    int mushyBelowSolidus = 0; // cells at or below the steel's solidus and not solid through, over all steps
    std::vector<double> zs, midFace, corner; // surface temperatures at the distances zs
};

// Runs the case step by step to its process time (or until a field stops being a number or leaves the
// physical range), sampling the surface temperatures as the slice passes the distances zs.
inline PhysicalRun RunPhysical(const PhysicalCase& c, std::vector<double> zs = {}) {
    Model m;
    m.data = c.data;
    m.params = c.params;
    PhysicalRun r;
    r.zs = zs;
    SizeState(m);
    InitialiseRun(m);
    ResultsTracker tracker;
    tracker.Start(m);
    double prevZ = 0, prevMid = m.data.T0, prevCorner = m.data.T0;
    std::size_t next = 0;
    const double full = kRoSolid * m.state.SCell;
    while (m.state.Tau < m.data.TauEnd) {
        TimeStep(m);
        if (!StateIsFinite(m) || !TemperaturesPhysical(m)) return r;
        tracker.Step(m);
        for (int i = 1; i <= m.params.L; ++i)
            for (int j = 1; j <= m.params.M; ++j)
                if (m.state.Tem[i][j] <= Tsol(m.data, m.data.C, m.data.S) && m.state.MSol[i][j] < full)
                    ++r.mushyBelowSolidus;
        const double z = m.Z(), mid = SurfaceMidFaceY(m), corner = SurfaceCorner(m);
        for (; next < zs.size() && zs[next] <= z; ++next) {
            const double f = (zs[next] - prevZ) / (z - prevZ);
            r.midFace.push_back(prevMid + f * (mid - prevMid));
            r.corner.push_back(prevCorner + f * (corner - prevCorner));
        }
        prevZ = z;
        prevMid = mid;
        prevCorner = corner;
    }
    r.completed = true;
    r.results = tracker.Results(m);
    r.mould = MouldHeatOf(m);
    const double lost = m.phys.initialContent - SliceEnthalpy(m);
    r.energyError = (m.phys.heatOut - lost) / lost;
    return r;
}

} // namespace korvel::test_models
