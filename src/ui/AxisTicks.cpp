#include "AxisTicks.h"

#include <algorithm>
#include <cmath>

double RoundStep(double span, int parts, double least) {
    if (!(span > 0) || !std::isfinite(span)) return least;
    const double raw = span / std::max(parts, 1);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10 * power;
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw * (1 - 1e-9)) {
            step = m * power;
            break;
        }
    return std::max(step, least);
}

int StepDecimals(double step) {
    if (!(step > 0) || !std::isfinite(step)) return 0;
    int decimals = 0;
    while (decimals < 9 && std::abs(step - std::round(step)) > 1e-9 * std::max(1.0, step)) {
        step *= 10;
        ++decimals;
    }
    return decimals;
}

std::vector<int> NodeAxisTicks(int count, int maxLabels) {
    std::vector<int> ticks;
    if (count < 1) return ticks;
    maxLabels = std::max(maxLabels, 2);
    if (count <= maxLabels) {
        for (int n = 1; n <= count; ++n)
            ticks.push_back(n);
        return ticks;
    }
    int step = 1;
    for (int candidate : {1, 2, 5, 10, 20, 25, 50, 100, 200, 500, 1000}) {
        step = candidate;
        if (count / candidate + 1 <= maxLabels) break;
    }
    ticks.push_back(1);
    for (int n = step; n < count; n += step)
        if (n > 1 && 2 * (count - n) >= step) ticks.push_back(n);
    ticks.push_back(count);
    return ticks;
}
