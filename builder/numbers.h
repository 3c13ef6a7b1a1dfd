// Number conversions shared by the builder.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace builder {

// Round to the nearest integer, ties to even (2.5 -> 2, 3.5 -> 4, -0.5 -> 0).
inline double RoundHalfEven(double x) { return std::nearbyint(x); }

inline std::int32_t ToInt32(double x) { return static_cast<std::int32_t>(RoundHalfEven(x)); }

inline bool IsWhole(double x) { return std::floor(x) == x; }

// Whether every value is exactly zero (concentrations: no contaminant at all).
inline bool AllZero(const std::vector<double>& values) {
    return std::all_of(values.begin(), values.end(), [](double c) { return c == 0.0; });
}

}  // namespace builder
