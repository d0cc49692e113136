#pragma once

// Numbers typed on the command line, in case files and in study ranges: a decimal point in every
// locale, at most one sign; and numbers and texts written as CSV fields.

#include <string>
#include <string_view>

namespace korvel {

// Reads the whole text as a decimal number: an optional "+" or "-" (only one sign), digits with an
// optional point and exponent ("1.5", "-2e-3", "+7"), or the words "inf" and "nan" as std::from_chars
// knows them (a range check then refuses them). A value too small for a double reads as zero of its
// sign, one too large as an infinity of its sign, so that the caller's range check names the value.
// False when the text is not such a number ("", "+-0.2", "1,5", "0x10", "1.5abc").
bool ParseDecimal(std::string_view text, double& value);

// Appends v in its shortest exact form (nothing for a value that is not finite: an empty field).
void AppendCsvNumber(std::string& out, double v);

// Appends text as one CSV field, quoted when it holds a comma, a quote or a line break.
void AppendCsvQuoted(std::string& out, const std::string& text);

} // namespace korvel
