#pragma once

#include <QString>

// printf "%W.Df" for figures on screen: fixed-point with `decimals` digits, the locale's decimal
// separator, padded with leading blanks to `width` characters (a wider number is written in full).
QString FormatFixed(double v, int width, int decimals);

// A number as typed: the locale's decimal separator, or a decimal point; false for anything else and
// for a value that is not finite.
bool ReadTypedNumber(const QString& text, double& v);
