#pragma once
// Locale-independent writing of PDF numbers.
#include <string>

namespace ostrel {

// Appends value rounded to `decimals` fraction digits (more for values below
// 1, which keep six significant digits) in plain decimal form: no exponent,
// no "+", trailing zeros and a bare point dropped; a value that rounds to
// zero is written "0".
void AppendPdfNumber(std::string& out, double value, int decimals = 4);
std::string FormatPdfNumber(double value, int decimals = 4);

// Appends value with at most `decimals` fraction digits whatever its size,
// trailing zeros and a bare point dropped (content streams write this way).
void AppendFixedNumber(std::string& out, double value, int decimals);

// A non-negative integer with leading zeros to width (longer numbers are
// unchanged); a negative integer gives width zeros.
std::string ZeroPadded(long long value, int width);

}  // namespace ostrel
