#pragma once

#include "ModelState.h"

#include <vector>

// The energy-conserving time step of the physical boundary model. The conserved variable is the
// volumetric enthalpy of every cell, H = ρ·(hs(T) + (1 - fs(T))·Lf), with ρ = 7800 kg/m³, the sensible
// enthalpy hs from the solid's specific heat up to 1300 °C and 840 J/(kg·K) above, the latent heat Lf of
// the steel's carbon and a solid fraction falling linearly from 1 at the solidus to 0 at the liquidus of
// the steel's composition (the heat balance of the steel grade: the local compositions of the
// segregation sub-models do not feed back into it, so that their grid dependence stays out of the
// solidification). Conduction along X and along Y is implicit, each over the whole step,
// the lines solved by a Newton iteration on the enthalpy (the source-update linearisation of Voller &
// Swaminathan, 1991), every update of H a flux balance, so that the heat a step takes through the
// surface is exactly what the cells lose. The surface node's balance carries the surface flux through
// half a cell of conduction, which gives the surface temperature.

namespace korvel {

struct Model;

// Enthalpy relation of one cell's composition.
struct EnthalpyCurve {
    double ts = 0, tl = 0; // solidus and liquidus of the cell's mean composition, °C
    double a = 0;          // specific heat of the solid below 1300 °C is a + 0.192·T, J/(kg·K)
    double lf = 0;         // latent heat, J/kg
    double hs1300 = 0;     // sensible enthalpy at 1300 °C, J/kg

    double Sensible(double t) const; // J/kg, from 0 °C
    double Fs(double t) const;       // solid fraction at temperature t
    double H(double t) const;        // J/m³
    double Capacity(double t) const; // dH/dT, J/(m³·K)
    double T(double h) const;        // the inverse of H, °C

    // Formed by MakeEnthalpyCurve from the above, for Capacity and T: the latent heat per kelvin of
    // the freezing range, J/(kg·K), and the breakpoints of H (solidus, liquidus, end of the
    // polynomial specific heat, in order) with H/ρ there and, on each of the four stretches they
    // bound, H/ρ = c2·T² + c1·T + c0.
    double latentPerK = 0;
    double br[3] = {};
    double yBr[3] = {};
    double c2[4] = {}, c1[4] = {}, c0[4] = {};
};
EnthalpyCurve MakeEnthalpyCurve(const Model& m, double c, double s);

// Density of the physical model, kg/m³ (solid and liquid alike: the slice's mass is conserved).
constexpr double kEnthalpyDensity = 7800;

// What the physical model keeps beside the model state.
struct PhysicalState {
    NodeField H;               // volumetric enthalpy, J/m³
    EnthalpyCurve steel;       // of the steel's composition
    std::vector<double> surfX; // surface temperature of face i = 1 at column j, °C
    std::vector<double> surfY; // surface temperature of face j = 1 at row i, °C
    long long steps = 0;
    double initialContent = 0; // J per metre of the quarter section at the start of the run
    double heatOut = 0;        // J/m that left the quarter through its surfaces
    double mouldHeatX = 0;     // J/m through face i = 1 of the quarter while in the mould
    double mouldHeatY = 0;     // J/m through face j = 1 of the quarter while in the mould
    double mouldTime = 0;      // s spent in the mould so far
};

// Fills the physical state for a run just initialised (the state at T0, liquid).
void InitialisePhysical(Model& m);

// One time step of the physical model.
void PhysicalTimeStep(Model& m);

// Enthalpy of the quarter section, J per metre of strand.
double SliceEnthalpy(const Model& m);

// Mould heat figures of a run of the physical model, for the whole billet (four faces).
struct MouldHeat {
    double faceX = 0, faceY = 0; // J/m through one face normal to X, resp. Y
    double total = 0;            // J/m, all four faces
    double meanFlux = 0;         // W/m² over the perimeter and the time spent in the mould
    double power = 0;            // W at steady casting
    double waterRise = 0;        // K of the mould's cooling water
};
MouldHeat MouldHeatOf(const Model& m);

// Surface temperature of the mid-face nodes: (L, 1) on face j = 1 and (1, M) on face i = 1, and of the
// corner; the cell-centre temperatures when the run does not use the physical model.
double SurfaceMidFaceY(const Model& m); // face j = 1, row i = L
double SurfaceMidFaceX(const Model& m); // face i = 1, column j = M
double SurfaceCorner(const Model& m);

} // namespace korvel
