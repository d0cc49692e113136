#pragma once

#include <vector>

// Round tick steps for chart axes.

// A round step dividing span into about `parts` parts: 1, 2 or 5 times a power of ten, never below
// least (least itself when span is not a positive finite number).
double RoundStep(double span, int parts, double least);

// Decimals needed to write multiples of step exactly (0 for whole steps).
int StepDecimals(double step);

// The node numbers labelled on an axis of `count` nodes (1..count) with room for about maxLabels
// labels: every node when they fit, else 1, the multiples of a round step and the last node; each
// number once, in ascending order.
std::vector<int> NodeAxisTicks(int count, int maxLabels);
