// Numbers as the page shows and stores them: short, exact where it matters,
// never in the locale's format.
#pragma once

#include <string>

namespace report {

// Significant digits of every figure the page shows: tables, tooltips, the chart.
inline constexpr int kShownDigits = 6;

// A value counted in hundredths, written as a plain decimal without
// trailing zeros: 12345 -> "123.45", 1250 -> "12.5", -300 -> "-3".
void AppendHundredths(std::string& out, int hundredths);

// Fixed notation with the given decimals: (0.25, 1) -> "0.3".
std::string FormatFixed(double value, int decimals);

// About `digits` significant digits without trailing zeros: (371.8861, 6)
// -> "371.886", (0.000012345, 4) -> "1.235e-05"; "NaN" and "inf" as such.
std::string FormatSignificant(double value, int digits);
void AppendSignificant(std::string& out, double value, int digits);

// Whole numbers with thousands separators: 16338 -> "16,338".
std::string FormatCount(long long count);

}  // namespace report
