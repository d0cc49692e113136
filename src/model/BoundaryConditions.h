#pragma once

#include "Model.h"

namespace korvel {

// Mould surface target and the reference temperature of the mould's coefficients, °C.
constexpr double kMouldSurfaceTarget = 1100;
constexpr double kMouldReference = 160;

// Spray coefficient of a section with water flow q (m³/h) and nn nozzles, W/(m²·K). A section with
// no nozzles sprays nothing and keeps the bare 293.19.
double SprayCoefficient(double q, double nn);

// Air cooling of a surface at t °C: natural convection (0.06·t + 10)·kface plus radiation with the
// surface emissivity epsSurf to surroundings at tenv °C, W/(m²·K).
double AirLaw(double t, double tenv, double epsSurf, double kface);
// The same law for one environment, its terms that do not depend on t formed once: Of(t) gives the
// same bits as AirLaw(t, tenv, epsSurf, kface).
struct AirTerms {
    double tenv = 0, kface = 0;
    double radiation = 0; // Stefan-Boltzmann constant times the exchange emissivity
    double env4 = 0;      // (tenv + 273)^4
    double Of(double t) const {
        const double a = t + 273;
        return (0.06 * t + 10) * kface + radiation * ((a * a) * (a * a) - env4) / (t - tenv);
    }
};
AirTerms MakeAirTerms(double tenv, double epsSurf, double kface);

// Start of a step, from the distance before the advance: Tenv and EpsSurf of the zone.
void ZoneScalarsAtStepStart(Model& m);

// End of a step, from the new distance: KFace, AlfaSec, AlfaX, AlfaY and, in the mould, the surface
// temperatures.
void SurfaceCoefficientsAtStepEnd(Model& m);

} // namespace korvel
