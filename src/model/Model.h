#pragma once

#include "CastingData.h"
#include "ModelParams.h"
#include "ModelState.h"
#include "StepCache.h"

namespace korvel {

// Density of solid steel, kg/m³; the solid fraction of a cell is MSol / (kRoSolid * SCell).
constexpr double kRoSolid = 7800;
// Liquid steel: specific heat J/(kg·K), conductivity W/(m·K), kinematic viscosity m²/s.
constexpr double kCpLiquid = 840;
constexpr double kLamLiquid = 26;
constexpr double kNuLiquid = 1.1e-6;
constexpr double kGravity = 9.81;

// The casting data, the model parameters and the state of the slice they describe. Every procedure of
// the model works on one of these by reference; the program owns the single process-wide instance.
struct Model {
    CastingData data;
    ModelParams params;
    ModelState state;
    // Values a time step remembers between and within steps; derived, never part of the results.
    mutable StepCache cache;

    // The flow field refreshes the ferrostatic pressure at every node it processes. By default it sums
    // the section's solid fractions once per evaluation (nothing they depend on changes meanwhile);
    // set this to re-sum them at every refresh, the straightforward and slow way (for comparison).
    bool ReferenceFerroPressure = false;

    // Solid fraction of node (i, j).
    double Fs(int i, int j) const { return state.MSol[i][j] / (kRoSolid * state.SCell); }
    // Distance of the slice from the meniscus, m. At one casting speed throughout, Vlit / 60 * Tau; once
    // SetCastingSpeed has changed the speed, the integral of the speed over the slice's time.
    double Z() const {
        if (!state.SpeedChanged) return data.Vlit / 60 * state.Tau;
        return state.ZBase + data.Vlit / 60 * (state.Tau - state.TauBase);
    }
};

// Sets the casting speed (m/min) for the steps that follow. The distance travelled so far is kept:
// from now on the slice moves on from it at the new speed. Setting the speed the run already has changes
// nothing, so a run at one speed throughout is the same to the last bit as one that never calls this.
void SetCastingSpeed(Model& m, double vlit);

// Sizes the state from the casting data and the model parameters: derives the geometry, then
// re-creates every field and line array filled with zeros. The run scalars are left as they are.
void SizeState(Model& m);

} // namespace korvel
