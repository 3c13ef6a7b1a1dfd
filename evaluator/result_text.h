// The four result lines of a fitness calculation, free of any window code,
// so the window and a command-line report print the same text.
#pragma once

#include <string>

#include "evaluator/fitness.h"

namespace evaluator {

// At least one digit before the separator and one to three after it, to the
// nearest thousandth, without trailing zeros after the first decimal:
// 0.85 -> "0.85", 1 -> "1.0", 1/3 -> "0.333".
std::string FormatThousandths(double value, char decimalSeparator = '.');

// A single in the matrix files' seven-digit form (base::SevenDigitText) with
// the window's decimal separator: at most seven
// significant digits, no trailing zeros, a zero before the separator below
// 1, exponent form outside 1E-04 .. 9999999: 5 -> "5", 4.5 -> "4.5",
// 1/3 -> "0.3333333", 12345678 -> "1.234568E+07".
std::string SingleWithSeparator(float value, char decimalSeparator = '.');

// The line for objective k (1..4): "Z4 = 0.85  (85/100)",
// "Z1 = 412.5  (SD = 97.31)" or "Z2 = Not available".
std::string ResultLine(const FitnessResult& result, int k, char decimalSeparator = '.');

}  // namespace evaluator
