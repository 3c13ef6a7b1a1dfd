// Numbers as text, one function per form. Every form uses "." whatever the
// locale. Several forms look alike on purpose: each is the exact form some
// file, page or window writes, and those bytes must not move.
#pragma once

#include <string>

namespace base {

// The shortest decimal that reads back as the same value: 0.34f -> "0.34",
// not "0.3400000035762787"; 1e20 -> "1e+20".
std::string ShortestText(float value);
std::string ShortestText(double value);

// The shortest decimal that reads back as the value, always showing it is
// not a whole number: fixed from 1e-4 up to 1e15, a whole number with ".0"
// ("70.0", "0.34", "0.0001"); beyond, the exponent form with its sign and
// at least two digits ("1e-05", "1.5e+20"); "null" for NaN and infinities.
// The build manifest's numbers.
std::string ShortestPointText(double value);

// printf's "%.*g" in the "C" locale: at most `digits` significant digits,
// trailing zeros dropped, the exponent form ("1.5e+20") for very large or
// small values: (2149.39236, 6) -> "2149.39".
std::string GeneralText(double value, int digits);

// The matrix files' and the windows' form of a single: at most 7 significant
// digits, an upper-case exponent outside 1E-04 .. 9999999 ("1.234568E+07"),
// "0" for minus zero.
std::string SevenDigitText(float value);
void AppendSevenDigitText(std::string& text, float value);

// The report page's plain form: about `digits` significant digits without
// trailing zeros, plain decimals from 1e-4 up to 1e15 ((371.8861, 6) ->
// "371.886"), the exponent form beyond ((0.000012345, 4) -> "1.235e-05").
std::string PlainSignificantText(double value, int digits);
void AppendPlainSignificantText(std::string& out, double value, int digits);

// Fixed notation with the given decimals, zero never signed:
// (0.25, 1) -> "0.3", (-0.001, 2) -> "0.00".
std::string FixedText(double value, int decimals);

// Fixed notation without the zeros that end the decimals, nor a bare point:
// (2.50, 2) -> "2.5", (3.001, 2) -> "3", (-0.001, 2) -> "0".
std::string TrimmedFixedText(double value, int decimals);

// The fitness window's figures: rounded to thousandths, ties away from zero
// judged on the value's exact decimal expansion (0.0005 is a little above
// and rounds up; 1.0005 is a little below and rounds down), one to three
// decimals: 1 -> "1.0", 0.85 -> "0.85", 1/3 -> "0.333"; "NaN", "Infinity".
std::string ThousandthsText(double value);

// A percentage with two decimals as `tesmar place` prints it: 12.345 -> "12.35%"
// (printf's "%.2f%%": a negative zero keeps its sign).
std::string PercentText(double percent);

// A percentage with two decimals as the report page shows it, a space before
// the sign: 12.345 -> "12.35 %".
std::string SpacedPercentText(double percent);

// A value counted in hundredths, written as a plain decimal without
// trailing zeros: 12345 -> "123.45", 1250 -> "12.5", -300 -> "-3".
void AppendHundredths(std::string& out, int hundredths);

// Whole numbers with thousands separators: 16338 -> "16,338".
std::string GroupedCountText(long long count);

}  // namespace base
