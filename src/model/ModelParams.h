#pragma once

#include <cstdint>

namespace korvel {

// Which surface boundary model a run uses: the original coefficients of the machine's zones (the
// default, which files and comparisons rely on), or the physical one (a billet-mould heat-flux law,
// spray correlations and an energy-conserving enthalpy step; see PhysicalBoundary and EnthalpyStep).
enum class BoundaryModel : std::int32_t { Text = 0, Physical = 1 };

// Spray heat-transfer correlations of the physical boundary model (PhysicalBoundary.h).
enum class SprayLaw : std::int32_t { Nozaki = 0, BolleMoureau = 1, Sasaki = 2 };
constexpr int kSprayLawCount = 3;

// Discretisation and orientation of the model; set only in the model parameters dialog, never during a run.
struct ModelParams {
    double Dt = 0.5;           // time step, s
    std::int32_t L = 10;       // grid nodes along X, 4..100
    std::int32_t M = 10;       // grid nodes along Y, 4..100
    std::int32_t SideFlag = 1; // +1: the section on the short radius; -1: on the long radius

    // Boundary model and the inputs of the physical one (unused by the original model).
    BoundaryModel Boundary = BoundaryModel::Text;
    double MouldA = 2.68;    // mould heat flux q = A - B·sqrt(t): A, MW/m²
    double MouldB = 0.335;   // B, MW/(m²·s^0.5)
    double MouldWater = 120; // mould cooling-water flow, m³/h
    double SprayWaterT = 30; // spray water temperature, °C
    SprayLaw Spray = SprayLaw::Nozaki;
    // Multiplier of each spray section's heat-transfer coefficient, fitted to a machine's measured
    // surface temperatures (1: the coefficient as its law gives it).
    double SprayFactor[4] = {1, 1, 1, 1};
};

constexpr std::int32_t kMinNodes = 4;
constexpr std::int32_t kMaxNodes = 100;

} // namespace korvel
