#pragma once

// Small text helpers of the design units: numbers read and written with a decimal point in every
// locale, and CSV fields.

#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// v with `decimals` decimals and a decimal point.
std::string FixedText(double v, int decimals);

// Reads numbers separated by `sep` (a leading '+' allowed); false unless every piece is a finite number.
bool ReadNumbers(std::string_view text, char sep, std::vector<double>& out);

// Appends v in its shortest exact form (nothing for a value that is not finite).
void AppendCsvNumber(std::string& out, double v);

// Appends text as one CSV field, quoted when it holds a comma, a quote or a line break.
void AppendCsvQuoted(std::string& out, const std::string& text);

} // namespace korvel
