#pragma once

// Small text helpers of the design units: numbers read and written with a decimal point in every
// locale; CSV fields come from NumberText.

#include "cases/NumberText.h"

#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// v with `decimals` decimals and a decimal point.
std::string FixedText(double v, int decimals);

// Reads numbers separated by `sep` (a leading '+' allowed); false unless every piece is a finite number.
bool ReadNumbers(std::string_view text, char sep, std::vector<double>& out);

} // namespace korvel
