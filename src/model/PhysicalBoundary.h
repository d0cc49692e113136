#pragma once

#include "ModelParams.h"

#include <algorithm>
#include <cmath>

// The laws of the physical boundary model: the mould's heat flux, the reduced flux of the corner's air
// gap, the spray correlations and the mould water's temperature rise. Pure functions; the enthalpy
// step (EnthalpyStep) applies them to the surface nodes.

namespace korvel {

struct Model;

// Mould heat flux of a billet mould, Savage & Pritchard (1954): q(t) = A - B·sqrt(t), t the time since
// the meniscus in s, never below zero. a in W/m², b in W/(m²·s^0.5); result W/m².
double MouldFlux(double a, double b, double t);
// Its integral from 0 to t, J/m² (exact, with the flux held at zero once the law reaches it).
double MouldFluxIntegral(double a, double b, double t);

// Air gap at the corner: the mould flux falls linearly from the face value at kCornerGapWidth from the
// corner to kCornerFluxRatio of it at the corner's edge. The shape follows the corner gap of billet
// moulds (Samarasekera & Brimacombe, 1982; Park, Thomas & Samarasekera, 2002); the width and the ratio
// are this model's assumption for square billets with small corner radii, not figures taken from those
// papers (neither could be checked against their text).
constexpr double kCornerGapWidth = 0.015; // m
constexpr double kCornerFluxRatio = 0.5;
// Mean of that multiplier over the stretch [from, to] of a face, measured from the corner (m).
double CornerFactor(double from, double to);

// Water flux of a spray section over its sprayed surface, l/(m²·s): the flow q (m³/h) over the section's
// length times the billet's perimeter (all four faces sprayed).
double SprayWaterFlux(double q, double length, double halfX, double halfY);

// Heat-transfer coefficient of water sprays, W/(m²·K), for water flux w (l/(m²·s)), water temperature tw
// (°C) and surface temperature ts (°C):
//  Nozaki et al. (1978): h = 392.5·w^0.55·(1 - 0.0075·tw) (Shimada & Mitsutsuka's 1.57·w^0.55·(1 -
//    0.0075·tw) kW/(m²·K) divided by Nozaki's machine factor 4);
//  Bolle & Moureau (1979): h = 423·w^0.556 (1 < w < 7 l/(m²·s), 627 < ts < 927 °C);
//  Sasaki et al. (1979): h = 708·w^0.75·ts^-1.2 + 0.116 in kW/(m²·K), ts ≥ 100 °C here.
// The three agree in size (0.30, 0.42 and 0.32 kW/(m²·K) at 1 l/(m²·s), 30 °C water and a 900 °C
// surface), which settles their units. Sasaki's agrees with the paper's own 2.83e7·W^0.75·Ts^-1.2 + 100
// kcal/(m²·h·°C), W in l/(cm²·min), 700-1200 °C (Tetsu-to-Hagane 65 (1979) 90); the other two could not
// be checked against their papers here (see the README).
double SprayCoefficient(SprayLaw law, double w, double tw, double ts);

// The same law with its water flux and water temperature fixed (a spray section during a step): the
// powers of w formed once, Coefficient(ts) the same bits as SprayCoefficient(law, w, tw, ts).
struct SprayTerms {
    SprayLaw law = SprayLaw::Nozaki;
    double base = 0;     // the coefficient, or for Sasaki its factor of ts^-1.2, W/(m²·K)
    bool wetted = false; // w > 0
    double Coefficient(double ts) const {
        if (!wetted) return 0;
        if (law == SprayLaw::Sasaki) return base * std::pow(std::max(ts, 100.0), -1.2) + 116;
        return base;
    }
};
SprayTerms MakeSprayTerms(SprayLaw law, double w, double tw);

// Caption of a spray law for windows and files ("Nozaki 1978", ...).
const char* SprayLawName(SprayLaw law);
// Key of a boundary model in files and on the command line: "text" or "physical".
const char* BoundaryModelKey(BoundaryModel b);

// Mould water: specific heat times density, J/(m³·K).
constexpr double kWaterHeatCapacity = 4.186e6;
// Temperature rise of the mould's cooling water, K, when the mould takes `heatPerLength` J per metre of
// strand (all four faces) at casting speed vlit (m/min) with a water flow of `flow` m³/h.
double MouldWaterRise(double heatPerLength, double vlit, double flow);

} // namespace korvel
