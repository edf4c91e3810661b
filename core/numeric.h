// The two number readers the rules of the system are written against.
#pragma once

#include <QString>
#include <optional>

namespace talvec {

// The numeric value of the leading number of a text. Blanks, tabs and line
// feeds are skipped wherever they stand; then an optional sign, digits with
// at most one decimal point, and an optional exponent introduced by "E" or
// "D". "&H" and "&O" introduce hexadecimal and octal whole numbers. Reading
// stops at the first character that does not fit; no number gives 0, so
// "12,5" is 12.
double NumericValue(const QString& text);

// The decimal text of a number: at most 15 significant digits, no trailing
// zeros, no leading zero before the decimal point (".5", "-.5"), exponent
// form ("1E+15") where the fixed form would need more digits.
QString DecimalText(double value);

// Rounds to a 16-bit integer, halves to even. Values outside the range give
// nothing.
std::optional<qint16> RoundToInt16(double value);

}  // namespace talvec
