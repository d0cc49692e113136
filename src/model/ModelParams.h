#pragma once

#include <cstdint>

namespace korvel {

// Discretisation and orientation of the model; set only in the model parameters dialog, never during a run.
struct ModelParams {
    double Dt = 0.5;           // time step, s
    std::int32_t L = 10;       // grid nodes along X, 4..100
    std::int32_t M = 10;       // grid nodes along Y, 4..100
    std::int32_t SideFlag = 1; // +1: the section on the short radius; -1: on the long radius
    // Multiplier of each spray section's heat-transfer coefficient, fitted to a machine's measured
    // surface temperatures (1: the coefficient as its law gives it).
    double SprayFactor[4] = {1, 1, 1, 1};
};

constexpr std::int32_t kMinNodes = 4;
constexpr std::int32_t kMaxNodes = 100;

} // namespace korvel
