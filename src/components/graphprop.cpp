#include "components/graphprop.h"

#include <algorithm>
#include <cmath>

double GraphEps = 0.0;

double MachineEpsilon() {
    // volatile keeps every sum rounded to the 64-bit mantissa instead of being folded by the compiler.
    volatile long double d = 1.0L;
    volatile long double sum;
    do {
        d = d / 2.0L;
        sum = 1.0L + d;
    } while (sum != 1.0L);
    return static_cast<double>(2.0L * d);
}

bool IsBetween(long double v, long double a, long double b) {
    const long double eps = GraphEps;
    return std::min(a, b) - eps <= v && v <= std::max(a, b) + eps;
}

bool IsBetween(double v, double a, double b) {
    return std::min(a, b) - GraphEps <= v && v <= std::max(a, b) + GraphEps;
}

bool IsSame(long double a, long double b) {
    return std::fabs(a - b) < static_cast<long double>(GraphEps);
}

bool IsSame(double a, double b) {
    return std::fabs(a - b) < GraphEps;
}

int RoundToPixel(long double x) {
    if (std::isnan(x)) return 0;
    const long double limit = PixelLimit;
    x = std::clamp(x, -limit, limit);
    // rint rounds like nearbyint in the default mode (ties to even) but skips saving the FP environment,
    // which makes it several times faster on long double.
    return static_cast<int>(std::rint(x));
}
