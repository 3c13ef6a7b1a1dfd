// Number conversions shared by the builder.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

namespace builder {

// Round to the nearest integer, ties to even (2.5 -> 2, 3.5 -> 4, -0.5 -> 0).
inline double RoundHalfEven(double x) { return std::nearbyint(x); }

inline std::int32_t ToInt32(double x) { return static_cast<std::int32_t>(RoundHalfEven(x)); }

inline bool IsWhole(double x) { return std::floor(x) == x; }

// Plain decimal text of a single, at most 7 significant digits, "." as the
// separator whatever the locale, exponent form beyond (1.234568E+07).
std::string FormatSingle(float value);

}  // namespace builder
