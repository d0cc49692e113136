#pragma once

#include "../Model.h"

namespace korvel {

double CellTemperature(const Model& m, int i, int j); // two-phase temperature of the cell, °C
double FrozenMass(const Model& m, int i, int j);      // solid formed by the step's cooling, kg/m
double MeltedMass(const Model& m, int i, int j);      // solid melted by the step's reheating, kg/m

// Equilibrium partition coefficients of carbon and sulphur at the liquid's composition.
double CarbonPartition(double cliq);
double SulphurPartition(double sliq);

// Solidifies or remelts node (i, j) inside its freezing range.
void SolidifyCell(Model& m, int i, int j);

} // namespace korvel
