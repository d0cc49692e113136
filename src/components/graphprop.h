#pragma once

// Tolerant comparisons used by the band clipping of the isotherm field.

// Tolerance of IsBetween and IsSame. 0 until the first TpzPaintIsoZone is constructed; every construction
// sets it to MachineEpsilon() again.
extern double GraphEps;

// Smallest power of two d with 1 + d != 1 in extended (long double) arithmetic: 2^-63 on x87.
double MachineEpsilon();

// min(a, b) - GraphEps <= v <= max(a, b) + GraphEps; the order of a and b does not matter.
bool IsBetween(long double v, long double a, long double b);
bool IsBetween(double v, double a, double b);

// |a - b| < GraphEps.
bool IsSame(long double a, long double b);
bool IsSame(double a, double b);

// x rounded to the nearest integer, ties to even; NaN gives 0 and values beyond +-PixelLimit are clamped,
// so that no painting coordinate overflows an int.
constexpr int PixelLimit = 1 << 20;
int RoundToPixel(long double x);
