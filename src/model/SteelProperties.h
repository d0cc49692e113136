#pragma once

#include "Model.h"
#include "SteelPropertyTerms.h"

// Thermophysical properties of the steel: closed-form in the local carbon and sulphur (mass %), the
// temperature (°C) and the rest of the chemistry from the casting data. Evaluated in long double.

namespace korvel {

double Tsol(const CastingData& d, double c, double s); // solidus, °C
double Tliq(const CastingData& d, double c, double s); // liquidus, °C
double Lat(const CastingData& d, double c);            // latent heat, J/kg
double Lam(const CastingData& d, double c, double t);  // conductivity of the solid, W/(m·K)
double Cps(double c, double t);                        // specific heat of the solid, J/(kg·K)
double Ro(const Model& m, int i, int j);               // mixture density of node (i, j), kg/m³

} // namespace korvel
