#include "PhysicalBoundary.h"

#include <algorithm>
#include <cmath>

namespace korvel {

double MouldFlux(double a, double b, double t) {
    return std::max(0.0, a - b * std::sqrt(std::max(0.0, t)));
}

double MouldFluxIntegral(double a, double b, double t) {
    t = std::max(0.0, t);
    // The law reaches zero at t0 = (a / b)²; beyond it the flux stays zero.
    if (b > 0) t = std::min(t, (a / b) * (a / b));
    return std::max(0.0, a * t - 2.0 / 3.0 * b * t * std::sqrt(t));
}

double CornerFactor(double from, double to) {
    if (!(to > from)) return 1;
    // Integral of the multiplier from the corner to x.
    auto integral = [](double x) {
        const double g = std::min(x, kCornerGapWidth);
        const double ramp = kCornerFluxRatio * g + (1 - kCornerFluxRatio) * g * g / (2 * kCornerGapWidth);
        return ramp + std::max(0.0, x - kCornerGapWidth);
    };
    return (integral(to) - integral(from)) / (to - from);
}

double SprayWaterFlux(double q, double length, double halfX, double halfY) {
    const double area = length * 4 * (halfX + halfY); // m²
    if (!(area > 0) || !(q > 0)) return 0;
    return q / 3.6 / area; // m³/h -> l/s, over m²
}

SprayTerms MakeSprayTerms(SprayLaw law, double w, double tw) {
    SprayTerms t;
    t.law = law;
    t.wetted = w > 0;
    if (!t.wetted) return t;
    switch (law) {
    case SprayLaw::Nozaki:
        t.base = std::max(0.0, 392.5 * std::pow(w, 0.55) * (1 - 0.0075 * tw));
        break;
    case SprayLaw::BolleMoureau:
        t.base = 423 * std::pow(w, 0.556);
        break;
    case SprayLaw::Sasaki:
        // Published in kW/(m²·K): 708·w^0.75·ts^-1.2 + 0.116.
        t.base = 708e3 * std::pow(w, 0.75);
        break;
    }
    return t;
}

double SprayCoefficient(SprayLaw law, double w, double tw, double ts) {
    return MakeSprayTerms(law, w, tw).Coefficient(ts);
}

const char* SprayLawName(SprayLaw law) {
    switch (law) {
    case SprayLaw::Nozaki:
        return "Nozaki 1978";
    case SprayLaw::BolleMoureau:
        return "Bolle-Moureau 1979";
    case SprayLaw::Sasaki:
        return "Sasaki 1979";
    }
    return "";
}

const char* BoundaryModelKey(BoundaryModel b) {
    return b == BoundaryModel::Physical ? "physical" : "text";
}

double MouldWaterRise(double heatPerLength, double vlit, double flow) {
    if (!(flow > 0)) return 0;
    const double power = heatPerLength * vlit / 60;    // W
    return power / (kWaterHeatCapacity * flow / 3600); // K
}

} // namespace korvel
